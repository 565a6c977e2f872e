#include "base/decimal.hpp"

#include <cassert>
#include <cmath>

namespace pelvano {

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A printed real taken apart: its digits (the point left out), of which `first` to `last`
// are the significant ones, and the power of ten of the last one. value = digits[first..last]
// x 10^power; zero when there is no significant digit.
struct Parts {
  bool negative_sign = false;
  std::string_view mantissa;  // with its point
  std::int64_t first = -1;    // positions among the digits, the point not counted
  std::int64_t last = -1;
  std::int64_t power = 0;
  std::size_t letter = 0;  // the position of the exponent's letter (the length: none)
};

bool take_apart(std::string_view t, Parts& p) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) p.negative_sign = t[i++] == '-';
  const std::size_t start = i;
  std::int64_t digits = 0, fraction = 0;
  bool point = false;
  for (; i < t.size(); ++i) {
    if (is_digit(t[i])) {
      if (t[i] != '0') {
        if (p.first < 0) p.first = digits;
        p.last = digits;
      }
      ++digits;
      fraction += point ? 1 : 0;
    } else if (t[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  p.mantissa = t.substr(start, i - start);
  p.letter = i;
  std::int64_t exponent = 0;
  if (i < t.size()) {
    const char e = t[i++];
    if (e != 'e' && e != 'E' && e != 'd' && e != 'D') return false;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i == t.size()) return false;
    for (; i < t.size(); ++i) {
      if (!is_digit(t[i])) return false;
      // Beyond a billion the exponent's size no longer matters: hold it there.
      if (exponent < 1000000000) exponent = exponent * 10 + (t[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  p.power = exponent - fraction + (digits - 1 - p.last);
  return true;
}

// The digit at position `at` among the mantissa's digits.
char digit_at(std::string_view mantissa, std::int64_t at) {
  for (const char c : mantissa) {
    if (c == '.') continue;
    if (at-- == 0) return c;
  }
  return '0';
}

}  // namespace

std::size_t real_form(std::string_view text) {
  Parts p;
  return take_apart(text, p) ? p.letter : std::string_view::npos;
}

bool read_printed_real(std::string_view text, PrintedReal& out) {
  Parts p;
  if (!take_apart(text, p)) return false;
  out = PrintedReal{};
  if (p.first < 0) return true;  // zero, whatever its sign
  out.negative = p.negative_sign;
  out.decimals = p.power < 0 ? -p.power : 0;
  // The value lies in [10^(n + power - 1), 10^(n + power)) for n significant digits.
  const std::int64_t magnitude = (p.last - p.first + 1) + p.power;
  const bool one = p.first == p.last && digit_at(p.mantissa, p.first) == '1';
  out.above_one = magnitude >= 2 || (magnitude == 1 && !one);
  return true;
}

bool exact_units(std::string_view text, int decimals, std::int64_t& units) {
  Parts p;
  if (!take_apart(text, p)) return false;
  if (p.first < 0) {
    units = 0;
    return true;
  }
  const std::int64_t shift = p.power + decimals;
  if (shift < 0 || shift > 18) return false;
  std::int64_t v = 0;
  std::int64_t at = 0;
  for (const char c : p.mantissa) {
    if (c == '.') continue;
    if (at >= p.first && at <= p.last &&
        (__builtin_mul_overflow(v, 10, &v) || __builtin_add_overflow(v, c - '0', &v))) {
      return false;
    }
    ++at;
  }
  for (std::int64_t s = 0; s < shift; ++s) {
    if (__builtin_mul_overflow(v, 10, &v)) return false;
  }
  units = p.negative_sign ? -v : v;
  return true;
}

bool read_threshold(std::string_view text, Threshold& out) {
  if (text.size() > 1 && text[0] == '0') text.remove_prefix(1);
  if (text.size() < 2 || text.size() > 10 || text[0] != '.' ||
      text.find_first_not_of("0123456789", 1) != std::string_view::npos) {
    return false;
  }
  while (text.back() == '0') text.remove_suffix(1);
  if (text.size() < 2) return false;  // zero
  out.text = "0" + std::string(text);
  out.digits = 0;
  for (const char c : text.substr(1)) out.digits = out.digits * 10 + (c - '0');
  out.places = static_cast<int>(text.size()) - 1;
  return true;
}

Threshold threshold_of(std::string_view text) {
  Threshold t;
  [[maybe_unused]] const bool read = read_threshold(text, t);
  assert(read);
  return t;
}

bool at_least(double value, const Threshold& threshold) {
  // threshold = digits / 10^places.
  const __int128 digits = threshold.digits;
  __int128 scale = 1;
  for (int i = 0; i < threshold.places; ++i) scale *= 10;
  if (!(value > 0)) return false;  // NaN, or not above 0
  if (value >= 1) return true;
  // value = mantissa x 2^-shift exactly, with a mantissa of 53 bits.
  int exponent = 0;
  const double f = std::frexp(value, &exponent);  // value = f x 2^exponent, f in [0.5, 1)
  if (exponent < -40) return false;               // below 2^-41, far below any threshold
  const auto mantissa = static_cast<__int128>(std::ldexp(f, 53));
  const int shift = 53 - exponent;  // at most 93
  return mantissa * scale >= digits << shift;
}

}  // namespace pelvano
