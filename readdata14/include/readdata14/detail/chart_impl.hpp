// readdata14/detail/chart_impl.hpp — the inline definitions behind
// chart.hpp: decoding each record from its block, and opening a Chart
// through the C API. Included by chart.hpp; not for direct use.
#pragma once

#include "readdata14/chart.hpp"

namespace readdata14 {

// ---- record decoding ------------------------------------------------------

namespace detail {

inline Line LineLayout::Decode(const float* r, const TextSource&, TextCursor&) noexcept {
    const std::size_t p = *CountSlot(r[0]);
    return {IntSlot(r[1]), Points(r + 2, p), r[2 * p + 2], Points(r + 2 * p + 4, *CountSlot(r[2 * p + 3]))};
}

inline LineSymbol LineSymbolLayout::Decode(const float* r, const TextSource&, TextCursor&) noexcept {
    return {IntSlot(r[1]), Points(r + 2, *CountSlot(r[0]))};
}

inline WeatherRegion WeatherRegionLayout::Decode(const float* r, const TextSource&, TextCursor&) noexcept {
    return {IntSlot(r[1]), Points(r + 2, *CountSlot(r[0]))};
}

inline FillArea FillAreaLayout::Decode(const float* r, const TextSource&, TextCursor&) noexcept {
    const std::size_t k = *CountSlot(r[0]);
    return {IntSlot(r[1]), Points(r + 2, k), std::span<const float, 16>(r + 2 * k + 2, 16)};
}

inline ClosedContour ClosedContourLayout::Decode(const float* r, const TextSource&, TextCursor&) noexcept {
    const std::size_t n = *CountSlot(r[0]);
    return {IntSlot(r[1]),    r[2] != 0.0f,      IntSlot(r[3]),
            Points(r + 4, n), r[4 + 2 * n], Points(r + 6 + 2 * n, *CountSlot(r[5 + 2 * n]))};
}

inline Symbol SymbolLayout::Decode(const float* r, const TextSource& source, TextCursor& cursor) noexcept {
    Symbol symbol{IntSlot(r[1]), Point{r[2], r[3]}, r[4], {}};
    if (!IsTextSymbolType(symbol.type)) return symbol;
    while (cursor.slot < source.slots && source.lengths[cursor.slot] == 0) ++cursor.slot;
    if (cursor.slot < source.slots) symbol.text = TakeText(source.lengths[cursor.slot++], source, cursor);
    return symbol;
}

inline Note NoteLayout::Decode(const float* r, const TextSource& source, TextCursor& cursor) noexcept {
    Note note{IntSlot(r[1]), Point{r[2], r[3]}, r[4], std::span<const float, 6>(r + 5, 6), {}, {}};
    if (cursor.slot + 1 < source.slots) {
        note.firstText = TakeText(source.lengths[cursor.slot], source, cursor);
        note.secondText = TakeText(source.lengths[cursor.slot + 1], source, cursor);
    }
    cursor.slot += 2;
    return note;
}

}  // namespace detail

namespace detail {

// The level list follows the last record of the contour block; a walk cut
// short never got there, so it has no levels to show.
inline std::span<const float> LevelsOf(const float* block, std::size_t size) noexcept {
    const auto contours = Walk<ClosedContourLayout>(block, size);
    const auto declared = block != nullptr ? CountSlot(block[0]) : std::nullopt;
    if (!declared || *declared != contours.records || contours.end >= size) return {};
    const auto k = CountSlot(block[contours.end]);
    if (!k || *k > size - contours.end - 1) return {};
    return {block + contours.end + 1, *k};
}

}  // namespace detail

// ---- Chart ------------------------------------------------------------------

// What the handler adapter needs: the handler, and whether it threw (a C++
// exception may not cross the library's C boundary).
struct Chart::Handling {
    const FindingHandler* handler;
    bool failed = false;
};

inline int READDATA14_CALL Chart::Forward(const readdata14_finding* finding, void* handling) noexcept {
    auto& state = *static_cast<Handling*>(handling);
    try {
        (*state.handler)(*finding);
        return READDATA14_GO_ON;
    } catch (...) {
        state.failed = true;
        return READDATA14_STOP;
    }
}

inline Chart Chart::Open(const char* path, const FindingHandler& onFinding, unsigned threads) {
    Handling handling{&onFinding};
    readdata14_options options = READDATA14_OPTIONS_INIT;
    options.threads = threads;
    options.onFinding = onFinding ? &Chart::Forward : nullptr;
    options.context = &handling;
    readdata14_document* document = nullptr;
    const readdata14_status status = readdata14_open(path, &options, &document);
    return FromDocument(status, document, handling.failed);
}

inline Chart Chart::FromMemory(std::string_view bytes, const FindingHandler& onFinding, unsigned threads) {
    Handling handling{&onFinding};
    readdata14_options options = READDATA14_OPTIONS_INIT;
    options.threads = threads;
    options.onFinding = onFinding ? &Chart::Forward : nullptr;
    options.context = &handling;
    readdata14_document* document = nullptr;
    // A view of no bytes may have no data pointer; the read wants one.
    const char* data = bytes.data() != nullptr ? bytes.data() : "";
    const readdata14_status status = readdata14_open_memory(data, bytes.size(), &options, &document);
    return FromDocument(status, document, handling.failed);
}

inline Chart Chart::FromDocument(readdata14_status status, readdata14_document* document, bool handlerFailed) noexcept {
    Chart chart;
    chart.document_ = document;
    if (document != nullptr) chart.raw_ = document->chart;
    switch (status) {
        case READDATA14_READ: chart.status_ = OpenStatus::Read; break;
        case READDATA14_NOT_TYPE_14: chart.status_ = OpenStatus::NotType14; break;
        case READDATA14_OUT_OF_MEMORY: chart.status_ = OpenStatus::OutOfMemory; break;
        case READDATA14_CALLBACK_FAILED: chart.status_ = OpenStatus::HandlerFailed; break;
        case READDATA14_TOO_LARGE: chart.status_ = OpenStatus::TooLarge; break;
        case READDATA14_STOPPED: chart.status_ = OpenStatus::HandlerFailed; break;
        default: chart.status_ = OpenStatus::CannotOpen; break;
    }
    if (handlerFailed) chart.status_ = OpenStatus::HandlerFailed;
    if (chart.status_ == OpenStatus::Read) {
        chart.Index();
    } else {
        // Only what says why: no section of a read that was given up.
        const readdata14_chart why = chart.raw_;
        chart.raw_ = readdata14_chart{};
        chart.raw_.systemError = why.systemError;
        chart.raw_.errors = why.errors;
        chart.raw_.warnings = why.warnings;
    }
    return chart;
}

inline void Chart::Index() noexcept {
    counts_.lines = detail::Walk<detail::LineLayout>(raw_.lines, raw_.linesSize).records;
    counts_.lineSymbols = detail::Walk<detail::LineSymbolLayout>(raw_.lineSymbols, raw_.lineSymbolsSize).records;
    counts_.symbols = detail::Walk<detail::SymbolLayout>(raw_.symbols.values, raw_.symbolValuesSize).records;
    counts_.weatherRegions =
        detail::Walk<detail::WeatherRegionLayout>(raw_.weatherRegions, raw_.weatherRegionsSize).records;
    counts_.fillAreas = detail::Walk<detail::FillAreaLayout>(raw_.fillAreas, raw_.fillAreasSize).records;
    counts_.notes = detail::Walk<detail::NoteLayout>(raw_.notes.values, raw_.noteValuesSize).records;

    counts_.closedContours =
        detail::Walk<detail::ClosedContourLayout>(raw_.closedContours, raw_.closedContoursSize).records;
    levels_ = detail::LevelsOf(raw_.closedContours, raw_.closedContoursSize);
}

inline void Chart::Release() noexcept {
    readdata14_close(document_);
    document_ = nullptr;
    raw_ = readdata14_chart{};
    status_ = OpenStatus::NotOpened;
    counts_ = Counts{};
    levels_ = {};
}

}  // namespace readdata14
