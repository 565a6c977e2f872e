#include "report/axis.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "report/svg.hpp"

namespace pelvano {

namespace {

int decimals_for(double step) {
  for (int d = 0; d < 12; ++d) {
    const double scaled = step * std::pow(10.0, d);
    if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * scaled) return d;
  }
  return 12;
}

}  // namespace

Axis nice_axis(double lo, double hi, int ticks) {
  if (lo > hi) std::swap(lo, hi);
  const double mag = std::max(std::fabs(lo), std::fabs(hi));
  if (!(hi - lo > mag * 1e-9)) {
    const double mid = lo / 2 + hi / 2;
    const double pad = mag > 0 ? mag * 0.05 : 1.0;
    lo = mid - pad;
    hi = mid + pad;
  }
  const double raw = (hi - lo) / std::max(ticks, 1);
  const double base = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / base;
  const double m = f <= 1 ? 1 : f <= 2 ? 2 : f <= 2.5 ? 2.5 : f <= 5 ? 5 : 10;
  const double step = m * base;
  return Axis{std::floor(lo / step + 1e-9) * step, std::ceil(hi / step - 1e-9) * step, step};
}

std::vector<double> axis_ticks(const Axis& a) {
  const double first = std::round(a.first / a.step);
  const auto n = static_cast<std::int64_t>(std::llround((a.last - a.first) / a.step));
  std::vector<double> ticks;
  for (std::int64_t i = 0; i <= n && i <= 1000; ++i) {
    ticks.push_back((first + static_cast<double>(i)) * a.step);
  }
  return ticks;
}

std::string tick_label(double value, double step) {
  const double mag = std::max(std::fabs(value), step);
  if (mag >= 1e9 || step < 1e-6) {
    // Too many digits for fixed notation: as many significant digits as the step needs.
    if (value == 0) return "0";
    const int digits =
        static_cast<int>(std::floor(std::log10(std::fabs(value))) - std::floor(std::log10(step)));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                   std::clamp(digits, 0, 15));
    return std::string(buf, res.ptr);
  }
  return fixed(value, decimals_for(step));
}

}  // namespace pelvano
