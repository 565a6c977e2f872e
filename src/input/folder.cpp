#include "input/folder.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>

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

namespace {

// Stops the run when the names (in list order) form more than one pattern: a folder of two
// studies, say admix_K#_run#_f and noadmix_K#_run#_f, must not become one study, of uneven
// runs or of twice the runs per K. `uneven`: the runs per K differ (the line says so).
void check_one_pattern(const std::vector<std::string>& names, const std::string& folder,
                       bool uneven) {
  std::size_t count = 0;
  const std::string listed = distinct_patterns(names, count);
  if (count < 2) return;
  stoponerror((uneven ? "The Structure output files in folder " + folder +
                            " have different numbers of runs per K, and their names form "
                      : "The names of the Structure output files in folder " + folder + " form ") +
              itoc(static_cast<std::int64_t>(count)) + " patterns (# for a number): " + listed +
              "; choose one study with --name!");
}

}  // namespace

std::string name_pattern(const std::string& name) {
  std::string pattern;
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (!digit(name[i])) {
      pattern += name[i];
    } else if (i == 0 || !digit(name[i - 1])) {
      pattern += '#';
    }
  }
  return pattern;
}

std::string distinct_patterns(const std::vector<std::string>& names, std::size_t& count) {
  std::vector<std::string> patterns;
  std::set<std::string> seen;
  for (const std::string& name : names) {
    std::string pattern = name_pattern(name);
    if (seen.insert(pattern).second) patterns.push_back(std::move(pattern));
  }
  count = patterns.size();
  std::string listed;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    listed += (i == 0 ? "" : i + 1 == patterns.size() ? " and " : ", ") + patterns[i];
  }
  return listed;
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
  // rows are), every K of the range, and one pattern of names.
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
  const std::int32_t kstart = study.runs_of.begin()->first;
  const std::int32_t kend = study.runs_of.rbegin()->first;
  for (std::int64_t k = kstart; k <= kend; ++k) {
    if (study.runs_of.count(static_cast<std::int32_t>(k)) == 0) {
      stoponerror(where + " have no file of K = " + itoc(k) + ", between K = " + itoc(kstart) +
                  " and K = " + itoc(kend) + ": DeltaK needs every K!");
    }
  }
  // Each K is analysed over its own runs, and the tables are made for the largest count.
  // Names of more than one pattern are two studies, not one, whatever their runs per K (a
  // name with a line end is a fault of its own, named first).
  check_list_names(files);
  check_one_pattern(names, folder, study.uneven_runs());

  take_study_numbers(run, study, folder);
  return files;
}

void take_study_numbers(Run& run, const Study& study, const std::string& folder) {
  run.KSTART = study.runs_of.begin()->first;
  run.KEND = study.runs_of.rbegin()->first;
  run.NIND = study.files.front().individuals;
  run.NRUN = study.most_runs();
  check_numbers(run);
  check_folder(folder, '/');
  name_outputs(run);
}

}  // namespace pelvano
