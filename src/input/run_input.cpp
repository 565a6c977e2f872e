#include "input/run_input.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/fatal.hpp"
#include "base/format.hpp"
#include "base/listing.hpp"
#include "base/variables.hpp"
#include "input/discovery.hpp"
#include "input/folder.hpp"
#include "input/individual_names.hpp"
#include "input/parameter_file.hpp"
#include "input/populations.hpp"
#include "input/q_folder.hpp"
#include "input/run_logs.hpp"
#include "input/study_reader.hpp"

namespace pelvano {

namespace {

constexpr std::size_t c199 = 199;

bool file_exists(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0;
}

// The parameter file the command line names: its argument without trailing blanks, or the
// default.
std::string parameter_file_name(const Options& o) {
  const std::string_view name = trim_right(o.argument);
  return trim(name).empty() ? std::string(default_parameter_file) : std::string(name);
}

}  // namespace

bool names_folder(const Options& o) {
  struct stat st {};
  return o.has_argument && ::stat(o.argument.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool names_existing_path(const Options& o) {
  return (o.has_argument && file_exists(o.argument)) || file_exists(parameter_file_name(o));
}

std::optional<std::string> folder_of_structure_file(const Options& o) {
  const std::string& path = o.argument;
  struct stat st {};
  if (!o.has_argument || !path.ends_with("_f") || ::stat(path.c_str(), &st) != 0 ||
      !S_ISREG(st.st_mode)) {
    return std::nullopt;
  }
  // The header comes within the first few hundred bytes of a Structure output file.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return std::nullopt;
  std::string head(16384, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), f));
  std::fclose(f);
  if (!head.starts_with("Run parameters:") && head.find("\nRun parameters:") == std::string::npos) {
    return std::nullopt;
  }
  return parent_folder(path);
}

namespace {

// What a folder holds: its Structure output files (the names that --name and "_f" match),
// and the memberships files of the other programs under it.
struct FolderFiles {
  std::vector<std::string> structure;
  std::vector<std::string> memberships;
};

// `memberships`: also search the folder's subfolders for memberships files (pelvano-plot;
// pelvano reads the Structure output files and needs no search below them).
FolderFiles files_of_folder(const Options& o, bool memberships) {
  std::string folder = o.argument;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  FolderFiles found;
  // A pattern of Structure output files ends with "*"; one of memberships files matches
  // their whole file name.
  if (!o.has_name || o.name.ends_with('*')) {
    found.structure = list_matching(folder + "/", (o.has_name ? o.name : "*") + "_f");
  }
  if (memberships) found.memberships = find_memberships_files(folder, o.has_name ? o.name : "");
  return found;
}

[[noreturn]] void stop_on_both(Run& run, const FolderFiles& found, const Options& o) {
  std::string folder = o.argument;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  run.fname = folder;
  run.error_file = folder + "/pelvano.error";
  stoponerror("Folder " + o.argument + " holds both Structure output files (" +
              found.structure.front() +
              ", ...) and memberships files of ADMIXTURE, "
              "fastStructure or NGSadmix (" +
              found.memberships.front() + ", ...); choose one study with --name!");
}

}  // namespace

std::optional<std::string> memberships_file_in(const Options& o) {
  if (!names_folder(o)) return std::nullopt;
  FolderFiles found = files_of_folder(o, false);
  if (!found.structure.empty()) return std::nullopt;
  found = files_of_folder(o, true);
  if (found.memberships.empty()) return std::nullopt;
  return found.memberships.front();
}

Study read_input(Run& run, bool plot) {
  const Options& o = run.options;
  FolderFiles found;
  // pelvano reads the Structure output files of a folder whatever else it holds (a folder
  // of memberships files alone was refused before its banner).
  if (names_folder(o)) found = files_of_folder(o, plot);
  const bool memberships = plot && !found.memberships.empty() && found.structure.empty();
  if (!memberships && (!o.fam.empty() || !o.groups.empty())) {
    throw FatalError{std::string("pelvano-plot: ") + (o.fam.empty() ? "--groups" : "--fam") +
                         " names the individuals of memberships files (.Q, .meanQ, .qopt); "
                         "Structure output files name their own (see pelvano-plot --help)",
                     FatalKind::usage};
  }
  // The names of the groups first: a file that cannot be used is a command line that
  // cannot be used.
  std::vector<std::pair<std::string, std::string>> group_names;
  if (!o.populations.empty()) {
    group_names = memberships ? read_group_order(o.populations)
                              : read_populations(o.populations, "pelvano-plot");
  }
  Study study;
  if (memberships) {
    const std::vector<std::string> files = read_memberships_folder(run, study, found.memberships);
    name_individuals(run, study, fam_file_to_use(run, run.PATHNAME), group_names);
    read_run_logs(study, run.console);
    if (std::any_of(study.files.begin(), study.files.end(),
                    [](const StudyFile& f) { return !std::isnan(f.lnp); })) {
      study.no_lnp.clear();
    }
    group_names = study.group_names;
    create_tables(run);
    keep_list(run, files);
  } else if (names_folder(o)) {
    if (!found.structure.empty() && !found.memberships.empty()) stop_on_both(run, found, o);
    if (o.has_name && !o.name.ends_with('*')) {
      std::string folder = o.argument;
      while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
      run.fname = folder;
      run.error_file = folder + "/pelvano.error";
      stoponerror("No memberships files in folder " + folder + " match --name " + o.name +
                  " (a pattern of Structure output files ends with *)!");
    }
    const std::vector<std::string> files = read_folder(run, study, plot);
    create_tables(run);
    keep_list(run, files);
  } else {
    run.fname = parameter_file_name(o);
    if (run.fname.size() > c199) {
      stoponerror("The name of the parameter file, " + run.fname + ", has more than " + itoc(c199) +
                  " characters!");
    }
    if (!file_exists(run.fname)) {
      stoponerror("Parameter input file, " + run.fname + ", does not exist!");
    }
    read_parameters(run);
    create_tables(run);
    discover(run);
    study = read_study(run, run.READFILE, parameter_checks(run), plot);
  }
  study.group_names = std::move(group_names);
  if (study.pattern.empty()) study.pattern = run.FILENAME + "_f";
  fill_tables(run, study);
  if (study.uneven_runs()) {
    std::fputs(("Each K is analysed over its own runs: " + runs_per_k(run) + ".\n").c_str(),
               run.console);
  }
  if (!study.no_lnp.empty()) run.score_replicates = false;
  if (study.missing) {
    run.score_replicates = false;
    std::fputs((study.missing->line + "\n").c_str(), run.console);
  }
  return study;
}

}  // namespace pelvano
