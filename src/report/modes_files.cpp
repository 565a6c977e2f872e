#include "report/modes_files.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <set>

#include "base/fatal.hpp"
#include "base/listing.hpp"
#include "base/output.hpp"
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

// Whether a name is one of the files this program writes into the folder.
bool modes_file(const std::string& name) {
  std::size_t p = 1;
  if (name.size() < 2 || name[0] != 'K') return false;
  while (p < name.size() && name[p] >= '0' && name[p] <= '9') ++p;
  if (p == 1) return false;
  const std::string rest = name.substr(p);
  if (rest == ".similarity.tsv" || rest == ".runs.tsv") return true;
  if (!rest.starts_with(".mode") || !rest.ends_with(".meanq")) return false;
  const std::string number = rest.substr(5, rest.size() - 11);
  return !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
}

void remove_unwritten(const std::string& folder, const std::set<std::string>& written) {
  for (const std::string& name : list_matching(folder + "/", "K*")) {
    if (modes_file(name) && written.count(name) == 0) ::unlink((folder + "/" + name).c_str());
  }
}

}  // namespace

std::string modes_table_text(const std::vector<KModes>& ks) {
  std::string out =
      "K\tMode\tRuns\tOf\tRun_numbers\tReference_run\tMean_similarity\tMin_similarity\tH_prime\t"
      "Mean_LnP\n";
  for (const KModes& m : ks) {
    for (std::size_t i = 0; i < m.modes.size(); ++i) {
      const Mode& mode = m.modes[i];
      std::string runs;
      for (const std::int32_t r : mode.runs) runs += (runs.empty() ? "" : ",") + std::to_string(r);
      out += std::to_string(m.k) + '\t' + std::to_string(i + 1) + '\t' +
             std::to_string(mode.runs.size()) + '\t' + std::to_string(m.runs) + '\t' + runs + '\t' +
             std::to_string(mode.reference) + '\t' + optional_cell(mode.mean_similarity) + '\t' +
             optional_cell(mode.min_similarity) + '\t' + optional_cell(mode.h_prime) + '\t' +
             real_cell(mode.mean_lnp) + '\n';
    }
  }
  return out;
}

void write_modes_folder(const std::string& folder, const Study& study,
                        const std::vector<KModes>& ks) {
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    stop_on_file_error("create", folder, errno);
  }
  std::vector<std::string> lines;  // each individual's line up to and including its " : "
  for (std::size_t x = 0; x < study.individuals.size(); ++x)
    lines.push_back(individual_line(study, x));
  std::set<std::string> written;
  const auto put = [&](const std::string& name, const std::string& text) {
    replace_file(folder + "/" + name, text);
    written.insert(name);
  };
  for (const KModes& m : ks) {
    const auto r = static_cast<std::size_t>(m.runs);
    const auto k = static_cast<std::size_t>(m.k);
    std::string similarity = "Run";
    for (std::size_t b = 0; b < r; ++b) similarity += '\t' + std::to_string(b + 1);
    similarity += '\n';
    for (std::size_t a = 0; a < r; ++a) {
      similarity += std::to_string(a + 1);
      for (std::size_t b = 0; b < r; ++b) similarity += '\t' + real_cell(m.similarity[a * r + b]);
      similarity += '\n';
    }
    put(k_name(m.k) + ".similarity.tsv", similarity);

    std::string runs = "Run\tMode\tSimilarity_to_reference\tPermutation\n";
    for (std::size_t a = 0; a < r; ++a) {
      std::string permutation;
      for (const int c : m.to_reference[a]) {
        permutation += (permutation.empty() ? "" : " ") + std::to_string(c + 1);
      }
      runs += std::to_string(a + 1) + '\t' + std::to_string(m.mode[a]) + '\t' +
              real_cell(m.similarity_to_reference[a]) + '\t' + permutation + '\n';
    }
    put(k_name(m.k) + ".runs.tsv", runs);

    for (std::size_t i = 0; i < m.modes.size(); ++i) {
      std::string meanq;
      meanq.reserve(lines.size() * (24 + 7 * k));
      for (std::size_t x = 0; x < lines.size(); ++x) {
        meanq += lines[x];
        for (std::size_t c = 0; c < k; ++c) {
          // As printf's "%.4f" gives it: the exact value of the double, rounded.
          char buf[32];
          const auto end = std::to_chars(buf, buf + sizeof buf, m.modes[i].mean[x * k + c],
                                         std::chars_format::fixed, 4)
                               .ptr;
          if (c > 0) meanq += ' ';
          meanq.append(buf, end);
        }
        meanq += '\n';
      }
      put(k_name(m.k) + ".mode" + std::to_string(i + 1) + ".meanq", meanq);
    }
  }
  remove_unwritten(folder, written);
}

void remove_modes_folder(const std::string& folder) {
  remove_unwritten(folder, {});
  ::rmdir(folder.c_str());  // only when nothing else is left in it
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
