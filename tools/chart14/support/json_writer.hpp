// A small JSON writer for json and geojson: compact output with a line break
// between records, floats in the shortest form that reads back to the same
// 32-bit value, and strings that must already be UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "readdata14/point.hpp"

namespace readdata14::chart14 {

// The shortest decimal form that reads back to exactly `value` (std::to_chars).
// JSON has no NaN or infinity: they are written as the strings "NaN",
// "Infinity" and "-Infinity" (as JavaScript and Python spell them), so that
// each stays told apart; -0 is written -0.0, which JSON readers take as the
// float -0 rather than the integer 0.
void AppendFloat(std::string& out, float value);
// The same for people: nan, inf and -inf as the float's own names.
std::string FormatFloat(float value);

class JsonWriter {
public:
    // `oneLine`: no line breaks between records (JSON Lines).
    explicit JsonWriter(std::string& out, bool oneLine = false) : out_(out), oneLine_(oneLine) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view utf8);
    JsonWriter& Float(float value);
    JsonWriter& Int(std::int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    // A number already in JSON's form, written as it is.
    JsonWriter& RawNumber(std::string_view number);

    JsonWriter& Position(readdata14::Point point);           // [x, y]
    JsonWriter& Positions(std::span<const readdata14::Point> points);
    JsonWriter& Floats(std::span<const float> values);

    // A line break before the next value, to keep one record per line.
    JsonWriter& Break();

private:
    void BeforeValue();

    std::string& out_;
    std::vector<bool> first_;  // per open container: no value written yet
    bool afterKey_ = false;
    bool breakNext_ = false;
    bool oneLine_ = false;
};

}  // namespace readdata14::chart14
