#include "html/packing.hpp"

#include <cmath>

namespace readdata14::chart14 {

std::string Base64(std::string_view bytes) {
    static constexpr char DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const std::uint32_t n = std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                                std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 | std::uint8_t(bytes[i + 2]);
        out += DIGITS[n >> 18];
        out += DIGITS[(n >> 12) & 63];
        out += DIGITS[(n >> 6) & 63];
        out += DIGITS[n & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const std::uint32_t n =
            std::uint32_t(std::uint8_t(bytes[i])) << 16 | (two ? std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 : 0u);
        out += DIGITS[n >> 18];
        out += DIGITS[(n >> 12) & 63];
        out += two ? DIGITS[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

void PackedIntegers::Add(std::int64_t value) {
    // Zigzag: 0, -1, 1, -2 … become 0, 1, 2, 3 …
    std::uint64_t n = (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
    while (n >= 0x80) {
        bytes_ += static_cast<char>((n & 0x7F) | 0x80);
        n >>= 7;
    }
    bytes_ += static_cast<char>(n);
    ++count_;
}

std::string PackedIntegers::Base64() const { return chart14::Base64(bytes_); }

void PackedCoordinates::Add(double value) {
    const auto quanta = static_cast<std::int64_t>(std::llround((value - origin_) / quantum_));
    steps_.Add(quanta - last_);
    last_ = quanta;
}

}  // namespace readdata14::chart14
