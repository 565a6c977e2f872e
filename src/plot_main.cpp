// pelvano-plot: the per-K table and the figure of a study, beside Pelvano's results file.
#include <cstdio>

#include "control/driver.hpp"
#include "report/figure.hpp"
#include "report/summary.hpp"
#include "report/table.hpp"
#include "textio/output.hpp"

namespace {

void plot(pelvano::Run& run) {
  pelvano::read_and_analyse(run, /*show_banner=*/false);
  const pelvano::StudySummary summary = pelvano::summarise(run);
  const std::string table = pelvano::companion_file_name(run, ".tsv");
  pelvano::replace_file(table, pelvano::table_text(summary));
  std::fprintf(run.console, "Table in file: %s\n", table.c_str());
  const std::string figure = pelvano::companion_file_name(run, ".svg");
  pelvano::replace_file(figure, pelvano::figure_svg(summary));
  std::fprintf(run.console, "Figure in file: %s\n", figure.c_str());
  std::fflush(run.console);
}

}  // namespace

int main(int argc, char** argv) {
  return pelvano::main_entry(argc, argv, "pelvano-plot", plot);
}
