#include "report/results.hpp"

#include <map>

#include "analysis/analysis.hpp"
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

std::string runs_per_k(const Run& run) {
  if (!uneven_runs(run)) return itoc(run.NRUN);
  std::map<std::int32_t, std::int32_t> times;  // how many K have each number of runs
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) ++times[run.KRUN(k)];
  std::int32_t common = 0;
  std::int32_t most = 0;
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    if (times[run.KRUN(k)] > most) {
      most = times[run.KRUN(k)];
      common = run.KRUN(k);
    }
  }
  std::string text = itoc(common);
  const char* separator = ", except ";
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    if (run.KRUN(k) == common) continue;
    text += separator + ("K = " + itoc(k)) + ": " + itoc(run.KRUN(k));
    separator = ", ";
  }
  return text;
}

bool uneven_runs(const Run& run) {
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    if (run.KRUN(k) != run.NRUN) return true;
  }
  return false;
}

std::string report_text(const ReportValues& v) {
  std::string out;
  put(out, "Input file for Pelvano: " + v.fname);
  put(out, "Structure output file names in file: " + v.filelistname);
  put(out, "Number of sampled individuals: " + itoc(v.nind));
  put(out, "Number of runs per K value: " + v.runs);
  put(out, "Range of K values: [" + itoc(v.kstart) + ", " + itoc(v.kend) + "]");

  put(out, "");
  put(out, line.substr(0, 46));
  put(out, textfield("K", 4) + textfield("Mean_Ln(D|K)", 14) + textfield("DeltaK", 14) +
               textfield("Parsimony", 14));
  put(out, line.substr(0, 46));
  for (std::int32_t k = v.kstart; k <= v.kend; ++k) {
    const auto at = static_cast<std::size_t>(k - v.kstart);
    std::string row = intfield(k, 4) + fixedfield(v.mean[at], 14, 2);
    if (k == v.kstart || k == v.kend) {
      row += textfield("-", 14);
    } else {
      row += fixedfield(v.deltak[at], 14, 4);
    }
    row += fixedfield(v.parsimony[at], 14, 4);
    put(out, row);
  }

  put(out, "");
  put(out, line.substr(0, 20));
  put(out, textfield("Method", 10) + textfield("Best_K", 10));
  put(out, line.substr(0, 20));
  put(out, textfield("Evanno", 10) + intfield(v.evanno, 10));
  put(out, textfield("Pritchard", 10) + intfield(v.pritchard, 10));
  put(out, textfield("Parsimony", 10) + intfield(v.parsimony_k, 10));

  put(out, "");
  put(out, line.substr(0, 18));
  put(out, "Parsimony method:");
  put(out, line.substr(0, 18));
  put(out, "  Best K = " + itoc(v.parsimony_k));
  put(out, "  Best replicate run = " + itoc(v.best_run));
  put(out, "  Best output file = " + (v.best_file.empty() ? std::string("none") : v.best_file));
  return out;
}

std::string results_text(const Run& run, const Study& study) {
  ReportValues v;
  v.fname = run.fname;
  v.filelistname = run.FILELISTNAME;
  v.nind = run.NIND;
  v.runs = runs_per_k(run);
  v.kstart = run.KSTART;
  v.kend = run.KEND;
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    v.mean.push_back(run.X(k, 1));
    v.deltak.push_back(k > run.KSTART && k < run.KEND ? run.DELTAK(k) : 0.0);
    v.parsimony.push_back(run.Q2(1, k));
  }
  v.evanno = run.evanno_best;
  v.pritchard = run.pritchard_best;
  v.parsimony_k = run.IDX;
  v.best_run = run.BESTREP(run.IDX);
  v.best_file = best_output_file(run, study, run.IDX);
  return banner_text() + report_text(v);
}

void write_results(const Run& run, const Study& study) {
  replace_file(run.ESTFILENAME, results_text(run, study));
  std::fputs("Analysis finished.\n", run.console);
  std::fputs(("Results in file: " + run.ESTFILENAME + "\n").c_str(), run.console);
  std::fflush(run.console);
}

}  // namespace pelvano
