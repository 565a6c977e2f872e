#include "input/run_logs.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include "base/listing.hpp"
#include "base/variables.hpp"
#include "input/q_folder.hpp"

namespace pelvano {

namespace {

constexpr std::int64_t largest_log = std::int64_t{16} << 20;

std::string_view trimmed(std::string_view s) {
  const std::size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string_view::npos) return {};
  const std::size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

// A real as the logs print it ("-29119887.412065", "-2.91199e+07"); false for anything else.
bool real(std::string_view text, double& value) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// The lines of a text, without their line ends.
std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t lf = std::min(text.find('\n', at), text.size());
    std::string_view line = text.substr(at, lf - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    at = lf + 1;
  }
  return lines;
}

// A row of the Fst table: "Pop3" at the start of the line (the header row begins with a
// tab), then a blank, a tab or nothing.
bool pop_row(std::string_view line) {
  if (!line.starts_with("Pop")) return false;
  std::size_t n = 3;
  while (n < line.size() && line[n] >= '0' && line[n] <= '9') ++n;
  return n > 3 && (n == line.size() || line[n] == ' ' || line[n] == '\t');
}

}  // namespace

AdmixtureLog read_admixture_log(std::string_view text, const std::string& name) {
  AdmixtureLog log;
  const std::vector<std::string_view> lines = lines_of(text);
  std::int64_t run_start = 0;   // the line of the banner of the run under way (0: none)
  bool run_summarised = false;  // that run reached its summary
  AdmixtureResult* block = nullptr;
  bool in_fst = false;
  std::int32_t pop_rows = 0;
  std::int32_t cv_k = 0;
  const auto close_block = [&] {
    if (block == nullptr) return;
    block->k = cv_k > 0 ? cv_k : pop_rows;
    if (!block->has_loglikelihood) {
      log.warnings.push_back("Warning: the ADMIXTURE result at line " + itoc(block->line) + " of " +
                             name + " has no final log-likelihood; it is not used.");
    }
    block = nullptr;
  };
  const auto close_run = [&] {
    if (run_start > 0 && !run_summarised) {
      log.warnings.push_back("Warning: the ADMIXTURE run starting at line " + itoc(run_start) +
                             " of " + name + " never reached its summary (it did not finish).");
    }
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = trimmed(lines[i]);
    const auto number = static_cast<std::int64_t>(i) + 1;
    if (line.find("ADMIXTURE Version") != std::string_view::npos) {
      close_block();
      close_run();
      log.admixture = true;
      run_start = number;
      run_summarised = false;
      continue;
    }
    if (line.starts_with("Summary:")) {
      close_block();
      log.admixture = true;
      run_summarised = true;
      log.results.push_back(AdmixtureResult{number, 0, 0, false, 0, false});
      block = &log.results.back();
      in_fst = false;
      pop_rows = 0;
      cv_k = 0;
      continue;
    }
    if (block == nullptr) continue;
    if (line.starts_with("Loglikelihood:") && !block->has_loglikelihood) {
      block->has_loglikelihood = real(line.substr(14), block->loglikelihood);
      if (!block->has_loglikelihood) {
        log.warnings.push_back("Warning: line " + itoc(number) + " of " + name +
                               " gives a log-likelihood that is not a real; it is not used.");
      }
    } else if (line.starts_with("Fst divergences")) {
      in_fst = true;
    } else if (in_fst && pop_row(lines[i])) {
      ++pop_rows;
    } else if (line.starts_with("CV error (K=")) {
      in_fst = false;
      const std::size_t close = line.find("):");
      std::int32_t k = 0;
      const std::string_view digits =
          close == std::string_view::npos ? "" : line.substr(12, close - 12);
      std::string_view value = close == std::string_view::npos ? "" : line.substr(close + 2);
      // Some versions add the standard error in parentheses.
      value = value.substr(0, std::min(value.find('('), value.size()));
      if (std::from_chars(digits.data(), digits.data() + digits.size(), k).ptr ==
              digits.data() + digits.size() &&
          k > 0 && real(value, block->cv)) {
        cv_k = k;
        block->has_cv = true;
      } else {
        log.warnings.push_back("Warning: line " + itoc(number) + " of " + name +
                               " is not a CV error line ADMIXTURE writes; it is not used.");
      }
    } else if (in_fst && !line.empty() && !line.starts_with("Pop")) {
      in_fst = false;
    }
  }
  close_block();
  close_run();
  return log;
}

bool read_ngsadmix_log(std::string_view text, double& like, std::int32_t& k, std::string& why) {
  k = 0;
  bool found = false;
  for (const std::string_view raw : lines_of(text)) {
    const std::string_view line = trimmed(raw);
    const std::size_t npop = line.find("nPop=");
    if (line.starts_with("Input:") && npop != std::string_view::npos) {
      const char* at = line.data() + npop + 5;
      std::from_chars(at, line.data() + line.size(), k);
    }
    if (line.starts_with("best like=") && !found) {
      const std::string_view rest = line.substr(10);
      if (!real(rest.substr(0, std::min(rest.find(' '), rest.size())), like)) {
        why = "its best like= is not a real";
        return false;
      }
      found = true;
    }
  }
  if (!found) why = "it has no line best like=";
  return found;
}

