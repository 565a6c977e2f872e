#include "base/format.hpp"

#include <charconv>
#include <cmath>
#include <limits>

namespace pelvano {

namespace {

std::string right_aligned(std::string_view text, int w) {
  std::string out;
  if (w <= 0) return out;
  const auto width = static_cast<std::size_t>(w);
  if (text.size() > width) return std::string(width, '*');
  out.assign(width - text.size(), ' ');
  out.append(text);
  return out;
}

}  // namespace

std::string textfield(std::string_view text, int w) {
  if (w <= 0) return {};
  const auto width = static_cast<std::size_t>(w);
  if (text.size() >= width) return std::string(text.substr(0, width));
  std::string out(width - text.size(), ' ');
  out.append(text);
  return out;
}

std::string intfield(std::int64_t v, int w) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return right_aligned(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), w);
}

std::string fixedfield(double x, int w, int d) {
  if (std::isnan(x)) return right_aligned("NaN", w);
  if (std::isinf(x)) {
    const std::string_view full = x < 0 ? "-Infinity" : "Infinity";
    if (full.size() <= static_cast<std::size_t>(w < 0 ? 0 : w)) return right_aligned(full, w);
    return right_aligned(x < 0 ? "-Inf" : "Inf", w);
  }
  // The largest finite double has 309 integer digits; to_chars in fixed notation with a
  // precision renders the exact binary value rounded to nearest, ties to even.
  std::string digits(std::numeric_limits<double>::max_exponent10 + 3 + d, '\0');
  const auto res = std::to_chars(digits.data(), digits.data() + digits.size(), std::fabs(x),
                                 std::chars_format::fixed, d);
  digits.resize(static_cast<std::size_t>(res.ptr - digits.data()));
  bool nonzero = false;
  for (const char c : digits) nonzero = nonzero || (c >= '1' && c <= '9');
  if (x < 0 && nonzero) digits.insert(digits.begin(), '-');
  return right_aligned(digits, w);
}

std::string_view trim_right(std::string_view s) {
  const auto last = s.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : trim_right(s.substr(first));
}

}  // namespace pelvano
