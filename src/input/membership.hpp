// One membership as a file prints it: a real from 0 to 1, taken from its text exactly.
// Structure's ancestry rows and the memberships files of the other programs print them
// alike ("0.123", "0.123456", now and then "1e-06").
#pragma once

#include <cstdint>
#include <string_view>

namespace pelvano {

// What the text of one membership gives.
struct Membership {
  float value = 0;            // the single-precision value nearest the decimal
  std::int64_t decimals = 0;  // the decimals it needs to be held exactly
  // Its exact value in units of 10^-most_decimals (when asked for; 0 when it needs more
  // decimals).
  std::int64_t units = 0;
};

enum class MembershipText {
  ok,
  unreadable,    // not a real
  out_of_range,  // a real, but not from 0 to 1
};

// Reads one membership; its exact units too when `units` is true.
MembershipText read_membership(std::string_view text, bool units, Membership& m);

}  // namespace pelvano
