#include "report/clumpp.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "base/fatal.hpp"
#include "base/listing.hpp"
#include "base/output.hpp"
#include "report/table.hpp"

namespace pelvano {

namespace {

std::string printed(const char* format, int a, int b = 0) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

std::string paramfile(std::int32_t k, const Run& run, bool pop) {
  const std::string stem = "K" + std::to_string(k);
  std::string s = "DATATYPE 0\nINDFILE " + stem + ".indfile\n";
  if (pop) s += "POPFILE " + stem + ".popfile\n";
  s += "OUTFILE " + stem + ".outfile\nMISCFILE " + stem + ".miscfile\nK " + std::to_string(k) +
       "\nC " + std::to_string(run.NIND) + "\nR " + std::to_string(run.KRUN(k)) + "\nM " +
       (k == 1 ? "2" : "3") + "\nW 0\nS 2\nGREEDY_OPTION 2\nREPEATS 1000\nPERMUTATIONFILE " + stem +
       ".permutationfile\nPRINT_PERMUTED_DATA 0\nPERMUTED_DATAFILE " + stem +
       ".perm_datafile\nPRINT_EVERY_PERM 0\nEVERY_PERMFILE " + stem +
       ".every_permfile\nPRINT_RANDOM_INPUTORDER 0\nRANDOM_INPUTORDERFILE " + stem +
       ".random_inputorderfile\nOVERRIDE_WARNINGS 0\nORDER_BY_RUN 1\n";
  return s;
}

// Whether a name is one of the files this program writes into the folder: K<k>.indfile,
// .popfile or .paramfile.
bool clumpp_file(const std::string& name) {
  if (name == "groups.tsv") return true;
  const std::size_t dot = name.find('.');
  if (name.size() < 2 || name[0] != 'K' || dot == std::string::npos || dot < 2) return false;
  if (name.substr(1, dot - 1).find_first_not_of("0123456789") != std::string::npos) return false;
  const std::string kind = name.substr(dot + 1);
  return kind == "indfile" || kind == "popfile" || kind == "paramfile";
}

}  // namespace

std::string individual_line(const Study& study, std::size_t i) {
  const Individual& x = study.individuals[i];
  const int number = static_cast<int>(i) + 1;
  return printed("%3d %3d ", number, number) + x.miss +
         (study.has_groups() ? printed(" %2d : ", std::atoi(x.group.c_str()))
                             : std::string(" 1 : "));
}

void write_clumpp(const std::string& folder, const Run& run, const Study& study) {
  // The population file needs the files' table of pre-defined populations.
  bool pop_tables = false;
  for (const StudyFile& x : study.files) pop_tables = pop_tables || !x.group_table.empty();
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    stop_on_file_error("create", folder, errno);
  }
  std::set<std::string> written;
  for (std::int32_t k = run.KSTART; k <= run.KEND; ++k) {
    std::string ind, pop;
    for (std::int32_t r = 1; r <= run.KRUN(k); ++r) {
      const StudyFile& x = study.file(k, r);
      for (std::size_t i = 0; i < study.individuals.size(); ++i) {
        ind += individual_line(study, i) + std::string(x.memberships(i)) + "\n";
      }
      ind += "\n";
      for (const std::vector<std::string>& row : x.group_table) {
        pop += printed("%3d:", std::atoi(row[0].c_str())) + "\t";
        for (std::size_t c = 1; c + 1 < row.size(); ++c) pop += (c > 1 ? " " : "") + row[c];
        pop += "\t" + row.back() + "\n";
      }
      pop += "\n";
    }
    const std::string stem = "K" + std::to_string(k);
    replace_file(folder + "/" + stem + ".indfile", ind);
    written.insert(stem + ".indfile");
    if (pop_tables) {
      replace_file(folder + "/" + stem + ".popfile", pop);
      written.insert(stem + ".popfile");
    }
    replace_file(folder + "/" + stem + ".paramfile", paramfile(k, run, pop_tables));
    written.insert(stem + ".paramfile");
  }
  // Groups the reading numbered: which number is which group.
  if (!study.numbered_groups.empty()) {
    std::vector<std::int64_t> size(study.numbered_groups.size(), 0);
    for (const Individual& x : study.individuals) ++size[std::stoul(x.group) - 1];
    std::string groups = "Pop\tGroup\tPop_name\tIndividuals\n";
    for (std::size_t g = 0; g < size.size(); ++g) {
      groups += std::to_string(g + 1) + "\t" + text_cell(study.numbered_groups[g]) + "\t" +
                text_cell(study.group_names[g].second) + "\t" + std::to_string(size[g]) + "\n";
    }
    replace_file(folder + "/groups.tsv", groups);
    written.insert("groups.tsv");
  }
  remove_stale_files(folder, clumpp_file, written, false);
}

void remove_clumpp(const std::string& folder) {
  remove_stale_files(folder, clumpp_file, {}, true);
}

}  // namespace pelvano
