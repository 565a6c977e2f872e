// Number text for strwrite. Numbers are printed through integer arithmetic and snprintf with
// explicit formats, so the text does not depend on the C library's rounding of doubles.
#pragma once

#include <string>

namespace pelvano::tools {

// Appends printf-style text to out.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((format(printf, 2, 3)))
#endif
void appendf(std::string& out, const char* fmt, ...);

// Fixed-point text of v with `dec` decimals (1..6), rounded through integers.
std::string fixed(double v, int dec);

// Value given in thousandths, printed as %.3f would.
void append_milli(std::string& out, long long m);

}  // namespace pelvano::tools
