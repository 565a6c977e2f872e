#include "report/modes_files.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <set>

#include "base/fatal.hpp"
#include "base/listing.hpp"
#include "base/output.hpp"
#include "base/parallel.hpp"
#include "report/bar_rows.hpp"
#include "report/clumpp.hpp"
#include "report/table.hpp"

namespace pelvano {

namespace {

std::string optional_cell(const std::optional<double>& x) {
  return x ? real_cell(*x) : "";
}

std::string k_name(std::int32_t k) {
  return "K" + std::to_string(k);
}

// What follows "K<number>" at the start of a name ("" when it does not start so).
std::string after_k(const std::string& name) {
  std::size_t p = 1;
  if (name.size() < 2 || name[0] != 'K') return "";
  while (p < name.size() && name[p] >= '0' && name[p] <= '9') ++p;
  return p > 1 ? name.substr(p) : "";
}

// Whether a name is one of the files this program always writes into the folder.
bool modes_file(const std::string& name) {
  const std::string rest = after_k(name);
  if (rest == ".similarity.tsv" || rest == ".runs.tsv") return true;
  if (!rest.starts_with(".mode")) return false;
  std::string number;
  if (rest.ends_with(".meanq")) {
    number = rest.substr(5, rest.size() - 11);
  } else if (rest.ends_with(".tsv")) {
    number = rest.substr(5, rest.size() - 9);
  }
  return !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
}

// Or one it writes with --aligned-runs too (the runs aligned).
bool any_modes_file(const std::string& name) {
  return modes_file(name) || after_k(name) == ".aligned.tsv";
}

std::string similarity_text(const KModes& m) {
  const auto r = static_cast<std::size_t>(m.runs);
  std::string out = "Run";
  for (std::size_t b = 0; b < r; ++b) out += '\t' + std::to_string(b + 1);
  out += '\n';
  for (std::size_t a = 0; a < r; ++a) {
    out += std::to_string(a + 1);
    for (std::size_t b = 0; b < r; ++b) out += '\t' + real_cell(m.similarity[a * r + b]);
    out += '\n';
  }
  return out;
}

std::string runs_text(const Study& study, const KModes& m) {
  std::string out = "Run\tMode\tSimilarity_to_reference\tPermutation\tFile\n";
  for (std::size_t a = 0; a < static_cast<std::size_t>(m.runs); ++a) {
    std::string permutation;
    for (const int c : m.to_reference[a]) {
      permutation += (permutation.empty() ? "" : " ") + std::to_string(c + 1);
    }
    out += std::to_string(a + 1) + '\t' + std::to_string(m.mode[a]) + '\t' +
           real_cell(m.similarity_to_reference[a]) + '\t' + permutation + '\t' +
           text_cell(study.file(m.k, static_cast<std::int32_t>(a) + 1).name) + '\n';
  }
  return out;
}

// A mode's mean memberships in the layout of CLUMPP's output file.
std::string meanq_text(const KModes& m, std::size_t mode, const std::vector<std::string>& lines) {
  const auto k = static_cast<std::size_t>(m.k);
  const std::vector<double>& mean = m.modes[mode].mean;
  std::string out;
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + k * 34;  // room for any value
  out.resize(size);
  char* at = out.data();
  for (std::size_t x = 0; x < lines.size(); ++x) {
    at = std::copy(lines[x].begin(), lines[x].end(), at);
    for (std::size_t c = 0; c < k; ++c) {
      if (c > 0) *at++ = ' ';
      at = four_decimals(at, mean[x * k + c]);
    }
    *at++ = '\n';
  }
  out.resize(static_cast<std::size_t>(at - out.data()));
  return out;
}

// The first cells of each individual's row in the tables of memberships: its number, label,
// Pop value and the name of its population (its Pop value when --populations names none).
std::vector<std::string> individual_cells(const Study& study) {
  std::vector<std::string> cells;
  for (std::size_t x = 0; x < study.individuals.size(); ++x) {
    const Individual& i = study.individuals[x];
    std::string name = i.group;
    for (const auto& [pop, named] : study.group_names) {
      if (pop == i.group) {
        name = named;
        break;
      }
    }
    cells.push_back(std::to_string(x + 1) + '\t' + text_cell(i.label) + '\t' + text_cell(i.group) +
                    '\t' + text_cell(name));
  }
  return cells;
}

std::string cluster_heads(std::int32_t k) {
  std::string heads;
  for (std::int32_t c = 1; c <= k; ++c) heads += "\tCluster_" + std::to_string(c);
  return heads;
}

// A mode's mean memberships with a row per individual, its clusters in the order of their
// colours (`cluster`: the mode's cluster of each colour, from 0).
std::string mode_table_text(const KModes& m, std::size_t mode,
                            const std::vector<std::size_t>& cluster,
                            const std::vector<std::string>& cells) {
  const auto k = static_cast<std::size_t>(m.k);
  const std::vector<double>& mean = m.modes[mode].mean;
  std::string out = "Individual\tLabel\tPop\tPop_name" + cluster_heads(m.k) + "\n";
  char value[40];
  for (std::size_t x = 0; x < cells.size(); ++x) {
    out += cells[x];
    for (std::size_t j = 0; j < k; ++j) {
      out += '\t';
      out.append(value, four_decimals(value, mean[x * k + cluster[j]]));
    }
    out += '\n';
  }
  return out;
}

// Every run of K, its memberships as printed, its clusters in the colours' order: each run
// aligned to its mode's reference run, whose cluster of colour j is cluster[mode][j].
std::string aligned_text(const Study& study, const KModes& m,
                         const std::vector<std::vector<std::size_t>>& cluster,
                         const std::vector<std::string>& cells) {
  const auto k = static_cast<std::size_t>(m.k);
  std::string out = "Run\tFile\tMode\tIndividual\tLabel\tPop\tPop_name" + cluster_heads(m.k) + "\n";
  std::vector<std::string_view> words(k);
  for (std::size_t a = 0; a < static_cast<std::size_t>(m.runs); ++a) {
    const StudyFile& file = study.file(m.k, static_cast<std::int32_t>(a) + 1);
    const std::string head = std::to_string(a + 1) + '\t' + text_cell(file.name) + '\t' +
                             std::to_string(m.mode[a]) + '\t';
    const std::vector<std::size_t>& colours = cluster[static_cast<std::size_t>(m.mode[a] - 1)];
    for (std::size_t x = 0; x < cells.size(); ++x) {
      const std::string_view row = file.memberships(x);
      for (std::size_t c = 0, at = 0; c < k; ++c) {
        const std::size_t end = std::min(row.find(' ', at), row.size());
        words[c] = row.substr(at, end - at);
        at = end + 1;
      }
      out += head;
      out += cells[x];
      for (std::size_t j = 0; j < k; ++j) {
        out += '\t';
        out += words[static_cast<std::size_t>(m.to_reference[a][colours[j]])];
      }
      out += '\n';
    }
  }
  return out;
}

// The cluster of each colour (from 0), for colours numbered from 1.
std::vector<std::size_t> clusters_by_colour(const std::vector<int>& colour) {
  std::vector<std::size_t> cluster(colour.size());
  for (std::size_t c = 0; c < colour.size(); ++c) {
    cluster[static_cast<std::size_t>(colour[c] - 1)] = c;
  }
  return cluster;
}

}  // namespace

// A value as printf's "%.4f" writes it: the exact value of the double, rounded to four
// decimals (a tie to the even last digit). From 0 to 1, away from a tie, the product with
// 10000 rounds to the same whole number as the exact value, and its six characters are
// written at `at`; anything else is left to the library. Returns the end of what it wrote.
char* four_decimals(char* at, double v) {
  if (v >= 0 && v <= 1) {
    const double x = v * 10000.0;
    const double whole = std::floor(x);
    const double fraction = x - whole;
    if (std::fabs(fraction - 0.5) > 1e-6) {
      const auto n = static_cast<int>(fraction < 0.5 ? whole : whole + 1);
      at[0] = static_cast<char>('0' + n / 10000);
      at[1] = '.';
      at[2] = static_cast<char>('0' + n / 1000 % 10);
      at[3] = static_cast<char>('0' + n / 100 % 10);
      at[4] = static_cast<char>('0' + n / 10 % 10);
      at[5] = static_cast<char>('0' + n % 10);
      return at + 6;
    }
  }
  return std::to_chars(at, at + 32, v, std::chars_format::fixed, 4).ptr;
}

std::string modes_table_text(const Study& study, const std::vector<KModes>& ks) {
  std::string out =
      "K\tMode\tRuns\tOf\tRun_numbers\tReference_run\tMean_similarity\tMin_similarity\tH_prime\t"
      "Mean_LnP\tRun_files\n";
  for (const KModes& m : ks) {
    for (std::size_t i = 0; i < m.modes.size(); ++i) {
      const Mode& mode = m.modes[i];
      std::string runs, files;
      for (const std::int32_t r : mode.runs) {
        runs += (runs.empty() ? "" : ",") + std::to_string(r);
        files += (files.empty() ? "" : "|") + study.file(m.k, r).name;
      }
      out += std::to_string(m.k) + '\t' + std::to_string(i + 1) + '\t' +
             std::to_string(mode.runs.size()) + '\t' + std::to_string(m.runs) + '\t' + runs + '\t' +
             std::to_string(mode.reference) + '\t' + optional_cell(mode.mean_similarity) + '\t' +
             optional_cell(mode.min_similarity) + '\t' + optional_cell(mode.h_prime) + '\t' +
             real_cell(mode.mean_lnp) + '\t' + text_cell(files) + '\n';
    }
  }
  return out;
}

void write_modes_folder(const std::string& folder, const Study& study,
                        const std::vector<KModes>& ks, bool aligned_runs) {
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    stop_on_file_error("create", folder, errno);
  }
  std::vector<std::string> lines;  // each individual's line up to and including its " : "
  for (std::size_t x = 0; x < study.individuals.size(); ++x) {
    lines.push_back(individual_line(study, x));
  }
  const std::vector<std::string> cells = individual_cells(study);
  // The colours of every mode's clusters, as the bar plot of the modes draws them.
  const std::vector<BarRow> rows = mode_rows(study, ks);
  // Every file one task (of K its similarities, its runs, or one mode's means), written on
  // all cores; a failure stops the run with the first failing file in this order.
  struct Task {
    const KModes* m;
    int mode;  // -3: the runs aligned, -2: similarities, -1: runs, else the mode (from 0)
    std::string name;
    bool table;  // a mode's table (else its .meanq file)
  };
  std::vector<Task> tasks;
  // Of each K, the cluster of each colour in each mode's reference run.
  std::vector<std::vector<std::vector<std::size_t>>> by_colour(ks.size());
  for (std::size_t j = 0, r = 0; j < ks.size(); ++j) {
    for (std::size_t i = 0; i < ks[j].modes.size(); ++i, ++r) {
      by_colour[j].push_back(clusters_by_colour(rows[r].colour));
    }
  }
  for (const KModes& m : ks) {
    tasks.push_back({&m, -2, k_name(m.k) + ".similarity.tsv", false});
    tasks.push_back({&m, -1, k_name(m.k) + ".runs.tsv", false});
    for (std::size_t i = 0; i < m.modes.size(); ++i) {
      const std::string stem = k_name(m.k) + ".mode" + std::to_string(i + 1);
      tasks.push_back({&m, static_cast<int>(i), stem + ".meanq", false});
      tasks.push_back({&m, static_cast<int>(i), stem + ".tsv", true});
    }
    if (aligned_runs) tasks.push_back({&m, -3, k_name(m.k) + ".aligned.tsv", false});
  }
  for_each_in_order(tasks.size(), [&](std::size_t t, NoState&) {
    const Task& task = tasks[t];
    const auto mode = static_cast<std::size_t>(task.mode);
    const auto& colours = by_colour[static_cast<std::size_t>(task.m - ks.data())];
    const std::string text = task.mode == -3   ? aligned_text(study, *task.m, colours, cells)
                             : task.mode == -2 ? similarity_text(*task.m)
                             : task.mode == -1 ? runs_text(study, *task.m)
                             : task.table ? mode_table_text(*task.m, mode, colours[mode], cells)
                                          : meanq_text(*task.m, mode, lines);
    replace_file(folder + "/" + task.name, text);
    return true;
  });
  std::set<std::string> written;
  for (const Task& task : tasks) written.insert(task.name);
  // Without --aligned-runs, the runs an earlier run aligned stay as they are.
  remove_stale_files(folder, aligned_runs ? any_modes_file : modes_file, written, false);
}

void remove_modes_folder(const std::string& folder) {
  remove_stale_files(folder, any_modes_file, {}, true);
}

std::string modes_line(const KModes& m) {
  std::string sizes;
  for (std::size_t i = 0; i < m.modes.size(); ++i) {
    if (i > 0) sizes += i + 1 == m.modes.size() ? " and " : ", ";
    sizes += std::to_string(m.modes[i].runs.size());
  }
  return "K = " + std::to_string(m.k) + ": " + std::to_string(m.modes.size()) + " modes, of " +
         sizes + " of " + std::to_string(m.runs) + " runs";
}

}  // namespace pelvano
