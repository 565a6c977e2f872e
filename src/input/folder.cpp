#include "input/folder.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "base/fatal.hpp"
#include "base/listing.hpp"
#include "base/variables.hpp"
#include "input/discovery.hpp"
#include "input/study_reader.hpp"

namespace pelvano {

std::string common_generic_name(const std::vector<std::string>& names, std::string& start) {
  start = names.empty() ? std::string() : names.front().substr(0, names.front().size() - 2);
  for (const std::string& name : names) {
    const std::size_t n = std::min(start.size(), name.size() - 2);
    std::size_t same = 0;
    while (same < n && start[same] == name[same]) ++same;
    start.resize(same);
  }
  // Runs 10 to 19 share "run_1": the digits at the end belong to the run numbers.
  while (!start.empty() && start.back() >= '0' && start.back() <= '9') start.pop_back();
  std::string generic;
  for (const char c : start) {
    if (c == '*' || c == '?' || c == '[' || c == '\\') generic += '\\';
    generic += c;
  }
  return generic + "*";
}

std::vector<std::string> read_folder(Run& run, Study& study, bool keep_text) {
  const Options& o = run.options;
  // The folder as given, blanks and all; only a separator at its end is left out, so that
  // the names of its files have one.
  std::string folder = o.argument;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  run.fname = folder;
  run.PATHNAME = folder;
  run.FILENAME = o.has_name ? o.name : "*";
  std::string start = run.FILENAME.substr(0, run.FILENAME.size() - 1);
  const auto name_files = [&] {
    run.FILENAME0 = start;
    run.file_stem = start.empty() ? "pelvano" : start;
    run.error_file = folder + "/" + run.file_stem + ".error";
  };
  name_files();
  if (run.FILENAME.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
    stoponerror("The generic name of Structure output files, " + run.FILENAME +
                ", is not a file name!");
  }
  const std::vector<std::string> names = list_matching(folder + "/", run.FILENAME + "_f");
  if (names.empty()) {
    stoponerror("No Structure output files in folder " + folder + ": no file name " +
                (o.has_name ? "matches " + run.FILENAME + "_f" : std::string("ends with _f")) +
                "!");
  }
  if (!o.has_name) {
    run.FILENAME = common_generic_name(names, start);
    name_files();
  }
  std::vector<std::string> files;
  for (const std::string& name : names) {
    files.push_back(folder + "/" + name);
    struct stat st {};
    if (::stat(files.back().c_str(), &st) != 0) {
      stoponerror("Output file, " + files.back() + ", does not exist!");
    }
  }
  // One study: the same individuals in every file (checked as each file is read, before its
  // rows are), every K of the range, as many runs of each.
  const std::string where = "The Structure output files in folder " + folder;
  study = read_study(
      run, files,
      [&](const StudyFile& first, const StudyFile& f, std::int32_t) {
        if (f.individuals != first.individuals) {
          stoponerror(where + " are not of one study: " + first.name + " has " +
                      itoc(first.individuals) + " individuals, " + f.name + " has " +
                      itoc(f.individuals) + "; choose one study with --name!");
        }
      },
      keep_text);
  const StudyFile& front = study.files.front();
  const std::int32_t kstart = study.runs_of.begin()->first;
  const std::int32_t kend = study.runs_of.rbegin()->first;
  for (std::int64_t k = kstart; k <= kend; ++k) {
    if (study.runs_of.count(static_cast<std::int32_t>(k)) == 0) {
      stoponerror(where + " have no file of K = " + itoc(k) + ", between K = " + itoc(kstart) +
                  " and K = " + itoc(kend) + ": DeltaK needs every K!");
    }
  }
  std::string counts;
  bool even = true;
  const std::size_t runs = study.runs_of.begin()->second.size();
  for (const auto& [k, of_k] : study.runs_of) {
    const auto n = static_cast<std::int64_t>(of_k.size());
    counts +=
        (counts.empty() ? "" : ", ") + itoc(n) + (n == 1 ? " run" : " runs") + " of K = " + itoc(k);
    even = even && of_k.size() == runs;
  }
  if (!even) stoponerror(where + " have different numbers of runs per K: " + counts + "!");

  run.KSTART = kstart;
  run.KEND = kend;
  run.NIND = front.individuals;
  run.NRUN = static_cast<std::int32_t>(runs);
  check_numbers(run);
  check_folder(folder, '/');
  name_outputs(run);
  return files;
}

}  // namespace pelvano
