#include "input/membership.hpp"

#include <charconv>

#include "base/decimal.hpp"
#include "base/reader.hpp"

namespace pelvano {

namespace {

// "0." or "1." and one or more digits.
bool plain_fraction(std::string_view w) {
  if (w.size() < 3 || (w[0] != '0' && w[0] != '1') || w[1] != '.') return false;
  for (std::size_t i = 2; i < w.size(); ++i) {
    if (w[i] < '0' || w[i] > '9') return false;
  }
  return true;
}

}  // namespace

MembershipText read_membership(std::string_view text, bool units, Membership& m) {
  m = Membership{};
  if (plain_fraction(text)) {
    // As the programs print them, "0.123" or "1.000": taken as they are.
    if (text[0] == '1' && text.find_first_not_of('0', 2) != std::string_view::npos) {
      return MembershipText::out_of_range;
    }
    std::from_chars(text.data(), text.data() + text.size(), m.value);
    const std::size_t last = text.find_last_not_of('0');
    m.decimals = last > 1 ? static_cast<std::int64_t>(last) - 1 : 0;
    if (units && m.decimals <= most_decimals) {
      std::int64_t exact = text[0] - '0';
      for (std::size_t d = 2; d < 2 + most_decimals; ++d) {
        exact = exact * 10 + (d < text.size() ? text[d] - '0' : 0);
      }
      m.units = exact;
    }
    return MembershipText::ok;
  }
  PrintedReal printed;
  if (!read_printed_real(text, printed)) return MembershipText::unreadable;
  if (printed.negative || printed.above_one) return MembershipText::out_of_range;
  // From 0 to 1 a value always converts (one too small for single precision is 0).
  if (parse_real(text, m.value) != ReadError::none) return MembershipText::unreadable;
  m.decimals = printed.decimals;
  if (units && !exact_units(text, most_decimals, m.units)) m.units = 0;
  return MembershipText::ok;
}

}  // namespace pelvano
