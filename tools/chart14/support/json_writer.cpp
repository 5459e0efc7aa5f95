#include "support/json_writer.hpp"

#include <charconv>
#include <cmath>

namespace readdata14::chart14 {

void AppendFloat(std::string& out, float value) {
    if (std::isnan(value)) {
        out += "\"NaN\"";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "\"-Infinity\"" : "\"Infinity\"";
        return;
    }
    if (value == 0.0f && std::signbit(value)) {
        // "-0" reads as the integer 0 in JSON; "-0.0" as the float -0.
        out += "-0.0";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

std::string FormatFloat(float value) {
    if (!std::isfinite(value)) {
        // For people, not for JSON: the float's own name.
        return std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
    }
    std::string out;
    AppendFloat(out, value);
    return out;
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
    if (breakNext_) {
        if (!oneLine_) out_ += '\n';
        breakNext_ = false;
    }
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    out_ += '{';
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    first_.pop_back();
    out_ += '}';
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    out_ += '[';
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    first_.pop_back();
    out_ += ']';
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    String(key);
    out_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    static constexpr char kHex[] = "0123456789abcdef";
    out_ += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out_ += "\\\""; break;
            case '\\': out_ += "\\\\"; break;
            case '\n': out_ += "\\n"; break;
            case '\r': out_ += "\\r"; break;
            case '\t': out_ += "\\t"; break;
            default:
                if (byte < 0x20u || byte == 0x7Fu) {
                    out_ += "\\u00";
                    out_ += kHex[byte >> 4];
                    out_ += kHex[byte & 0x0Fu];
                } else {
                    out_ += c;
                }
        }
    }
    out_ += '"';
    return *this;
}

JsonWriter& JsonWriter::Float(float value) {
    BeforeValue();
    AppendFloat(out_, value);
    return *this;
}

JsonWriter& JsonWriter::Int(std::int64_t value) {
    BeforeValue();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
    return *this;
}

JsonWriter& JsonWriter::RawNumber(std::string_view number) {
    BeforeValue();
    out_ += number;
    return *this;
}

JsonWriter& JsonWriter::Position(readdata14::Point point) {
    BeginArray();
    Float(point.x);
    Float(point.y);
    return EndArray();
}

JsonWriter& JsonWriter::Positions(std::span<const readdata14::Point> points) {
    BeginArray();
    for (const auto point : points) Position(point);
    return EndArray();
}

JsonWriter& JsonWriter::Floats(std::span<const float> values) {
    BeginArray();
    for (const float value : values) Float(value);
    return EndArray();
}

JsonWriter& JsonWriter::Break() {
    breakNext_ = true;
    return *this;
}

}  // namespace readdata14::chart14
