#include "app/driver.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "analysis/analysis.hpp"
#include "analysis/summary.hpp"
#include "app/command_line.hpp"
#include "base/format.hpp"
#include "base/listing.hpp"
#include "base/variables.hpp"
#include "input/run_input.hpp"
#include "report/results.hpp"

namespace pelvano {

namespace {

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

// The folder of --out: an existing folder, or one that can be made in an existing folder.
void check_out_folder(const std::string& out, const std::string& program) {
  const auto usage = [&](const std::string& what) {
    throw FatalError{program + ": --out " + out + ": " + what + " (see " + program + " --help)",
                     FatalKind::usage};
  };
  if (out.empty()) {
    throw FatalError{program + ": --out needs the name of a folder, not an empty one (see " +
                         program + " --help)",
                     FatalKind::usage};
  }
  struct stat st {};
  if (::stat(out.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) usage("is a file, not a folder");
    return;
  }
  const std::string parent = parent_folder(out);
  if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    usage("its parent " + parent + " is not an existing folder");
  }
}

// Paths that would be misread: a Structure output file given instead of its folder (read as
// a parameter file, it would leave an error file beside it), and, for pelvano-plot, a path
// that names nothing.
void check_operand(const Options& o, const std::string& program) {
  if (const std::optional<std::string> folder = folder_of_structure_file(o)) {
    throw FatalError{program + ": " + o.argument +
                         " is a Structure output file; give its folder instead: " + program + " " +
                         *folder,
                     FatalKind::usage};
  }
  // pelvano chooses K from Structure's Ln P(D); the other programs' files hold none.
  if (program != "pelvano-plot") {
    if (const std::optional<std::string> file = memberships_file_in(o)) {
      throw FatalError{"pelvano reads Structure output files; folder " + o.argument +
                           " holds memberships files of ADMIXTURE, fastStructure or NGSadmix "
                           "(such as " +
                           *file + "), which pelvano-plot reads: pelvano-plot " + o.argument,
                       FatalKind::no_input};
    }
  }
  if (program == "pelvano-plot" && !names_existing_path(o)) {
    throw FatalError{
        program + ": " +
            (o.has_argument ? o.argument : std::string(default_parameter_file) + " (the default)") +
            " is neither a folder nor a parameter file: it does not exist",
        FatalKind::no_input};
  }
  if (program == "pelvano-plot" && o.has_out) check_out_folder(o.out, program);
}

}  // namespace

void drive(Run& run) {
  showversion(run.console, run.pauses);
  const Study study = read_input(run, /*plot=*/false);
  analyse(run);
  choose(run);
  write_results(run, summarise(run, study));
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
    // pelvano-plot also takes a pattern of memberships files' names, which need not end so.
    if (run.options.has_name && std::string_view(program) != "pelvano-plot" &&
        (run.options.name.empty() || run.options.name.back() != '*')) {
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
    check_operand(run.options, program);
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
  std::FILE* out = error.kind == FatalKind::read_failure || error.kind == FatalKind::usage ||
                           error.kind == FatalKind::no_input
                       ? run.errstream
                       : run.console;
  // On a terminal, the message starts a line of its own, not the end of a progress line.
  if (run.progress_open && ::isatty(::fileno(run.console)) == 1) std::fputc('\n', run.console);
  std::fflush(run.console);
  std::fwrite(message.data(), 1, message.size(), out);
  std::fputc('\n', out);
  std::fflush(out);
  if (error.kind == FatalKind::usage) return 2;
  if (error.kind == FatalKind::no_input) return 1;
  std::string name = !run.error_file.empty()
                         ? run.error_file
                         : error_file_name(run.fname.empty() ? default_parameter_file : run.fname);
  if (!run.out_folder.empty()) name = run.out_folder + "/" + name.substr(name.rfind('/') + 1);
  if (!write_error_file(name, message)) {
    const int err = errno;
    std::fprintf(run.errstream, "Cannot write file, %s: %s!\n", name.c_str(), std::strerror(err));
    std::fflush(run.errstream);
  }
  if (error.kind != FatalKind::read_failure && run.pauses) sleeping(2.0f);
  return 1;
}

}  // namespace pelvano
