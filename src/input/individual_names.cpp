#include "input/individual_names.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "base/decimal.hpp"
#include "base/fatal.hpp"
#include "base/listing.hpp"
#include "base/variables.hpp"
#include "input/ancestry_row.hpp"

namespace pelvano {

namespace {

// The lines of a text file without their line ends (LF or CR LF); a last line without a
// line end counts, an empty last line does not. False when it cannot be read.
bool read_lines(const std::string& file, std::vector<std::string>& lines) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lines.empty() && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    lines.push_back(std::move(line));
  }
  return !in.bad();
}

[[noreturn]] void stop_on_count(const std::string& file, std::size_t lines, const Study& study) {
  stoponerror("File " + file + " names " + itoc(static_cast<std::int64_t>(lines)) +
              " individuals, but the memberships file " + study.files.front().name + " has " +
              itoc(study.files.front().individuals) + "!");
}

// A whole file of text lines, or the run stops naming it.
std::vector<std::string> lines_of(const std::string& file, const std::string& option) {
  std::vector<std::string> lines;
  if (!read_lines(file, lines)) {
    stoponerror("File " + file + " (" + option + ") cannot be read!");
  }
  // Empty lines after the last individual are the file's end, not individuals.
  while (!lines.empty() && lines.back().find_first_not_of(" \t") == std::string::npos) {
    lines.pop_back();
  }
  return lines;
}

// Each group's mean memberships, printed with the file's decimals (at least the six the
// programs print), rounded half up from their exact sums; then the group's size.
std::vector<std::vector<std::string>> group_table(const StudyFile& f,
                                                  const std::vector<std::size_t>& group_of,
                                                  std::size_t groups) {
  const int decimals = std::min(std::max(f.decimals, 6), most_decimals);
  const std::vector<std::int64_t> units = membership_units(f, decimals);
  const auto k = static_cast<std::size_t>(f.k);
  std::vector<__int128> sum(groups * k, 0);
  std::vector<std::int64_t> size(groups, 0);
  for (std::size_t i = 0; i < group_of.size(); ++i) {
    ++size[group_of[i]];
    for (std::size_t c = 0; c < k; ++c) sum[group_of[i] * k + c] += units[i * k + c];
  }
  std::vector<std::vector<std::string>> table;
  for (std::size_t g = 0; g < groups; ++g) {
    std::vector<std::string> row{std::to_string(g + 1)};
    for (std::size_t c = 0; c < k; ++c) {
      const __int128 n = size[g];
      const auto mean = static_cast<std::int64_t>((2 * sum[g * k + c] + n) / (2 * n));
      std::string digits = std::to_string(mean);
      if (digits.size() <= static_cast<std::size_t>(decimals)) {
        digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
      }
      digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
      row.push_back(std::move(digits));
    }
    row.push_back(std::to_string(size[g]));
    table.push_back(std::move(row));
  }
  return table;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> read_group_order(const std::string& file) {
  const auto usage = [&](const std::string& what) {
    throw FatalError{
        "pelvano-plot: --populations " + file + ": " + what + " (see pelvano-plot --help)",
        FatalKind::usage};
  };
  std::vector<std::string> lines;
  if (!read_lines(file, lines)) usage("cannot be read");
  std::vector<std::pair<std::string, std::string>> out;
  std::map<std::string, std::size_t> line_of;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::size_t tab = line.find('\t');
    std::string name = line.substr(0, tab);
    std::string shown = tab == std::string::npos ? name : line.substr(tab + 1);
    if (shown.empty()) shown = name;
    const auto [at, fresh] = line_of.emplace(name, n + 1);
    if (!fresh) {
      usage("line " + itoc(static_cast<std::int64_t>(n) + 1) + " names group " + name +
            " again (first on line " + itoc(static_cast<std::int64_t>(at->second)) + ")");
    }
    out.emplace_back(std::move(name), std::move(shown));
  }
  return out;
}

