#include "analysis/puechmaille.hpp"

#include <algorithm>
#include <map>

namespace pelvano {

namespace {

using Wide = __int128;

Wide power_of_ten(int n) {
  Wide p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

// The median of counts; of an even number of them, the mean of the two middle ones rounded
// up, so that it stays a whole number.
std::int32_t median_count(std::vector<std::int32_t> counts) {
  std::sort(counts.begin(), counts.end());
  const std::size_t n = counts.size();
  if (n == 0) return 0;
  if (n % 2 == 1) return counts[n / 2];
  return (counts[n / 2 - 1] + counts[n / 2] + 1) / 2;
}

}  // namespace

std::pair<std::int32_t, std::int32_t> clusters_above(const std::vector<std::int64_t>& q,
                                                     std::int32_t k,
                                                     const std::vector<std::string>& pop,
                                                     int decimals, const Threshold& threshold) {
  // t = digits / 10^places; a value v in units is above t when v * 10^places > digits *
  // 10^decimals.
  const Wide t = static_cast<Wide>(threshold.digits) * power_of_ten(decimals);
  const Wide scale = power_of_ten(threshold.places);

  std::map<std::string, std::vector<std::size_t>> members;
  for (std::size_t i = 0; i < pop.size(); ++i) members[pop[i]].push_back(i);
  std::int32_t by_mean = 0, by_median = 0;
  std::vector<std::int64_t> values;
  for (std::size_t c = 0; c < static_cast<std::size_t>(k); ++c) {
    bool mean_above = false, median_above = false;
    for (const auto& [p, who] : members) {
      values.clear();
      Wide sum = 0;
      for (const std::size_t i : who) {
        values.push_back(q[i * static_cast<std::size_t>(k) + c]);
        sum += values.back();
      }
      const auto n = static_cast<Wide>(values.size());
      mean_above = mean_above || sum * scale > t * n;
      std::sort(values.begin(), values.end());
      const std::size_t m = values.size() / 2;
      const Wide twice_median = values.size() % 2 == 1
                                    ? 2 * static_cast<Wide>(values[m])
                                    : static_cast<Wide>(values[m - 1]) + values[m];
      median_above = median_above || twice_median * scale > 2 * t;
    }
    by_mean += mean_above;
    by_median += median_above;
  }
  return {by_mean, by_median};
}

Puechmaille puechmaille(const Study& study, std::int32_t kfirst, std::int32_t klast,
                        const std::vector<std::string>& pop, const Threshold& threshold) {
  Puechmaille out;
  out.threshold = threshold.text;
  for (std::int32_t k = kfirst; k <= klast; ++k) {
    PuechmailleK v;
    v.k = k;
    std::vector<std::int32_t> mean, median;
    for (std::int32_t r = 1; r <= study.runs(k); ++r) {
      const auto [a, b] =
          clusters_above(study.file(k, r).units, v.k, pop, most_decimals, threshold);
      mean.push_back(a);
      median.push_back(b);
    }
    v.medmea = median_count(mean);
    v.maxmea = mean.empty() ? 0 : *std::max_element(mean.begin(), mean.end());
    v.medmed = median_count(median);
    v.maxmed = median.empty() ? 0 : *std::max_element(median.begin(), median.end());
    out.estimate.medmea = std::max(out.estimate.medmea, v.medmea);
    out.estimate.maxmea = std::max(out.estimate.maxmea, v.maxmea);
    out.estimate.medmed = std::max(out.estimate.medmed, v.medmed);
    out.estimate.maxmed = std::max(out.estimate.maxmed, v.maxmed);
    out.ks.push_back(v);
  }
  return out;
}

}  // namespace pelvano
