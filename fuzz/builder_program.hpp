// The fuzz input read a second way: as a program for the builder. Each step
// takes a byte that says what to add (a line, a contour, a symbol, a note, a
// section left out, a header, ...) and the bytes after it as its fields,
// floats and texts of any bits and bytes. The builder must take or refuse
// each step with a message; what it finishes must be a chart that, written
// (LF or CR LF) and read again, is the same document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace readdata14::fuzz {

// Empty when the builder kept its promises, else what it broke.
std::string RunBuilderProgram(const std::uint8_t* data, std::size_t size);

}  // namespace readdata14::fuzz
