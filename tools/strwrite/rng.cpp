#include "strwrite/exact.hpp"  // first: see there

#include "strwrite/rng.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pelvano::tools {

namespace {

std::uint64_t rotl(std::uint64_t x, int k) {
  return (x << k) | (x >> (64 - k));
}

}  // namespace

std::uint64_t splitmix64(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

Rng make_rng(std::uint64_t seed) {
  Rng r{};
  for (auto& w : r.s) w = splitmix64(seed);
  return r;
}

std::uint64_t next_u64(Rng& r) {
  const std::uint64_t result = rotl(r.s[1] * 5, 7) * 9;
  const std::uint64_t t = r.s[1] << 17;
  r.s[2] ^= r.s[0];
  r.s[3] ^= r.s[1];
  r.s[1] ^= r.s[2];
  r.s[0] ^= r.s[3];
  r.s[2] ^= t;
  r.s[3] = rotl(r.s[3], 45);
  return result;
}

double uniform01(Rng& r) {
  return static_cast<double>(next_u64(r) >> 11) * 0x1.0p-53;
}

double uniform_pos(Rng& r) {
  return static_cast<double>((next_u64(r) >> 11) + 1) * 0x1.0p-53;
}

double uniform(Rng& r, double lo, double hi) {
  return lo + (hi - lo) * uniform01(r);
}

int below(Rng& r, int n) {
  const int v = static_cast<int>(uniform01(r) * n);
  return v < n ? v : n - 1;
}

// From frexp and the atanh series.
double det_log(double x) {
  int e = 0;
  double m = std::frexp(x, &e);  // x = m * 2^e, m in [0.5, 1)
  if (m < 0.70710678118654752) {
    m *= 2.0;
    e -= 1;
  }
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  double t = 0.0;
  for (int k = 14; k >= 0; --k) t = 1.0 / (2 * k + 1) + s2 * t;
  return e * 0.69314718055994531 + 2.0 * s * t;
}

// Exponential by range reduction to |r| <= ln2/2 and a Taylor series.
double det_exp(double x) {
  if (x < -745.0) return 0.0;
  if (x > 709.0) x = 709.0;
  const double k = std::floor(x * 1.4426950408889634 + 0.5);
  const double r = (x - k * 0.693147180369123816490) - k * 1.90821492927058770002e-10;
  double p = 1.0;
  for (int n = 20; n >= 1; --n) p = 1.0 + r * p / n;
  return std::ldexp(p, static_cast<int>(k));
}

// Marsaglia polar method.
double normal(Rng& r) {
  for (;;) {
    const double u = 2.0 * uniform01(r) - 1.0;
    const double v = 2.0 * uniform01(r) - 1.0;
    const double s = u * u + v * v;
    if (s > 0.0 && s < 1.0) return u * std::sqrt(-2.0 * det_log(s) / s);
  }
}

// Marsaglia and Tsang, with the boost for a < 1.
double gamma_draw(Rng& r, double a) {
  if (a < 1.0) {
    const double g = gamma_draw(r, a + 1.0);
    return g * det_exp(det_log(uniform_pos(r)) / a);
  }
  const double d = a - 1.0 / 3.0;
  const double c = 1.0 / std::sqrt(9.0 * d);
  for (;;) {
    const double x = normal(r);
    double v = 1.0 + c * x;
    if (v <= 0.0) continue;
    v = v * v * v;
    const double u = uniform_pos(r);
    if (u < 1.0 - 0.0331 * x * x * x * x) return d * v;
    if (det_log(u) < 0.5 * x * x + d * (1.0 - v + det_log(v))) return d * v;
  }
}

void dirichlet(Rng& r, const std::vector<double>& alpha, std::vector<double>& out) {
  out.resize(alpha.size());
  double sum = 0.0;
  for (std::size_t i = 0; i < alpha.size(); ++i) sum += (out[i] = gamma_draw(r, alpha[i]));
  if (sum > 0.0) {
    for (double& v : out) v /= sum;
    return;
  }
  // Every component underflowed: put everything on the largest parameter.
  const auto top = std::max_element(alpha.begin(), alpha.end()) - alpha.begin();
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = (static_cast<long>(i) == top) ? 1.0 : 0.0;
}

std::vector<int> permutation(Rng& r, int n) {
  std::vector<int> p(n);
  for (int i = 0; i < n; ++i) p[i] = i;
  for (int i = n - 1; i > 0; --i) std::swap(p[i], p[below(r, i + 1)]);
  return p;
}

}  // namespace pelvano::tools