std::string fam_file_to_use(const Run& run, const std::string& folder) {
  if (!run.options.fam.empty()) return run.options.fam;
  const std::vector<std::string> fams = list_matching(folder + "/", "*.fam");
  if (fams.size() == 1) {
    const std::string fam = folder + "/" + fams.front();
    std::fputs(("The individuals' labels and groups come from " + fam +
                ", the one .fam file in the folder.\n")
                   .c_str(),
               run.console);
    return fam;
  }
  if (fams.size() > 1) {
    std::fputs(("The folder holds " + itoc(static_cast<std::int64_t>(fams.size())) +
                " .fam files: none is used; name one with --fam.\n")
                   .c_str(),
               run.console);
  }
  return "";
}

void name_individuals(Run& run, Study& study, const std::string& fam,
                      const std::vector<std::pair<std::string, std::string>>& order) {
  const auto n = static_cast<std::size_t>(study.files.front().individuals);
  std::vector<std::string> labels;
  std::vector<std::string> groups;
  if (!fam.empty()) {
    const std::vector<std::string> lines = lines_of(fam, "--fam");
    if (lines.size() != n) stop_on_count(fam, lines.size(), study);
    std::vector<std::string_view> words;
    std::vector<std::string> families;
    for (std::size_t i = 0; i < n; ++i) {
      split_words(lines[i], words);
      if (words.size() != 6) {
        stoponerror("File " + fam + ", line " + itoc(static_cast<std::int64_t>(i) + 1) + ": " +
                    itoc(static_cast<std::int64_t>(words.size())) +
                    " words, not the six of a .fam line (family, individual, father, mother, "
                    "sex, phenotype)!");
      }
      families.emplace_back(words[0]);
      labels.emplace_back(words[1]);
    }
    // PLINK's import sets every family to the individual or to 0: then they are no groups.
    std::map<std::string, int> count;
    bool shared = false;
    for (const std::string& f : families) shared = shared || ++count[f] == 2;
    const bool all_zero = count.size() == 1 && count.begin()->first == "0";
    if (shared && !all_zero) groups = std::move(families);
  }
  if (!run.options.groups.empty()) {
    groups = lines_of(run.options.groups, "--groups");
    if (groups.size() != n) stop_on_count(run.options.groups, groups.size(), study);
    for (std::size_t i = 0; i < n; ++i) {
      if (groups[i].empty()) {
        stoponerror("File " + run.options.groups + ", line " +
                    itoc(static_cast<std::int64_t>(i) + 1) + " names no group: it is empty!");
      }
    }
  }

  // The groups in the order given, then in order of first appearance.
  std::vector<std::string> named;  // each number's group, from 1
  std::map<std::string, std::size_t> number;
  for (const auto& [group, shown] : order) {
    if (std::find(groups.begin(), groups.end(), group) != groups.end() &&
        number.emplace(group, named.size()).second) {
      named.push_back(group);
      study.group_names.emplace_back(std::to_string(named.size()), shown);
    }
  }
  for (const std::string& group : groups) {
    if (number.emplace(group, named.size()).second) {
      named.push_back(group);
      study.group_names.emplace_back(std::to_string(named.size()), group);
    }
  }
  study.numbered_groups = named;
  std::vector<std::size_t> group_of(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    Individual x;
    x.number = std::to_string(i + 1);
    x.miss = "(0)";
    if (!labels.empty()) x.label = labels[i];
    if (!groups.empty()) {
      group_of[i] = number[groups[i]];
      x.group = std::to_string(group_of[i] + 1);
    }
    study.individuals.push_back(std::move(x));
  }
  if (groups.empty()) return;
  for (StudyFile& f : study.files) {
    f.groups = true;
    // Values of more decimals than can be held exactly stop the run before anything is drawn.
    if (f.decimals <= most_decimals) f.group_table = group_table(f, group_of, named.size());
  }
}

}  // namespace pelvano
