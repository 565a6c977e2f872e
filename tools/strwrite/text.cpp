#include "strwrite/exact.hpp"  // first: see there

#include "strwrite/text.hpp"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace pelvano::tools {

void appendf(std::string& out, const char* fmt, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buf) {
    out.append(buf, static_cast<std::size_t>(n));
    return;
  }
  std::vector<char> big(static_cast<std::size_t>(n) + 1);
  va_start(ap, fmt);
  std::vsnprintf(big.data(), big.size(), fmt, ap);
  va_end(ap);
  out.append(big.data(), static_cast<std::size_t>(n));
}

std::string fixed(double v, int dec) {
  static const long long scale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  const long long n = std::llround(v * static_cast<double>(scale[dec]));
  const unsigned long long a =
      n < 0 ? static_cast<unsigned long long>(-n) : static_cast<unsigned long long>(n);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%llu.%0*llu", n < 0 ? "-" : "", a / scale[dec], dec,
                a % scale[dec]);
  return buf;
}

void append_milli(std::string& out, long long m) {
  appendf(out, "%lld.%03lld", m / 1000, m % 1000);
}

}  // namespace pelvano::tools
