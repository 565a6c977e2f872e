// Rendering of values into the fixed-width fields of the report and the console.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelvano {

// Right-aligns text in a field of width w; a longer text keeps its first w characters.
std::string textfield(std::string_view text, int w);

// A signed integer right-aligned in a field of width w, or w "*" when it does not fit.
std::string intfield(std::int64_t v, int w);

// A real in a field of width w with d decimals: rounded to nearest (ties to even) on the
// exact binary value, no sign on a value that rounds to zero, "NaN" and "Infinity"
// (or "Inf") for the special values, and w "*" when the text does not fit.
std::string fixedfield(double x, int w, int d);

// Removes trailing blanks (spaces only: fields are padded with spaces).
std::string_view trim_right(std::string_view s);

// Removes leading, then trailing blanks.
std::string_view trim(std::string_view s);

}  // namespace pelvano
