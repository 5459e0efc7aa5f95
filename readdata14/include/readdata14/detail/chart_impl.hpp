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

// ---- Chart ------------------------------------------------------------------

inline void Chart::Forward(const readdata14_finding* finding, void* handler) {
    (*static_cast<const FindingHandler*>(handler))(*finding);
}

inline Chart Chart::Open(const char* path, const FindingHandler& onFinding) {
    readdata14_chart raw;
    const readdata14_status status = readdata14_read(path, &raw, onFinding ? &Chart::Forward : nullptr,
                                                     const_cast<FindingHandler*>(&onFinding));
    return FromRead(status, raw);
}

inline Chart Chart::FromMemory(std::string_view bytes, const FindingHandler& onFinding) {
    readdata14_chart raw;
    const readdata14_status status = readdata14_read_memory(
        bytes.data(), bytes.size(), &raw, onFinding ? &Chart::Forward : nullptr, const_cast<FindingHandler*>(&onFinding));
    return FromRead(status, raw);
}

inline Chart Chart::FromRead(readdata14_status status, const readdata14_chart& raw) noexcept {
    Chart chart;
    chart.raw_ = raw;
    switch (status) {
        case READDATA14_READ: chart.status_ = OpenStatus::Read; break;
        case READDATA14_NOT_TYPE_14: chart.status_ = OpenStatus::NotType14; break;
        case READDATA14_OUT_OF_MEMORY: chart.status_ = OpenStatus::OutOfMemory; break;
        case READDATA14_CALLBACK_FAILED: chart.status_ = OpenStatus::HandlerFailed; break;
        default: chart.status_ = OpenStatus::CannotOpen; break;
    }
    if (chart.status_ == OpenStatus::Read) chart.Index();
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

    const auto contours = detail::Walk<detail::ClosedContourLayout>(raw_.closedContours, raw_.closedContoursSize);
    counts_.closedContours = contours.records;
    // The level list follows the last record; a walk cut short never got
    // there, so it has no levels to show.
    const auto declared = raw_.closedContours ? detail::CountSlot(raw_.closedContours[0]) : std::nullopt;
    if (declared && *declared == contours.records && contours.end < raw_.closedContoursSize) {
        const auto k = detail::CountSlot(raw_.closedContours[contours.end]);
        if (k && *k <= raw_.closedContoursSize - contours.end - 1) levels_ = {raw_.closedContours + contours.end + 1, *k};
    }
}

inline void Chart::Release() noexcept {
    readdata14_release(&raw_);
    status_ = OpenStatus::NotOpened;
    counts_ = Counts{};
    levels_ = {};
}

}  // namespace readdata14
