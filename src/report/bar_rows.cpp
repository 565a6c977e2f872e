#include "report/bar_rows.hpp"

#include <cmath>

#include "analysis/alignment.hpp"

namespace pelvano {

std::vector<BarRow> mode_rows(const Study& study, const std::vector<KModes>& modes) {
  std::vector<std::vector<double>> majors;
  for (const KModes& m : modes) majors.push_back(m.modes.front().mean);
  if (majors.empty()) return {};
  const std::vector<std::vector<int>> colours =
      align_colours(majors, modes.front().k, modes.front().individuals);
  std::vector<BarRow> rows;
  for (std::size_t j = 0; j < modes.size(); ++j) {
    const KModes& m = modes[j];
    const std::int32_t major = m.modes.front().reference;
    for (std::size_t i = 0; i < m.modes.size(); ++i) {
      const Mode& mode = m.modes[i];
      BarRow row;
      row.k = m.k;
      row.run = mode.reference;
      row.file = study.file(m.k, mode.reference).name;
      row.mean = &mode.mean;
      row.mode = static_cast<std::int32_t>(i) + 1;
      row.mode_text = mode_runs_text(m, i, bar_dot);
      // Where no two runs agree, the first row is one run as much as the others: named too.
      if (i == 0 && none_agree(m)) row.mode_text += bar_dot + row.file;
      row.files.push_back(row.file);
      for (const std::int32_t r : mode.runs) {
        if (r != mode.reference) row.files.push_back(study.file(m.k, r).name);
      }
      if (i == 0) {
        row.colour = colours[j];
      } else {
        // The major mode's cluster c is this mode's cluster p[c].
        const std::vector<int> p = alignment(m, mode.reference, major);
        row.colour.assign(p.size(), 0);
        for (std::size_t c = 0; c < p.size(); ++c) {
          row.colour[static_cast<std::size_t>(p[c])] = colours[j][c];
        }
      }
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

std::vector<BarRow> run_rows(const Run& run, const Study& study) {
  std::vector<BarRow> rows;
  std::vector<std::vector<std::int64_t>> q;
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    const StudyFile& rep = study.file(k, representative_run(run, k));
    q.push_back(membership_units(rep, study.decimals));
    BarRow row;
    row.k = k;
    row.run = rep.run;
    row.file = rep.name;
    row.q.assign(q.back().begin(), q.back().end());
    row.unit = std::pow(10.0, study.decimals);
    rows.push_back(std::move(row));
  }
  const std::vector<std::vector<int>> colours = align_colours(q, run.KSTART, run.NIND);
  for (std::size_t j = 0; j < rows.size(); ++j) rows[j].colour = colours[j];
  return rows;
}

}  // namespace pelvano
