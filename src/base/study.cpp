#include "base/study.hpp"

#include <algorithm>
#include <cassert>

#include "base/decimal.hpp"

namespace pelvano {

std::int32_t Study::runs(std::int32_t k) const {
  const auto at = runs_of.find(k);
  return at == runs_of.end() ? 0 : static_cast<std::int32_t>(at->second.size());
}

std::int32_t Study::most_runs() const {
  std::size_t most = 0;
  for (const auto& of_k : runs_of) most = std::max(most, of_k.second.size());
  return static_cast<std::int32_t>(most);
}

bool Study::uneven_runs() const {
  for (const auto& of_k : runs_of) {
    if (of_k.second.size() != runs_of.begin()->second.size()) return true;
  }
  return false;
}

const StudyFile& Study::file(std::int32_t k, std::int32_t r) const {
  const std::vector<std::size_t>& runs = runs_of.at(k);
  assert(r >= 1 && static_cast<std::size_t>(r) <= runs.size());
  return files[runs.at(static_cast<std::size_t>(r - 1))];
}

std::vector<std::int64_t> membership_units(const StudyFile& file, int decimals) {
  assert(decimals >= file.decimals && decimals <= most_decimals);
  assert(file.units.size() == file.q.size());
  std::int64_t scale = 1;
  for (int d = decimals; d < most_decimals; ++d) scale *= 10;
  std::vector<std::int64_t> units(file.units.size());
  // Each value needs at most `decimals` decimals: the division is exact.
  for (std::size_t v = 0; v < units.size(); ++v) units[v] = file.units[v] / scale;
  return units;
}

std::vector<double> normalised_memberships(const StudyFile& file) {
  assert(file.units.size() == file.q.size());
  const auto k = static_cast<std::size_t>(file.k);
  // Units and their scale are whole numbers below 2^53, exact as doubles: their quotient is
  // the double nearest the decimal.
  double scale = 1;
  for (int d = 0; d < most_decimals; ++d) scale *= 10;
  std::vector<double> q(file.units.size());
  for (std::size_t i = 0; i + k <= q.size(); i += k) {
    double* row = q.data() + i;
    double sum = 0;
    for (std::size_t x = 0; x < k; ++x) {
      row[x] = static_cast<double>(file.units[i + x]) / scale;
      sum += row[x];
    }
    if (sum != 0) {
      for (std::size_t x = 0; x < k; ++x) row[x] = row[x] / sum;
    }
  }
  return q;
}

}  // namespace pelvano
