#include "control/driver.hpp"

#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "analysis/analysis.hpp"
#include "control/params.hpp"
#include "control/variables.hpp"
#include "input/discovery.hpp"
#include "input/structure_reader.hpp"
#include "report/results.hpp"
#include "textio/format.hpp"

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

}  // namespace

void start_up(Run& run, int argc, const char* const* argv, bool show_banner) {
  // The folder separator follows the search path: a PATH that begins with "/" belongs to a
  // Unix-like system, anything else (a drive letter, or no PATH at all) to Windows.
  const char* path = std::getenv("PATH");
  run.windows = path == nullptr || path[0] != '/';
  run.PLATFORMSLASH = run.windows ? '\\' : '/';

  if (show_banner) showversion(run.console, run.pauses);

  run.fname = std::string(default_parameter_file);
  if (argc > 1 && argv[1] != nullptr) {
    const std::string_view C199 = std::string_view(argv[1]).substr(0, c199);
    if (!trim(C199).empty()) run.fname = std::string(trim_right(C199));
  }
  if (!file_exists(run.fname)) {
    stoponerror("Parameter input file, " + run.fname + ", does not exist!");
  }
  read_parameters(run);
  create_tables(run);
}

void read_and_analyse(Run& run, int argc, const char* const* argv, bool show_banner) {
  start_up(run, argc, argv, show_banner);
  discover(run);
  read_output_files(run);
  analyse(run);
}

void drive(Run& run, int argc, const char* const* argv) {
  read_and_analyse(run, argc, argv);
  write_results(run);
}

int main_entry(int argc, const char* const* argv,
               void (*phases)(Run& run, int argc, const char* const* argv)) {
  // A write past the file-size limit (ulimit -f) fails with a message that names the file
  // instead of killing the process; so does a console that has gone away (a closed pipe):
  // the results file is still written.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  Run run;
  try {
    phases(run, argc, argv);
  } catch (const FatalError& error) {
    return report_fatal(run, error);
  } catch (const std::bad_alloc&) {
    return report_fatal(run, FatalError{"Out of memory!", FatalKind::file_system});
  }
  return 0;
}

int report_fatal(Run& run, const FatalError& error) {
  const std::string message = one_line(trim_right(error.message));
  std::FILE* out = error.kind == FatalKind::read_failure ? run.errstream : run.console;
  std::fflush(run.console);
  std::fwrite(message.data(), 1, message.size(), out);
  std::fputc('\n', out);
  std::fflush(out);
  const std::string fname = run.fname.empty() ? std::string(default_parameter_file) : run.fname;
  if (!write_error_file(fname, message)) {
    const int err = errno;
    std::fprintf(run.errstream, "Cannot write file, %s: %s!\n", error_file_name(fname).c_str(),
                 std::strerror(err));
    std::fflush(run.errstream);
  }
  if (error.kind != FatalKind::read_failure && run.pauses) sleeping(2.0f);
  return 1;
}

}  // namespace pelvano
