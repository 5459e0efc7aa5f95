#include "writing/chart_builder.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

#include "readdata14/format.hpp"
#include "reading/reading_rules.hpp"
#include "writing/spelling.hpp"

namespace readdata14::writing {
namespace {

constexpr std::size_t kFloatFillValue = 13;
constexpr std::size_t kMaxCount = static_cast<std::size_t>(MAX_BLOCK_COUNT);

// Names for messages, and the section's bit.
struct Place {
    std::uint32_t section;
    std::string_view name;
    std::string_view element;
    std::size_t index;
};

Problem At(const Place& place, std::string message) {
    return Problem{place.section, static_cast<std::int64_t>(place.index),
                   std::string(place.name) + ", " + std::string(place.element) + " " + std::to_string(place.index + 1) +
                       ": " + message};
}

std::size_t Records(const std::vector<float>& block) { return static_cast<std::size_t>(block[0]); }

std::optional<Problem> CheckRoom(const Place& place) {
    if (place.index >= kMaxCount) {
        return At(place, "a section holds at most " + std::to_string(kMaxCount) + " elements");
    }
    return std::nullopt;
}

std::optional<Problem> CheckFloat(const Place& place, float value, std::string_view what) {
    if (FloatSpellable(value)) return std::nullopt;
    return At(place, std::string(what) + " is " + ShowFloat(value) + ", which no text reads back");
}

std::optional<Problem> CheckPoints(const Place& place, std::span<const float> xy, std::string_view what) {
    if (xy.size() / 2 > kMaxCount) return At(place, "it has more than " + std::to_string(kMaxCount) + " " + std::string(what));
    // Only a NaN may be refused: one pass with no branch per coordinate
    // says whether there is one; the message is made only for a
    // coordinate refused.
    bool anyNan = false;
    for (const float v : xy) anyNan |= std::isnan(v);
    if (!anyNan) return std::nullopt;
    const auto refused = std::find_if(xy.begin(), xy.end(), [](float v) { return !FloatSpellable(v); });
    if (refused == xy.end()) return std::nullopt;
    return CheckFloat(place, *refused, std::string("a coordinate of its ") + std::string(what));
}

std::optional<Problem> CheckLabelledLine(const Place& place, const LabelledLine& line, std::size_t maxLabelPoints) {
    if (auto problem = CheckRoom(place)) return problem;
    if (auto problem = CheckPoints(place, line.points, "points")) return problem;
    if (auto problem = CheckPoints(place, line.labelPoints, "label points")) return problem;
    if (line.labelPoints.size() / 2 > maxLabelPoints) {
        return At(place, "it has " + std::to_string(line.labelPoints.size() / 2) + " label points; the format's record holds " +
                             std::to_string(maxLabelPoints));
    }
    char spelled[SPELLING_ROOM];
    if (SpellLabel(line.label, spelled) == nullptr) {
        return At(place, "its label value is " + ShowFloat(line.label) + ", which no label text gives back");
    }
    return std::nullopt;
}

void AppendPoints(std::vector<float>& block, std::span<const float> xy) { block.insert(block.end(), xy.begin(), xy.end()); }

// Room for `extra` more items before an element goes in, so that nothing
// after it can throw and the element goes in whole or not at all. The room
// grows by at least half, so that n elements copy a block a few times, not
// n times (a reserve of exactly size + extra reallocates on every element).
template <class Items>
void ReserveMore(Items& items, std::size_t extra) {
    const std::size_t needed = items.size() + extra;
    if (needed <= items.capacity()) return;
    items.reserve(std::max(needed, items.capacity() + items.capacity() / 2));
}

// The points a reader keeps of a list of this many: every point of a list
// of up to 250, the thinned ones of a longer list.
std::vector<float> KeptPoints(std::span<const float> xy) {
    const std::size_t count = xy.size() / 2;
    std::vector<float> kept;
    kept.reserve(xy.size());
    PointThinner thinner(static_cast<std::int32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        if (!thinner.Keep(Point{xy[2 * i], xy[2 * i + 1]})) continue;
        kept.push_back(xy[2 * i]);
        kept.push_back(xy[2 * i + 1]);
    }
    return kept;
}

// [k, code, k kept points]; the builder's copy of the list, thinned.
std::optional<Problem> AppendCodedPoints(std::vector<float>& block, const Place& place, const PointList& list,
                                         std::span<const float> trailing) {
    if (auto problem = CheckRoom(place)) return problem;
    if (auto problem = CheckPoints(place, list.points, "points")) return problem;
    const std::vector<float> kept = KeptPoints(list.points);
    ReserveMore(block, 2 + kept.size() + trailing.size());
    block.push_back(static_cast<float>(kept.size() / 2));
    block.push_back(static_cast<float>(list.code));
    AppendPoints(block, kept);
    AppendPoints(block, trailing);
    block[0] += 1.0f;
    return std::nullopt;
}

std::optional<Problem> CheckToken(std::string_view token, std::string_view what) {
    if (auto problem = TokenProblem(token, what)) return Problem{0, -1, std::move(*problem)};
    if (token.size() > TOKEN_LIMIT) {
        return Problem{0, -1, std::string(what) + " has " + std::to_string(token.size()) + " bytes; the format reads " +
                                  std::to_string(TOKEN_LIMIT)};
    }
    return std::nullopt;
}

bool IsZero(float value) { return value == 0.0f; }

constexpr std::uint32_t kAllSections = READDATA14_SECTION_LINES | READDATA14_SECTION_LINE_SYMBOLS |
                                       READDATA14_SECTION_SYMBOLS | READDATA14_SECTION_CLOSED_CONTOURS |
                                       READDATA14_SECTION_WEATHER_REGIONS | READDATA14_SECTION_FILL_AREAS |
                                       READDATA14_SECTION_NOTES;

// The tag a section opens with, for messages.
std::string_view SectionName(std::uint32_t section) {
    switch (section) {
        case READDATA14_SECTION_LINES: return "LINES";
        case READDATA14_SECTION_LINE_SYMBOLS: return "LINES_SYMBOL";
        case READDATA14_SECTION_SYMBOLS: return "SYMBOLS";
        case READDATA14_SECTION_CLOSED_CONTOURS: return "CLOSED_CONTOURS";
        case READDATA14_SECTION_WEATHER_REGIONS: return "WEATHER_REGION";
        case READDATA14_SECTION_FILL_AREAS: return "FILLAREA";
        default: return "NOTES_SYMBOL";
    }
}

// A section left out of the file: a plain one has no block, a text one an
// untouched block.
BlockView Kept(bool leftOut, const std::vector<float>& block) { return leftOut ? BlockView() : BlockView(block); }

}  // namespace

ChartBuilder::ChartBuilder() = default;

std::optional<Problem> ChartBuilder::SetHeader(std::optional<std::string_view> firstToken,
                                               std::optional<std::string_view> description,
                                               std::span<const std::int32_t> integers) {
    if (firstToken) {
        if (auto problem = CheckToken(*firstToken, "the first header token")) return problem;
    }
    if (description) {
        if (auto problem = CheckToken(*description, "the description")) return problem;
    }
    if (integers.size() > integers_.size()) return Problem{0, -1, "the header has five integers at most"};
    std::string first = firstToken ? std::string(*firstToken) : firstToken_;
    std::string text = description ? std::string(*description) : description_;
    firstToken_ = std::move(first);
    description_ = std::move(text);
    std::copy(integers.begin(), integers.end(), integers_.begin());
    integerCount_ = integers.size();
    return std::nullopt;
}

std::optional<Problem> ChartBuilder::AddLine(const LabelledLine& line) {
    if (auto problem = CheckTaken(READDATA14_SECTION_LINES)) return problem;
    const Place place{READDATA14_SECTION_LINES, "LINES", "line", Records(lines_)};
    if (auto problem = CheckLabelledLine(place, line, kLineLabelPoints)) return problem;
    ReserveMore(lines_, 4 + line.points.size() + line.labelPoints.size());
    lines_.push_back(static_cast<float>(line.points.size() / 2));
    lines_.push_back(static_cast<float>(line.code));
    AppendPoints(lines_, line.points);
    lines_.push_back(line.label);
    lines_.push_back(static_cast<float>(line.labelPoints.size() / 2));
    AppendPoints(lines_, line.labelPoints);
    lines_[0] += 1.0f;
    return std::nullopt;
}

std::optional<Problem> ChartBuilder::AddContour(const LabelledLine& contour, bool mayBeEmpty) {
    if (auto problem = CheckTaken(READDATA14_SECTION_CLOSED_CONTOURS)) return problem;
    const Place place{READDATA14_SECTION_CLOSED_CONTOURS, "CLOSED_CONTOURS", "contour", Records(contours_)};
    if (auto problem = CheckLabelledLine(place, contour, kContourLabelPoints)) return problem;
    if (contour.points.empty() && !mayBeEmpty) return At(place, "it has no point; a contour has at least one");
    ReserveMore(contourPositions_, 1);
    ReserveMore(contours_, 6 + contour.points.size() + contour.labelPoints.size());
    contours_.push_back(static_cast<float>(contour.points.size() / 2));
    contours_.push_back(static_cast<float>(contour.code));
    // Whether it is valued and closed, and its level index, are the
    // reader's to work out from the file.
    contours_.push_back(0.0f);
    contours_.push_back(static_cast<float>(NO_LEVEL_INDEX));
    AppendPoints(contours_, contour.points);
    contours_.push_back(contour.label);
    contours_.push_back(static_cast<float>(contour.labelPoints.size() / 2));
    AppendPoints(contours_, contour.labelPoints);
    contourPositions_.push_back(static_cast<std::uint32_t>(Records(contours_)));
    contours_[0] += 1.0f;
    return std::nullopt;
}

std::optional<Problem> ChartBuilder::AddLineSymbol(const PointList& lineSymbol) {
    if (auto problem = CheckTaken(READDATA14_SECTION_LINE_SYMBOLS)) return problem;
    const Place place{READDATA14_SECTION_LINE_SYMBOLS, "LINES_SYMBOL", "line symbol", Records(lineSymbols_)};
    return AppendCodedPoints(lineSymbols_, place, lineSymbol, {});
}

std::optional<Problem> ChartBuilder::AddWeatherRegion(const PointList& region) {
    if (auto problem = CheckTaken(READDATA14_SECTION_WEATHER_REGIONS)) return problem;
    const Place place{READDATA14_SECTION_WEATHER_REGIONS, "WEATHER_REGION", "region", Records(weatherRegions_)};
    return AppendCodedPoints(weatherRegions_, place, region, {});
}

std::optional<Problem> ChartBuilder::AddFillArea(const PointList& area) {
    if (auto problem = CheckTaken(READDATA14_SECTION_FILL_AREAS)) return problem;
    const Place place{READDATA14_SECTION_FILL_AREAS, "FILLAREA", "fill area", Records(fillAreas_)};
    for (std::size_t i = 0; i < area.values.size(); ++i) {
        // Appended rather than concatenated: GCC 12 warns wrongly (-Wrestrict)
        // on a literal plus a string for 32-bit targets.
        std::string what = "its value ";
        what += std::to_string(i + 1);
        if (i == kFloatFillValue) {
            if (auto problem = CheckFloat(place, area.values[i], what)) return problem;
        } else if (!IntegerOfSlot(area.values[i])) {
            return At(place, what + " is " + ShowFloat(area.values[i]) + ", not a whole number of 32 bits");
        }
    }
    return AppendCodedPoints(fillAreas_, place, area, area.values);
}

std::optional<Problem> ChartBuilder::AddSymbol(const Symbol& symbol) {
    if (auto problem = CheckTaken(READDATA14_SECTION_SYMBOLS)) return problem;
    const Place place{READDATA14_SECTION_SYMBOLS, "SYMBOLS", "symbol", symbols_.lengths.size()};
    if (auto problem = CheckRoom(place)) return problem;
    if (SymbolsEnded()) return At(place, "the symbol before it lost its angle where its section stopped, so it stays the last");
    if (symbol.dropped) {
        if (symbol.type != 48) return At(place, "only a type-48 symbol is dropped by the reader");
        symbols_.lengths.push_back(0);
        return std::nullopt;
    }
    if (auto problem = CheckFloat(place, symbol.x, "its x")) return problem;
    if (auto problem = CheckFloat(place, symbol.y, "its y")) return problem;
    const bool hasText = IsTextSymbolType(symbol.type);
    float direction = 0.0f;
    const std::string_view text = symbol.text.value_or(std::string_view());
    if (hasText) {
        if (auto problem = SymbolTextProblem(text)) return At(place, std::move(*problem));
        if (text.size() > SYMBOL_TEXT_LIMIT) {
            return At(place, "its text has " + std::to_string(text.size()) + " bytes; the format reads " +
                                 std::to_string(SYMBOL_TEXT_LIMIT));
        }
    } else {
        if (symbol.text) return At(place, "a symbol of type " + std::to_string(symbol.type) + " has no text");
        const auto carried = NearestCarriedDirection(symbol.direction);
        if (!carried) return At(place, "its direction is " + ShowFloat(symbol.direction) + ", which no angle gives");
        direction = *carried;
    }
    ReserveMore(symbols_.values, 5);
    ReserveMore(symbols_.lengths, 1);
    ReserveMore(symbols_.text, text.size() + 1);
    for (const float v : {1.0f, static_cast<float>(symbol.type), symbol.x, symbol.y, direction}) symbols_.values.push_back(v);
    symbols_.values[0] += 1.0f;
    symbols_.lengths.push_back(hasText ? static_cast<std::int32_t>(text.size() + 1) : 0);
    if (hasText) symbols_.text.append(text).push_back('#');
    return std::nullopt;
}

std::optional<Problem> ChartBuilder::AddNote(const Note& note) {
    if (auto problem = CheckTaken(READDATA14_SECTION_NOTES)) return problem;
    const Place place{READDATA14_SECTION_NOTES, "NOTES_SYMBOL", "note", Records(notes_.values)};
    if (auto problem = CheckRoom(place)) return problem;
    std::array<float, 9> fields{note.x, note.y, note.value};
    std::copy(note.trailing.begin(), note.trailing.end(), fields.begin() + 3);
    std::array<std::string_view, 2> texts{note.firstText.value_or(""), note.secondText.value_or("")};
    if (!NoteHasTexts(note.type)) {
        if (!std::all_of(fields.begin(), fields.end(), IsZero) || note.firstText || note.secondText) {
            return At(place, "a note of type " + std::to_string(note.type) + " is its type alone: its other fields are 0 and its texts null");
        }
        fields.fill(0.0f);
    } else {
        for (const float v : fields) {
            if (auto problem = CheckFloat(place, v, "a value")) return problem;
        }
        for (const std::string_view text : texts) {
            if (auto problem = NoteTextProblem(text)) return At(place, std::move(*problem));
            if (text.size() > NOTE_TEXT_LIMIT) {
                return At(place, "a text has " + std::to_string(text.size()) + " bytes; the format reads " +
                                     std::to_string(NOTE_TEXT_LIMIT));
            }
        }
    }
    ReserveMore(notes_.values, 11);
    ReserveMore(notes_.lengths, 2);
    ReserveMore(notes_.text, texts[0].size() + texts[1].size() + 2);
    notes_.values.push_back(1.0f);
    notes_.values.push_back(static_cast<float>(note.type));
    AppendPoints(notes_.values, fields);
    notes_.values[0] += 1.0f;
    for (const std::string_view text : texts) {
        const bool kept = NoteHasTexts(note.type);
        notes_.lengths.push_back(kept ? static_cast<std::int32_t>(text.size() + 1) : 0);
        if (kept) notes_.text.append(text).push_back('#');
    }
    return std::nullopt;
}

ChartBuilder::Mark ChartBuilder::Marked() const noexcept {
    return {{lines_.size(), lineSymbols_.size(), symbols_.values.size(), symbols_.lengths.size(), symbols_.text.size(),
             contours_.size(), contourPositions_.size(), weatherRegions_.size(), fillAreas_.size(),
             notes_.values.size(), notes_.lengths.size(), notes_.text.size()},
            {lines_[0], lineSymbols_[0], contours_[0], weatherRegions_[0], fillAreas_[0], symbols_.values[0],
             notes_.values[0]}};
}

// Shrinking keeps the capacity, so it allocates nothing and cannot throw.
void ChartBuilder::Restore(const Mark& mark) noexcept {
    const auto& s = mark.sizes;
    lines_.resize(s[0]);
    lineSymbols_.resize(s[1]);
    symbols_.values.resize(s[2]);
    symbols_.lengths.resize(s[3]);
    symbols_.text.resize(s[4]);
    contours_.resize(s[5]);
    contourPositions_.resize(s[6]);
    weatherRegions_.resize(s[7]);
    fillAreas_.resize(s[8]);
    notes_.values.resize(s[9]);
    notes_.lengths.resize(s[10]);
    notes_.text.resize(s[11]);
    lines_[0] = mark.counts[0];
    lineSymbols_[0] = mark.counts[1];
    contours_[0] = mark.counts[2];
    weatherRegions_[0] = mark.counts[3];
    fillAreas_[0] = mark.counts[4];
    symbols_.values[0] = mark.counts[5];
    notes_.values[0] = mark.counts[6];
}

std::size_t ChartBuilder::ElementCount(std::uint32_t section) const {
    switch (section) {
        case READDATA14_SECTION_LINES: return Records(lines_);
        case READDATA14_SECTION_LINE_SYMBOLS: return Records(lineSymbols_);
        case READDATA14_SECTION_SYMBOLS: return symbols_.lengths.size();
        case READDATA14_SECTION_CLOSED_CONTOURS: return Records(contours_);
        case READDATA14_SECTION_WEATHER_REGIONS: return Records(weatherRegions_);
        case READDATA14_SECTION_FILL_AREAS: return Records(fillAreas_);
        default: return Records(notes_.values);
    }
}

std::optional<Problem> ChartBuilder::CheckTaken(std::uint32_t section) const {
    if ((leftOut_ & section) == 0) return std::nullopt;
    std::string message(SectionName(section));
    message += ": the section is left out of the file, so it takes no element";
    return Problem{section, -1, std::move(message)};
}

std::optional<Problem> ChartBuilder::LeaveOut(std::uint32_t sections) {
    if ((sections & READDATA14_SECTION_WEATHER_REGIONS) != 0) sections |= READDATA14_SECTION_FILL_AREAS;
    for (std::uint32_t bit = 1; bit <= READDATA14_SECTION_NOTES; bit <<= 1) {
        const std::size_t count = (sections & bit) != 0 ? ElementCount(bit) : 0;
        if (count == 0) continue;
        std::string message(SectionName(bit));
        message += ": it holds " + std::to_string(count) + (count == 1 ? " element" : " elements") +
                   "; only a section without elements is left out";
        if (bit == READDATA14_SECTION_FILL_AREAS && (sections & READDATA14_SECTION_WEATHER_REGIONS) != 0) {
            message += " (weather regions left out take the fill areas with them)";
        }
        return Problem{bit, -1, std::move(message)};
    }
    leftOut_ |= sections;
    return std::nullopt;
}

ChartInput ChartBuilder::Input() const {
    ChartInput input;
    input.firstToken = firstToken_;
    input.description = description_;
    input.headerIntegers = integers_;
    input.headerIntegerCount = integerCount_;
    input.sectionsPresent = kAllSections & ~leftOut_;
    const auto out = [&](std::uint32_t section) { return (leftOut_ & section) != 0; };
    input.lines = Kept(out(READDATA14_SECTION_LINES), lines_);
    input.lineSymbols = Kept(out(READDATA14_SECTION_LINE_SYMBOLS), lineSymbols_);
    input.closedContours = Kept(out(READDATA14_SECTION_CLOSED_CONTOURS), contours_);
    input.contourFilePositions = contourPositions_;
    // Weather regions left out still give the reader's empty block; fill
    // areas left out keep theirs only where the regions stand.
    input.weatherRegions = weatherRegions_;
    input.fillAreas = Kept(out(READDATA14_SECTION_WEATHER_REGIONS), fillAreas_);
    // A section with no element declares the count 0: the reader leaves it
    // untouched, as it does a section left out. One with elements but no
    // text has the text " ".
    const auto text = [](const TextSection& section) {
        TextBlockView view;
        if (section.lengths.empty()) return view;
        view.values = section.values;
        view.lengths = section.lengths;
        view.text = section.text.empty() ? std::string_view(" ") : std::string_view(section.text);
        return view;
    };
    input.symbols = text(symbols_);
    input.notes = text(notes_);
    return input;
}

}  // namespace readdata14::writing
