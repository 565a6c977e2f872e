#include "base/study.hpp"

#include <cassert>

#include "base/decimal.hpp"

namespace pelvano {

std::int32_t Study::runs(std::int32_t k) const {
  const auto at = runs_of.find(k);
  return at == runs_of.end() ? 0 : static_cast<std::int32_t>(at->second.size());
}

const StudyFile& Study::file(std::int32_t k, std::int32_t r) const {
  const std::vector<std::size_t>& runs = runs_of.at(k);
  assert(r >= 1 && static_cast<std::size_t>(r) <= runs.size());
  return files[runs.at(static_cast<std::size_t>(r - 1))];
}

std::vector<std::int64_t> membership_units(const StudyFile& file, int decimals) {
  assert(decimals >= file.decimals && decimals <= most_decimals);
  std::vector<std::int64_t> units(file.q.size(), 0);
  const auto k = static_cast<std::size_t>(file.k);
  for (std::size_t i = 0; i + 1 < file.q_start.size(); ++i) {
    const std::string_view text = file.memberships(i);
    std::int64_t* out = units.data() + i * k;
    // A prior row has no text and stays at 0.
    for (std::size_t p = 0; p < text.size();) {
      const std::size_t end = std::min(text.find(' ', p), text.size());
      // Memberships lie from 0 to 1 and need at most `decimals` decimals: they always fit.
      [[maybe_unused]] const bool exact = exact_units(text.substr(p, end - p), decimals, *out++);
      assert(exact);
      p = end + 1;
    }
  }
  return units;
}

}  // namespace pelvano
