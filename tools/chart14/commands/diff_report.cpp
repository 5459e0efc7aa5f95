#include "commands/diff_report.hpp"

#include <bit>
#include <charconv>

#include "support/json_writer.hpp"
#include "readdata14/format.hpp"
#include "readdata14/layers.hpp"
#include "support/text_encoding.hpp"

namespace readdata14::chart14 {
namespace {

// A text of the chart, one output for one input.
std::string Escaped(std::string_view bytes) { return layers::Utf8OrEscaped(bytes, true); }

// How far a point moved, rounded to float: the file's own precision.
Point Shift(Point a, Point b) {
    return {static_cast<float>(double(b.x) - double(a.x)), static_cast<float>(double(b.y) - double(a.y))};
}

// ---- text ---------------------------------------------------------------------

// `part` after `out`, `separator` between them.
void Join(std::string& out, std::string_view separator, std::string_view part) {
    if (!out.empty()) out += separator;
    out += part;
}

std::string Bits(float value) {
    char hex[16];
    const auto end = std::to_chars(hex, hex + sizeof hex, std::bit_cast<std::uint32_t>(value), 16).ptr;
    return "0x" + std::string(hex, end);
}

std::string LabelText(float value) {
    if (IsNoLabel(value)) return "NoLabel";
    // The code a label stands for, the offset taken off in double as it was added.
    if (IsLabelCode(value)) return "code " + FormatFloat(static_cast<float>(double(value) - LABEL_CODE_OFFSET));
    return FormatFloat(value);
}

std::string ValueText(const DiffValue& v) {
    switch (v.kind) {
        case DiffValue::Kind::Integer: return std::to_string(v.integer);
        case DiffValue::Kind::Boolean: return v.integer != 0 ? "true" : "false";
        case DiffValue::Kind::Real: return FormatFloat(v.real);
        case DiffValue::Kind::Label: return LabelText(v.real);
        case DiffValue::Kind::Text: return '"' + DisplayText(Escaped(v.text)) + '"';
        case DiffValue::Kind::Integers: {
            if (v.integers.empty()) return "none";
            std::string out;
            for (const std::int32_t n : v.integers) Join(out, " ", std::to_string(n));
            return out;
        }
    }
    return {};
}

// "a -> b"; two floats that print alike (NaNs of other payloads) by their bits.
std::string ChangeText(const DiffValue& a, const DiffValue& b) {
    std::string before = ValueText(a), after = ValueText(b);
    if (before == after && (a.kind == DiffValue::Kind::Real || a.kind == DiffValue::Kind::Label)) {
        before += " (" + Bits(a.real) + ")";
        after += " (" + Bits(b.real) + ")";
    }
    return before + " -> " + after;
}

std::string PointText(Point p) { return '(' + FormatFloat(p.x) + ", " + FormatFloat(p.y) + ')'; }

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

// One line: an added or removed element's fields and where its points start.
std::string ElementText(const DiffElement& e) {
    std::string out;
    const auto part = [&out](const std::string& text) { Join(out, ", ", text); };
    for (const DiffField& f : e.Fields()) part(std::string(f.name) + ' ' + ValueText(f.value));
    for (const DiffPoints& list : e.Lists()) {
        const std::span<const Point> points = list.Points();
        if (list.single) {
            part(std::string(list.name) + ' ' + PointText(points.front()));
        } else if (points.empty()) {
            part(std::string(list.name) + " 0");
        } else {
            part(std::string(list.name) + ' ' + std::to_string(points.size()) + " from " + PointText(points.front()));
        }
    }
    return out;
}

void AppendPointsChange(std::string& out, const std::string& at, const PointsChange& c) {
    out += "  ~ " + at + ' ' + std::string(c.name) + ": ";
    const std::size_t common = std::min(c.countA, c.countB);
    if (c.countA != c.countB) out += std::to_string(c.countA) + " -> " + std::to_string(c.countB) + " points";
    if (c.countA != c.countB && common > 0) out += ", ";
    if (common > 0) out += std::to_string(c.moved) + " of " + std::to_string(common) + " moved";
    out += '\n';
    for (const PointMove& m : c.shown) {
        out += "      [" + std::to_string(m.index) + "] " + PointText(m.a) + " -> " + PointText(m.b) + ", by " +
               PointText(Shift(m.a, m.b)) + '\n';
    }
    if (c.moved > c.shown.size()) out += "      ... " + std::to_string(c.moved - c.shown.size()) + " more moved\n";
}

void AppendChange(std::string& out, const ElementChange& c) {
    const std::string at = '[' + std::to_string(c.index) + ']';
    if (!c.fields.empty()) {
        out += "  ~ " + at + ' ';
        for (std::size_t i = 0; i < c.fields.size(); ++i) {
            if (i > 0) out += "; ";
            out += std::string(c.fields[i].name) + ' ' + ChangeText(c.fields[i].a, c.fields[i].b);
        }
        out += '\n';
    }
    for (const PointsChange& p : c.points) AppendPointsChange(out, at, p);
}

void AppendMore(std::string& out, std::size_t total, std::size_t shown, const char* what) {
    if (total > shown) out += "  ... " + std::to_string(total - shown) + " more " + what + '\n';
}

void AppendSection(std::string& out, const SectionDiff& s) {
    out += std::string(s.name);
    if (s.name == layers::Layer(layers::LayerId::ClosedContours).name) out += " (in file order)";
    if (s.presentA != s.presentB) out += s.presentA ? " (present -> absent)" : " (absent -> present)";
    out += ": " + (s.countA == s.countB ? Count(s.countA, "element", "elements")
                                        : std::to_string(s.countA) + " -> " + std::to_string(s.countB) + " elements");
    std::string counts;
    const auto add = [&counts](std::size_t n, const char* what) {
        if (n > 0) Join(counts, ", ", std::to_string(n) + ' ' + what);
    };
    add(s.changed, "changed");
    add(s.Added(), "added");
    add(s.Removed(), "removed");
    Join(counts, ", ", std::to_string(s.identical) + " identical");
    out += ": " + counts + '\n';
    if (s.blockDiffers) out += "  the blocks differ outside the elements (their order, or slots without an element)\n";
    for (const ElementChange& c : s.shownChanged) AppendChange(out, c);
    AppendMore(out, s.changed, s.shownChanged.size(), "changed");
    for (const ElementAt& e : s.shownAdded) {
        out += "  + [" + std::to_string(e.index) + "] " + ElementText(e.element) + '\n';
    }
    AppendMore(out, s.Added(), s.shownAdded.size(), "added");
    for (const ElementAt& e : s.shownRemoved) {
        out += "  - [" + std::to_string(e.index) + "] " + ElementText(e.element) + '\n';
    }
    AppendMore(out, s.Removed(), s.shownRemoved.size(), "removed");
}

std::string LevelsText(std::span<const float> levels) {
    if (levels.empty()) return "none";
    std::string out;
    for (const float level : levels) Join(out, " ", FormatFloat(level));
    return out;
}

// ---- JSON ---------------------------------------------------------------------

void WriteValue(JsonWriter& w, const DiffValue& v) {
    switch (v.kind) {
        case DiffValue::Kind::Integer: w.Int(v.integer); return;
        case DiffValue::Kind::Boolean: w.Bool(v.integer != 0); return;
        case DiffValue::Kind::Real:
        case DiffValue::Kind::Label: w.Float(v.real); return;
        case DiffValue::Kind::Text: w.String(Escaped(v.text)); return;
        case DiffValue::Kind::Integers:
            w.BeginArray();
            for (const std::int32_t n : v.integers) w.Int(n);
            w.EndArray();
            return;
    }
}

void WriteChanges(JsonWriter& w, const std::vector<FieldChange>& changes) {
    w.BeginArray();
    for (const FieldChange& c : changes) {
        w.BeginObject().Key("field").String(c.name);
        w.Key("a");
        WriteValue(w, c.a);
        w.Key("b");
        WriteValue(w, c.b);
        w.EndObject();
    }
    w.EndArray();
}

template <class T>
void WritePair(JsonWriter& w, std::string_view key, T a, T b) {
    w.Key(key).BeginObject();
    if constexpr (std::is_same_v<T, bool>) {
        w.Key("a").Bool(a).Key("b").Bool(b);
    } else {
        w.Key("a").Int(static_cast<std::int64_t>(a)).Key("b").Int(static_cast<std::int64_t>(b));
    }
    w.EndObject();
}

void WritePointsChange(JsonWriter& w, const PointsChange& c) {
    w.BeginObject().Key("list").String(c.name);
    WritePair(w, "count", c.countA, c.countB);
    w.Key("moved").Int(static_cast<std::int64_t>(c.moved));
    w.Key("moved_points").BeginArray();
    for (const PointMove& m : c.shown) {
        w.BeginObject().Key("index").Int(static_cast<std::int64_t>(m.index));
        w.Key("a").Position(m.a).Key("b").Position(m.b).Key("by").Position(Shift(m.a, m.b));
        w.EndObject();
    }
    w.EndArray().EndObject();
}

void WriteElementChange(JsonWriter& w, const ElementChange& c) {
    w.Break().BeginObject().Key("index").Int(static_cast<std::int64_t>(c.index));
    w.Key("fields");
    WriteChanges(w, c.fields);
    w.Key("points").BeginArray();
    for (const PointsChange& p : c.points) WritePointsChange(w, p);
    w.EndArray().EndObject();
}

void WriteElements(JsonWriter& w, std::string_view key, const std::vector<ElementAt>& elements) {
    w.Key(key).BeginArray();
    for (const ElementAt& e : elements) {
        w.Break().BeginObject().Key("index").Int(static_cast<std::int64_t>(e.index));
        for (const DiffField& f : e.element.Fields()) {
            w.Key(f.name);
            WriteValue(w, f.value);
        }
        for (const DiffPoints& list : e.element.Lists()) {
            w.Key(list.name);
            if (list.single) {
                w.Position(list.position);
            } else {
                w.Positions(list.list);
            }
        }
        w.EndObject();
    }
    w.EndArray();
}

void WriteSection(JsonWriter& w, const SectionDiff& s) {
    w.Break().Key(s.name).BeginObject();
    WritePair(w, "present", s.presentA, s.presentB);
    WritePair(w, "count", s.countA, s.countB);
    w.Key("identical").Int(static_cast<std::int64_t>(s.identical));
    w.Key("changed").Int(static_cast<std::int64_t>(s.changed));
    w.Key("added").Int(static_cast<std::int64_t>(s.Added()));
    w.Key("removed").Int(static_cast<std::int64_t>(s.Removed()));
    w.Key("block_differs").Bool(s.blockDiffers);
    w.Key("changed_elements").BeginArray();
    for (const ElementChange& c : s.shownChanged) WriteElementChange(w, c);
    w.EndArray();
    WriteElements(w, "added_elements", s.shownAdded);
    WriteElements(w, "removed_elements", s.shownRemoved);
    w.EndObject();
}

}  // namespace

std::string TextReport(const ChartDiff& diff) {
    std::string out;
    for (const FieldChange& c : diff.header) {
        out += "header " + std::string(c.name) + ": " + ChangeText(c.a, c.b) + '\n';
    }
    for (const SectionDiff& s : diff.sections) {
        if (s.Differs()) AppendSection(out, s);
        if (s.name == layers::Layer(layers::LayerId::ClosedContours).name && diff.levelsDiffer) {
            out += "levels: " + LevelsText(diff.levelsA) + " -> " + LevelsText(diff.levelsB) + '\n';
        }
    }
    return out;
}

std::string JsonReport(const ChartDiff& diff, std::string_view pathA, std::string_view pathB) {
    std::string out;
    JsonWriter w(out);
    w.BeginObject();
    w.Key("a").String(EscapeInvalidUtf8(pathA)).Key("b").String(EscapeInvalidUtf8(pathB));
    w.Key("same").Bool(!diff.Differs());
    w.Break().Key("header");
    WriteChanges(w, diff.header);
    w.Break().Key("levels").BeginObject().Key("same").Bool(!diff.levelsDiffer);
    w.Key("a").Floats(diff.levelsA).Key("b").Floats(diff.levelsB).EndObject();
    w.Break().Key("sections").BeginObject();
    for (const SectionDiff& s : diff.sections) WriteSection(w, s);
    w.EndObject().EndObject();
    out += '\n';
    return out;
}

}  // namespace readdata14::chart14
