#include "input/run_input.hpp"

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "base/fatal.hpp"
#include "base/format.hpp"
#include "base/listing.hpp"
#include "base/variables.hpp"
#include "input/discovery.hpp"
#include "input/folder.hpp"
#include "input/parameter_file.hpp"
#include "input/populations.hpp"
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

Study read_input(Run& run, bool keep_text) {
  // The names of the groups first: a file that cannot be used is a command line that
  // cannot be used.
  std::vector<std::pair<std::string, std::string>> group_names;
  if (!run.options.populations.empty()) {
    group_names = read_populations(run.options.populations, "pelvano-plot");
  }
  Study study;
  if (names_folder(run.options)) {
    const std::vector<std::string> files = read_folder(run, study, keep_text);
    create_tables(run);
    keep_list(run, files);
  } else {
    run.fname = parameter_file_name(run.options);
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
    study = read_study(run, run.READFILE, parameter_checks(run), keep_text);
  }
  study.group_names = std::move(group_names);
  fill_tables(run, study);
  if (study.uneven_runs()) {
    std::fputs(("Each K is analysed over its own runs: " + runs_per_k(run) + ".\n").c_str(),
               run.console);
  }
  if (study.missing) {
    run.score_replicates = false;
    std::fputs((study.missing->line + "\n").c_str(), run.console);
  }
  return study;
}

}  // namespace pelvano
