// The mean memberships of modes as CLUMPP's output file prints them: each value as the C
// library's "%.4f" writes it, ties and values a hair either side of them included.
#include "report/modes_files.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace pelvano {
namespace {

TEST(ModesFiles, MeansAsPrintfWritesThem) {
  std::mt19937_64 rng(9);
  long checked = 0;
  for (long t = 0; t < 400000; ++t) {
    double v = 0;
    switch (t % 5) {
      case 0:  // binary fractions, among them exact ties at four decimals
        v = std::ldexp(static_cast<double>(rng() % (1u << 16)), -16);
        break;
      case 1:  // near the ties of the decimals
        v = static_cast<double>(rng() % 20001) / 20000.0;
        v = std::nextafter(v, rng() % 2 ? 2.0 : -1.0);
        break;
      case 2:
        v = static_cast<double>(rng() % 10001) / 10000.0;
        break;
      case 3:  // outside 0..1, left to the library
        v = (static_cast<double>(rng() % 2000001) - 1000000.0) / 1000.0;
        break;
      default:
        v = std::ldexp(static_cast<double>(rng() >> 11), -53);
    }
    char want[64], got[64];
    std::snprintf(want, sizeof want, "%.4f", v);
    *four_decimals(got, v) = '\0';
    ASSERT_STREQ(got, want) << "value " << v;
    ++checked;
  }
  EXPECT_EQ(checked, 400000);
}

}  // namespace
}  // namespace pelvano
