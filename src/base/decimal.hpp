// Reals as the files print them, taken exactly: whether a printed real lies from 0 to 1,
// how many decimals it needs, and its value in integer units of a power of ten. Memberships
// are compared in these units, never through binary floating point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelvano {

// The most decimals that memberships compared exactly may have: 10^15 units still leave
// room in 64 bits for sums over many individuals.
inline constexpr int most_decimals = 15;

// What the exact decimal value of a printed real is.
struct PrintedReal {
  bool negative = false;      // below 0 (a zero written with a minus sign is not)
  bool above_one = false;     // above 1
  std::int64_t decimals = 0;  // the digits after the point its exact value needs
};

// The form of a printed real, the one grammar of the reading rules: an optional sign,
// digits with at most one decimal point, an optional exponent (E or D in either case, then
// an optionally signed integer). Returns the position of the exponent's letter (the
// length of the text when it has none), or npos when the text has another form.
std::size_t real_form(std::string_view text);

// Reads a real of the reading rules' form (an optional sign, digits with at most one
// decimal point, an optional exponent: E or D in either case, then an optionally signed
// integer). False when the text has another form.
bool read_printed_real(std::string_view text, PrintedReal& out);

// The exact value of a printed real in units of 10^-decimals; false when it needs more
// decimals or does not fit in 64 bits.
bool exact_units(std::string_view text, int decimals, std::int64_t& units);

// A threshold: a decimal strictly between 0 and 1 of at most 9 decimals, as the command
// line gives it. Its value is digits / 10^places.
struct Threshold {
  std::string text;         // its shortest form ("0.5", "0.75")
  std::int64_t digits = 0;  // 5 for 0.5, 75 for 0.75
  int places = 0;
};

// Reads a threshold written "0.5", ".5" or "0.500"; false for any other text (zero, one,
// more than 9 decimals, a sign, an exponent).
bool read_threshold(std::string_view text, Threshold& out);

// The threshold of a text that is one (a default written in the program).
Threshold threshold_of(std::string_view text);

// Whether a double is at least the threshold, compared exactly.
bool at_least(double value, const Threshold& threshold);

}  // namespace pelvano
