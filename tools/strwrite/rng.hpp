// Random numbers for strwrite: a self-contained xoshiro256** generator and the draws built on
// it. Every transcendental function the draws need is computed here with plain arithmetic, so
// the same seed gives the same numbers with any compiler and C library.
#pragma once

#include <cstdint>
#include <vector>

namespace pelvano::tools {

struct Rng {
  std::uint64_t s[4];
};

// One step of splitmix64; advances x.
std::uint64_t splitmix64(std::uint64_t& x);
// A generator whose state is filled from `seed` by splitmix64.
Rng make_rng(std::uint64_t seed);
std::uint64_t next_u64(Rng& r);

// Uniform in [0, 1).
double uniform01(Rng& r);
// Uniform in (0, 1].
double uniform_pos(Rng& r);
double uniform(Rng& r, double lo, double hi);
// Integer in [0, n).
int below(Rng& r, int n);

// Natural logarithm; x must be positive and finite.
double det_log(double x);
double det_exp(double x);

// Standard normal draw.
double normal(Rng& r);
// Gamma(shape a, scale 1) draw.
double gamma_draw(Rng& r, double a);
// Dirichlet draw with parameters alpha (all positive) into out.
void dirichlet(Rng& r, const std::vector<double>& alpha, std::vector<double>& out);
// A random order of 0 .. n-1.
std::vector<int> permutation(Rng& r, int n);

}  // namespace pelvano::tools
