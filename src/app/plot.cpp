#include "app/plot.hpp"

#include "analysis/findings.hpp"
#include "input/run_input.hpp"
#include "report/outputs.hpp"

namespace pelvano {

void plot(Run& run) {
  const Study study = read_input(run, /*keep_text=*/true);
  const Findings found = find(run, study);
  write_plot_outputs(run, study, found);
}

}  // namespace pelvano