bool read_faststructure_log(std::string_view text, double& marginal, std::string& why) {
  for (const std::string_view line : lines_of(text)) {
    const std::size_t at = line.find("Marginal Likelihood");
    if (at == std::string_view::npos) continue;
    const std::size_t eq = line.find('=', at);
    if (eq == std::string_view::npos || !real(line.substr(eq + 1), marginal)) {
      why = "its Marginal Likelihood is not a real";
      return false;
    }
    return true;
  }
  why = "it has no line of Marginal Likelihood";
  return false;
}

namespace {

bool read_text(const std::string& file, std::string& text) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return !in.bad();
}

// Files no log is: the runs' inputs and outputs, and pelvano-plot's.
bool not_a_log(std::string_view name) {
  for (const std::string_view end :
       {".bed",  ".bim",    ".fam",  ".P",     ".Q",    ".meanQ", ".qopt", ".gz",
        ".Q_se", ".Q_bias", ".P_se", ".meanP", ".varQ", ".varP",  ".fopt", ".list",
        ".tsv",  ".svg",    ".html", ".pdf",   ".png",  ".error", ".K",    ".par"}) {
    if (name.ends_with(end)) return true;
  }
  return name.empty() || name[0] == '.';
}

std::string base_of(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

void warn(std::FILE* console, const std::string& line) {
  std::fputs((line + "\n").c_str(), console);
}

// ADMIXTURE: every log in the runs' folders, each result matched to one run.
void admixture_logs(Study& study, std::FILE* console) {
  std::map<std::string, std::vector<std::size_t>> runs_in;  // folder: its runs
  for (std::size_t i = 0; i < study.files.size(); ++i) {
    runs_in[parent_folder(study.files[i].name)].push_back(i);
  }
  std::map<std::size_t, std::vector<std::pair<std::string, AdmixtureResult>>> found;
  for (const auto& [folder, runs] : runs_in) {
    for (const std::string& name : list_matching(folder + "/", "*")) {
      const std::string file = folder + "/" + name;
      struct stat st {};
      if (not_a_log(name) || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
          st.st_size >= largest_log) {
        continue;
      }
      std::string text;
      if (!read_text(file, text)) {
        warn(console, "Warning: the file " + file + " cannot be read; it is not used as a log.");
        continue;
      }
      const AdmixtureLog log = read_admixture_log(text, file);
      if (!log.admixture) continue;
      for (const std::string& w : log.warnings) warn(console, w);
      for (const AdmixtureResult& r : log.results) {
        if (!r.has_loglikelihood) continue;
        std::vector<std::size_t> of_k;
        for (const std::size_t i : runs) {
          if (study.files[i].k == r.k) of_k.push_back(i);
        }
        std::vector<std::size_t> named;
        if (of_k.size() == 1) {
          named = of_k;
        } else {
          for (const std::size_t i : of_k) {
            if (name.find(run_name_stem(base_of(study.files[i].name))) != std::string::npos)
              named.push_back(i);
          }
        }
        if (named.size() != 1) {
          warn(console, "Warning: the ADMIXTURE result of K = " + itoc(r.k) + " at line " +
                            itoc(r.line) + " of " + file + " matches " +
                            (named.empty() ? std::string("no run") : "several runs") +
                            " in its folder; it is not used.");
          continue;
        }
        found[named.front()].emplace_back(file, r);
      }
    }
  }
  for (const auto& [i, results] : found) {
    StudyFile& f = study.files[i];
    if (results.size() > 1) {
      warn(console, "Warning: the run " + f.name + " has " +
                        itoc(static_cast<std::int64_t>(results.size())) +
                        " ADMIXTURE results (in " + results[0].first + " and " + results[1].first +
                        "); neither is used.");
      continue;
    }
    f.lnp = results[0].second.loglikelihood;
    if (results[0].second.has_cv) f.cv_error = results[0].second.cv;
  }
}

// NGSadmix and fastStructure: the log beside each run, named after it.
void logs_beside(Study& study, std::FILE* console, bool ngsadmix) {
  for (StudyFile& f : study.files) {
    const std::string log = ngsadmix ? f.name.substr(0, f.name.size() - 5) + ".log"
                                     : f.name.substr(0, f.name.size() - 6) + ".log";
    struct stat st {};
    if (::stat(log.c_str(), &st) != 0) continue;
    std::string text, why;
    if (!S_ISREG(st.st_mode) || st.st_size >= largest_log || !read_text(log, text)) {
      warn(console, "Warning: the log " + log + " cannot be read; " + f.name +
                        " is taken without its number.");
      continue;
    }
    double value = 0;
    std::int32_t k = 0;
    if (ngsadmix ? !read_ngsadmix_log(text, value, k, why)
                 : !read_faststructure_log(text, value, why)) {
      warn(console, "Warning: the log " + log + " cannot be used: " + why + ".");
      continue;
    }
    if (ngsadmix && k != f.k) {
      warn(console, "Warning: the log " + log + " is of nPop=" + itoc(k) + ", but " + f.name +
                        " has K = " + itoc(f.k) + "; it is not used.");
      continue;
    }
    f.lnp = value;
  }
}

}  // namespace

void read_run_logs(Study& study, std::FILE* console) {
  if (study.program == "ADMIXTURE") {
    admixture_logs(study, console);
  } else {
    logs_beside(study, console, study.program == "NGSadmix");
  }
}

}  // namespace pelvano
