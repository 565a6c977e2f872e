#include "app/plot.hpp"

#include <cstdio>

#include "analysis/alignment.hpp"
#include "analysis/puechmaille.hpp"
#include "app/driver.hpp"
#include "input/individuals.hpp"
#include "report/bars.hpp"
#include "report/clumpp.hpp"
#include "report/figure.hpp"
#include "report/page.hpp"
#include "report/results.hpp"
#include "report/summary.hpp"
#include "report/table.hpp"
#include "base/format.hpp"
#include "base/output.hpp"

namespace pelvano {

namespace {

// Writes a file beside the results file and gives its name there.
std::string write(const Run& run, const char* what, const char* extension,
                  const std::string& text) {
  const std::string name = companion_file_name(run, extension);
  replace_file(name, text);
  std::fprintf(run.console, "%s: %s\n", what, name.c_str());
  return name.substr(name.rfind('/') + 1);
}

std::string base_name(const std::string& name) {
  return std::string(trim_right(name.substr(name.rfind('/') + 1)));
}

}  // namespace

void plot(Run& run) {
  BarPlot bars;
  if (!run.options.populations.empty()) {
    bars.populations = read_populations(run.options.populations, "pelvano-plot");
  }
  read_and_analyse(run, /*show_banner=*/false);
  const StudyRows rows = read_rows(run);
  StudySummary summary = summarise(run);

  // Each K's representative run, its clusters coloured alike across K.
  std::vector<std::vector<std::int64_t>> q;
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    const RunRows& rep = rows.run(k, representative_run(run, k));
    bars.rows.push_back(BarRow{k, rep.r, rep.file, {}, units_of(rep, rows.decimals)});
    q.push_back(bars.rows.back().q);
  }
  const auto colours = align_colours(q, run.KSTART, run.NIND);
  for (std::size_t j = 0; j < bars.rows.size(); ++j) bars.rows[j].colour = colours[j];
  if (rows.pop_column) {
    std::vector<std::string> pop;
    for (const Individual& x : rows.individuals) pop.push_back(x.pop);
    std::vector<std::vector<std::vector<std::int64_t>>> runs;
    for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
      runs.emplace_back();
      for (std::int32_t r = 1; r <= run.NRUN; ++r) {
        runs.back().push_back(units_of(rows.run(k, r), rows.decimals));
      }
    }
    for (const std::string& t : run.options.thresholds) {
      summary.puechmaille.push_back(puechmaille(runs, run.KSTART, pop, rows.decimals, t));
    }
  }
  bars.title = "the runs " + summary.generic + " in " + summary.folder;
  bars.individuals = rows.individuals;
  bars.pop_column = rows.pop_column;
  bars.keep_order = run.options.keep_order;
  bars.decimals = rows.decimals;
  bars.evanno = summary.evanno;
  bars.pritchard = summary.pritchard;
  bars.parsimony = summary.parsimony;

  Page page;
  page.figure = figure_svg(summary);
  page.bars = bars_svg(bars);
  page.table_file = write(run, "Table in file", ".tsv", table_text(summary));
  page.figure_file = write(run, "Figure in file", ".svg", page.figure);
  page.bars_file = write(run, "Bar plot in file", ".bars.svg", page.bars);
  page.colours_file =
      write(run, "Cluster colours in file", ".align.tsv", alignment_table_text(bars.rows));
  if (run.options.clumpp) {
    const std::string folder = companion_file_name(run, ".clumpp");
    write_clumpp(folder, run, rows);
    std::fprintf(run.console, "CLUMPP files in folder: %s\n", folder.c_str());
    page.clumpp_folder = base_name(folder);
  }
  page.results_file = base_name(run.ESTFILENAME);
  page.list_file = base_name(run.FILELISTNAME);
  page.results = results_text(run);
  page.representatives = bars.rows;
  page.summary = std::move(summary);
  write(run, "Page in file", ".html", page_html(page));
  for (const Puechmaille& p : page.summary.puechmaille) {
    std::fprintf(run.console,
                 "Puechmaille's estimators at threshold %s: MedMeaK %d, MaxMeaK %d, MedMedK %d, "
                 "MaxMedK %d\n",
                 p.threshold.c_str(), p.estimate.medmea, p.estimate.maxmea, p.estimate.medmed,
                 p.estimate.maxmed);
  }
  if (!rows.pop_column) {
    std::fputs(
        "the Structure files have no Pop column; run Structure with PopData to get "
        "Puechmaille's estimators\n",
        run.console);
  }
  std::fflush(run.console);
}

}  // namespace pelvano
