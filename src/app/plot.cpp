#include "app/plot.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <future>

#include "analysis/modes.hpp"
#include "analysis/puechmaille.hpp"
#include "app/driver.hpp"
#include "base/decimal.hpp"
#include "base/fatal.hpp"
#include "base/listing.hpp"
#include "base/output.hpp"
#include "base/variables.hpp"
#include "report/bar_rows.hpp"
#include "report/bars.hpp"
#include "report/clumpp.hpp"
#include "report/figure.hpp"
#include "report/modes_files.hpp"
#include "report/page.hpp"
#include "report/results.hpp"
#include "report/summary.hpp"
#include "report/table.hpp"

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
  return name.substr(name.rfind('/') + 1);
}

// The warning when the files name their individuals differently: one line, both files, the
// row and the field.
std::string renamed_line(const Study& study) {
  const RowDifference& d = *study.renamed;
  const auto shown = [](const std::string& v) { return v.empty() ? std::string("none") : v; };
  return "Warning: the Structure output files " + study.files.front().name + " and " +
         study.files[d.file].name + " differ in row " + itoc(d.row) + ": " + d.field + " " +
         shown(d.first) + " in the first, " + shown(d.second) +
         " in the second; pelvano-plot matches the individuals by their order in the files "
         "and names them as the first file does.";
}

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

void plot(Run& run) {
  BarPlot bars;
  if (!run.options.populations.empty()) {
    bars.populations = read_populations(run.options.populations, "pelvano-plot");
  }
  Study study;
  // The modes need the study alone: they are found while the analysis runs.
  std::future<std::vector<KModes>> modes_found;
  read_and_analyse(run, study, /*show_banner=*/false, /*keep_text=*/true, [&] {
    if (study.has_usepopinfo()) return;
    check_decimals(study);
    modes_found = std::async(std::launch::async,
                             [&study, first = run.KSTART, last = run.KEND, individuals = run.NIND,
                              threshold = run.options.mode_threshold] {
                               return modes_of_study(study, first, last, individuals, threshold);
                             });
  });
  StudySummary summary = summarise(run, study);
  const bool memberships = !study.has_usepopinfo();
  if (study.renamed && memberships) summary.renamed = renamed_line(study);
  if (!summary.renamed.empty()) std::fprintf(run.console, "%s\n", summary.renamed.c_str());
  if (!memberships) summary.usepopinfo = usepopinfo_line(study);

  Page page;
  const std::string modes_folder = companion_file_name(run, ".modes");
  std::future<void> modes_written;
  if (memberships) {
    page.modes = modes_found.get();
    // The folder of the modes is written meanwhile, beside everything else, which only reads
    // the modes.
    modes_written = std::async(std::launch::async,
                               [&] { write_modes_folder(modes_folder, study, page.modes); });
    bars.rows = run.options.best_runs ? run_rows(run, study) : mode_rows(study, page.modes);
    if (study.pop_column()) {
      std::vector<std::string> pop;
      for (const Individual& x : study.individuals) pop.push_back(x.pop);
      for (const Threshold& t : run.options.thresholds) {
        summary.puechmaille.push_back(puechmaille(study, run.KSTART, run.KEND, pop, t));
      }
    }
    bars.title = "the runs " + summary.generic + " in " + summary.folder;
    bars.individuals = study.individuals;
    bars.pop_column = study.pop_column();
    bars.keep_order = run.options.keep_order;
    bars.evanno = summary.evanno;
    bars.pritchard = summary.pritchard;
    bars.parsimony = summary.parsimony;
  }

  page.figure = figure_svg(summary);
  page.table_file = write(run, "Table in file", ".tsv", table_text(summary));
  page.figure_file = write(run, "Figure in file", ".svg", page.figure);
  const std::string clumpp_folder = companion_file_name(run, ".clumpp");
  if (memberships) {
    page.modes_file = write(run, "Modes in file", ".modes.tsv", modes_table_text(page.modes));
    page.modes_folder = base_name(modes_folder);
    for (const KModes& m : page.modes) {
      if (m.modes.size() > 1) std::fprintf(run.console, "%s\n", modes_line(m).c_str());
    }
    page.bars = bars_svg(bars);
    page.bars_file = write(run, "Bar plot in file", ".bars.svg", page.bars);
    page.colours_file =
        write(run, "Cluster colours in file", ".align.tsv", alignment_table_text(bars.rows));
    if (run.options.clumpp) {
      write_clumpp(clumpp_folder, run, study);
      std::fprintf(run.console, "CLUMPP files in folder: %s\n", clumpp_folder.c_str());
      page.clumpp_folder = base_name(clumpp_folder);
    }
  } else {
    // What the memberships gave in an earlier run no longer applies.
    remove_file(companion_file_name(run, ".bars.svg"));
    remove_file(companion_file_name(run, ".align.tsv"));
    remove_file(companion_file_name(run, ".modes.tsv"));
    remove_modes_folder(modes_folder);
    remove_clumpp(clumpp_folder);
  }
  page.results_file = base_name(run.ESTFILENAME);
  page.list_file = base_name(run.FILELISTNAME);
  page.results = results_text(run, study);
  page.rows = bars.rows;
  page.mode_threshold = run.options.mode_threshold.text;
  page.summary = std::move(summary);
  write(run, "Page in file", ".html", page_html(page));
  if (modes_written.valid()) modes_written.get();
  for (const Puechmaille& p : page.summary.puechmaille) {
    std::fprintf(run.console,
                 "Puechmaille's estimators at threshold %s: MedMeaK %d, MaxMeaK %d, MedMedK %d, "
                 "MaxMedK %d\n",
                 p.threshold.c_str(), p.estimate.medmea, p.estimate.maxmea, p.estimate.medmed,
                 p.estimate.maxmed);
  }
  if (memberships && !study.pop_column()) {
    std::fputs(
        "the Structure files have no Pop column; run Structure with PopData to get "
        "Puechmaille's estimators\n",
        run.console);
  }
  const StudySummary& s = page.summary;
  std::fprintf(run.console, "Best K: Evanno %s, Pritchard %d, Parsimony %d\n",
               s.evanno > 0 ? std::to_string(s.evanno).c_str() : "none", s.pritchard, s.parsimony);
  std::fflush(run.console);
}

}  // namespace pelvano
