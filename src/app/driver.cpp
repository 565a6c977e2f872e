#include "app/driver.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "analysis/analysis.hpp"
#include "app/command_line.hpp"
#include "app/params.hpp"
#include "base/format.hpp"
#include "base/variables.hpp"
#include "input/discovery.hpp"
#include "input/folder.hpp"
#include "input/study_reader.hpp"
#include "report/results.hpp"

namespace pelvano {

namespace {

constexpr std::size_t c199 = 199;

// The message as one line of text: names in it may come from a folder listing or a
// parameter file and hold control characters (a line end, a carriage return, an escape
// sequence), which are shown as "?".
std::string one_line(std::string_view message) {
  std::string text(message);
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 0x20 && c != '\t') || u == 0x7f) c = '?';
  }
  return text;
}

bool file_exists(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0;
}

bool names_folder(const Options& o) {
  struct stat st {};
  return o.has_argument && ::stat(o.argument.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

void read_and_analyse(Run& run, Study& study, bool show_banner, bool keep_text,
                      const std::function<void()>& meanwhile) {
  if (show_banner) showversion(run.console, run.pauses);
  if (names_folder(run.options)) {
    const std::vector<std::string> files = read_folder(run, study, keep_text);
    create_tables(run);
    keep_list(run, files);
  } else {
    // The parameter file: named by the argument without its trailing blanks, or the default.
    run.fname = std::string(default_parameter_file);
    const std::string_view name = trim_right(run.options.argument);
    if (!trim(name).empty()) run.fname = std::string(name);
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
  fill_tables(run, study);
  if (uneven_runs(run)) {
    std::fputs(("Each K is analysed over its own runs: " + runs_per_k(run) + ".\n").c_str(),
               run.console);
  }
  if (study.has_usepopinfo()) {
    run.score_replicates = false;
    std::fputs((usepopinfo_line(study) + "\n").c_str(), run.console);
  }
  if (meanwhile) meanwhile();
  analyse(run);
  choose(run);
}

std::string usepopinfo_line(const Study& study) {
  return "The Structure output file " + study.files[study.usepopinfo].name +
         " was written with USEPOPINFO: it holds no memberships for the individuals of known "
         "population, so the Parsimony method, bar plots, CLUMPP files, Puechmaille's "
         "estimators and modes need runs without it.";
}

void drive(Run& run) {
  Study study;
  read_and_analyse(run, study, /*show_banner=*/true, /*keep_text=*/false);
  write_results(run, study);
}

int main_entry(int argc, const char* const* argv, const char* program, void (*phases)(Run& run)) {
  // A write past the file-size limit (ulimit -f) fails with a message that names the file
  // instead of killing the process; so does a console that has gone away (a closed pipe):
  // the results file is still written.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  Run run;
  try {
    run.options = parse_options(argc, argv, program);
    if (run.options.help || run.options.version) {
      const std::string text =
          run.options.help ? usage_text(program) : std::string(version_line) + "\n";
      std::fputs(text.c_str(), run.console);
      return std::fflush(run.console) == 0 ? 0 : 1;
    }
    if (run.options.has_name && (run.options.name.empty() || run.options.name.back() != '*')) {
      throw FatalError{std::string(program) + ": --name " + run.options.name +
                           " does not end with * (see " + program + " --help)",
                       FatalKind::usage};
    }
    if (run.options.has_name && !names_folder(run.options)) {
      throw FatalError{
          std::string(program) + ": --name chooses files in a FOLDER, " +
              (run.options.has_argument ? run.options.argument : default_parameter_file.data()) +
              " is not one (see " + program + " --help)",
          FatalKind::usage};
    }
    run.pauses = run.options.pauses;
    phases(run);
  } catch (const FatalError& error) {
    return report_fatal(run, error);
  } catch (const std::bad_alloc&) {
    return report_fatal(run, FatalError{"Out of memory!", FatalKind::file_system});
  }
  return 0;
}

int report_fatal(Run& run, const FatalError& error) {
  const std::string message = one_line(trim_right(error.message));
  std::FILE* out = error.kind == FatalKind::read_failure || error.kind == FatalKind::usage
                       ? run.errstream
                       : run.console;
  std::fflush(run.console);
  std::fwrite(message.data(), 1, message.size(), out);
  std::fputc('\n', out);
  std::fflush(out);
  if (error.kind == FatalKind::usage) return 2;
  const std::string name =
      !run.error_file.empty()
          ? run.error_file
          : error_file_name(run.fname.empty() ? default_parameter_file : run.fname);
  if (!write_error_file(name, message)) {
    const int err = errno;
    std::fprintf(run.errstream, "Cannot write file, %s: %s!\n", name.c_str(), std::strerror(err));
    std::fflush(run.errstream);
  }
  if (error.kind != FatalKind::read_failure && run.pauses) sleeping(2.0f);
  return 1;
}

}  // namespace pelvano
