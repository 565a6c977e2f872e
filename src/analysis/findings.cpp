#include "analysis/findings.hpp"

#include <future>

#include "analysis/analysis.hpp"
#include "analysis/puechmaille.hpp"
#include "base/decimal.hpp"
#include "base/fatal.hpp"

namespace pelvano {

namespace {

// Every membership must be compared exactly, as printed.
void check_decimals(const Study& study) {
  for (const StudyFile& f : study.files) {
    if (f.decimals > most_decimals) {
      stoponerror("The memberships of file " + f.name +
                  " have more decimals than pelvano-plot can compare exactly!");
    }
  }
}

}  // namespace

Findings find(Run& run, const Study& study) {
  Findings found;
  // The modes need the study alone: they are found while the analysis runs.
  std::future<std::vector<KModes>> modes;
  if (study.has_memberships()) {
    check_decimals(study);
    modes = std::async(std::launch::async,
                       [&study, first = run.KSTART, last = run.KEND, individuals = run.NIND,
                        threshold = run.options.mode_threshold] {
                         return modes_of_study(study, first, last, individuals, threshold);
                       });
  }
  analyse(run);
  choose(run);
  found.summary = summarise(run, study);
  if (modes.valid()) found.modes = modes.get();
  if (study.has_memberships() && study.has_groups()) {
    std::vector<std::string> groups;
    for (const Individual& x : study.individuals) groups.push_back(x.group);
    for (const Threshold& t : run.options.thresholds) {
      found.summary.puechmaille.push_back(puechmaille(study, run.KSTART, run.KEND, groups, t));
    }
  }
  return found;
}

}  // namespace pelvano
