// The files pelvano-plot writes beside the results file (or with --out into its folder), each
// described once in one list: what is written, its name, its console line, its link on the page,
// its lines in --help, when it is written and when an earlier run's copy is removed. A new output
// is a new entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.hpp"
#include "base/study.hpp"
#include "base/tables.hpp"
#include "report/bars.hpp"
#include "report/page.hpp"

namespace pelvano {

// What every writer works from: the run, its study and findings, and what earlier writers
// made for later ones (the page shows the figure and the bar plot).
struct Made {
  const Run& run;
  const Study& study;
  const Findings& found;
  BarPlot bars;        // with memberships: the bar plot's rows and how they are drawn
  std::string figure;  // the SVG documents, once written
  std::string bar_plot;
  std::vector<PageLink> links;  // the files written so far, for the page
};

// When an output is written.
enum class Needs {
  nothing,      // always
  memberships,  // when every individual has memberships
  option,       // with memberships, when the command line asks for it
};

struct PlotOutput {
  std::string_view suffix;   // after the stem: ".tsv"; a folder's ends with "/"
  std::string_view console;  // the console line's label, "Table in file" ("": no line)
  std::string_view link;     // what the page's link says ("": not linked)
  int link_place = 0;        // where the page lists it: the lowest first
  std::string_view help;     // what --help says of it; its further lines indented by 16
  Needs needs = Needs::nothing;
  bool (*asked)(const Options&) = nullptr;  // Needs::option: whether it is asked for
  // A file: its text. A folder: writes its files into it (the folder's name), and removes
  // them (and the folder when it is left empty).
  std::string (*text)(Made&) = nullptr;
  void (*write_folder)(const std::string& folder, const Made&) = nullptr;
  void (*remove_folder)(const std::string& folder) = nullptr;
  // Written on another core while the outputs after it are made (it needs nothing they
  // make); the run waits for it before the closing lines.
  bool alongside = false;
  // Further console lines after its own (each ending with a line feed).
  std::string (*console_after)(const Made&) = nullptr;
  // Written only when --format asks for it (and `needs` allows), removed otherwise: another
  // output rendered in a further format.
  bool (*format_asked)(const Options&) = nullptr;
};

// Every output, in the order they are written.
const std::vector<PlotOutput>& plot_outputs();

// The list of files for --help: for each output its suffix and what it holds.
std::string outputs_help();

// The name of a file beside the results file, named like it (`extension` includes its
// dot), or after the program when the generic name is "*".
std::string companion_file_name(const Run& run, std::string_view extension);

// Writes every output the study and the command line call for, one console line each, and
// removes what an earlier run wrote that no longer applies; then the closing console lines
// (Puechmaille's estimators and every method's best K).
void write_plot_outputs(const Run& run, const Study& study, const Findings& found);

}  // namespace pelvano
