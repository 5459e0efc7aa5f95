// Small helpers for the section readers' tests: point lists to paste into a
// section, a sink that keeps findings, and a block taken whole by its walk.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "reading/blocks.hpp"
#include "reading/diagnostics.hpp"
#include "reading/scanner.hpp"
#include "support/block_walk.hpp"

namespace readdata14::test {

// `count` points "x y 0", all at one place.
inline std::string SamePoints(int count, float x, float y) {
    std::ostringstream out;
    for (int i = 0; i < count; ++i) out << x << ' ' << y << " 0 ";
    return out.str();
}

// The whole block as its layout walks it; empty when it does not walk.
inline std::vector<float> Walked(Layout layout, const float* block) {
    const auto size = WalkBlock(layout, block);
    if (!size) return {};
    return std::vector<float>(block, block + *size);
}

inline std::vector<std::int32_t> Slots(const std::int32_t* lengths, std::size_t count) {
    return lengths ? std::vector<std::int32_t>(lengths, lengths + count) : std::vector<std::int32_t>{};
}

// The next token the scanner would read ("" at the end of the input): where
// the reader left the stream.
inline std::string NextToken(Scanner& in) {
    const auto token = in.Token();
    return token ? std::string(*token) : std::string();
}

inline std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }

class KeptFindings : public DiagnosticSink {
public:
    void Report(Finding finding) override { findings.push_back(std::move(finding)); }
    bool Has(FindingKind kind) const {
        return std::any_of(findings.begin(), findings.end(),
                           [kind](const Finding& f) { return f.kind == kind; });
    }
    std::vector<Finding> findings;
};

}  // namespace readdata14::test
