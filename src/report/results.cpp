#include "report/results.hpp"

#include "base/fatal.hpp"
#include "base/format.hpp"
#include "base/output.hpp"
#include "base/variables.hpp"

namespace pelvano {

namespace {

void put(std::string& out, std::string_view text) {
  out += text;
  out += '\n';
}

}  // namespace

namespace {

// The report as it follows the banner in the results file.
std::string report_text(const Run& run, const StudySummary& s) {
  const KSummary& best = s.ks[static_cast<std::size_t>(s.parsimony - s.ks.front().k)];
  std::string out;
  put(out, "Input file for Pelvano: " + run.fname);
  put(out, "Structure output file names in file: " + run.FILELISTNAME);
  put(out, "Number of sampled individuals: " + itoc(s.nind));
  put(out, "Number of runs per K value: " + s.runs);
  put(out, "Range of K values: [" + itoc(s.ks.front().k) + ", " + itoc(s.ks.back().k) + "]");

  put(out, "");
  put(out, line.substr(0, 46));
  put(out, textfield("K", 4) + textfield("Mean_Ln(D|K)", 14) + textfield("DeltaK", 14) +
               textfield("Parsimony", 14));
  put(out, line.substr(0, 46));
  for (const KSummary& k : s.ks) {
    std::string row = intfield(k.k, 4) + fixedfield(k.mean, 14, 2);
    // The first and the last K have no DeltaK.
    row += k.deltak ? fixedfield(*k.deltak, 14, 4) : textfield("-", 14);
    row += fixedfield(k.parsimony, 14, 4);
    put(out, row);
  }

  put(out, "");
  put(out, line.substr(0, 20));
  put(out, textfield("Method", 10) + textfield("Best_K", 10));
  put(out, line.substr(0, 20));
  put(out, textfield("Evanno", 10) + intfield(s.evanno, 10));
  put(out, textfield("Pritchard", 10) + intfield(s.pritchard, 10));
  put(out, textfield("Parsimony", 10) + intfield(s.parsimony, 10));

  put(out, "");
  put(out, line.substr(0, 18));
  put(out, "Parsimony method:");
  put(out, line.substr(0, 18));
  put(out, "  Best K = " + itoc(s.parsimony));
  put(out, "  Best replicate run = " + itoc(best.best_run));
  put(out,
      "  Best output file = " + (best.best_file.empty() ? std::string("none") : best.best_file));
  return out;
}

}  // namespace

std::string results_text(const Run& run, const StudySummary& s) {
  return banner_text() + report_text(run, s);
}

void write_results(const Run& run, const StudySummary& s) {
  replace_file(run.ESTFILENAME, results_text(run, s));
  std::fputs("Analysis finished.\n", run.console);
  std::fputs(("Results in file: " + run.ESTFILENAME + "\n").c_str(), run.console);
  std::fflush(run.console);
}

}  // namespace pelvano
