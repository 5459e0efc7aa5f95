// Numbers packed for the page of chart14 html, so that a chart of a hundred
// megabytes makes a page its browser reads in seconds: integers as
// LEB128 varints of their zigzag (small numbers take one byte), and the
// bytes in base64 inside the page's JSON. Coordinates go in as whole
// multiples of a quantum, each as the step from the one before, which is
// mostly small along a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace readdata14::chart14 {

std::string Base64(std::string_view bytes);

class PackedIntegers {
public:
    void Add(std::int64_t value);
    std::size_t Count() const { return count_; }
    std::string Base64() const;

private:
    std::string bytes_;
    std::size_t count_ = 0;
};

// Coordinates along one axis as steps of whole quanta from `origin`.
class PackedCoordinates {
public:
    PackedCoordinates(double origin, double quantum) : origin_(origin), quantum_(quantum) {}
    void Add(double value);
    std::string Base64() const { return steps_.Base64(); }

private:
    double origin_, quantum_;
    std::int64_t last_ = 0;
    PackedIntegers steps_;
};

}  // namespace readdata14::chart14
