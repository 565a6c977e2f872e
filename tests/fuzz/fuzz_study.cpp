// Fuzz target: a folder of Structure output files given to both programs, pelvano and
// pelvano-plot, as a user gives it: the folder form, the one reading of the study, the
// analysis, and everything pelvano-plot draws from the memberships. Neither may abort, and
// both must read the files alike: the same message when they stop, or pelvano-plot stopping
// only where it compares memberships exactly and pelvano need not.
//
// Input: the files one after the other, each ended by a line "%%%%"; the first line of each
// is its name (made safe: "_f" added, "/" replaced), the rest its content.
#include <string>

#include "app/driver.hpp"
#include "app/plot.hpp"
#include "base/fatal.hpp"
#include "fuzz.hpp"

namespace {

// One program on the folder: "" when it ends normally, else its message.
std::string run_program(void (*phases)(pelvano::Run&), const std::string& folder) {
  using namespace pelvano;
  Run run;
  run.console = run.errstream = fuzz::null_stream();
  run.pauses = false;
  run.options.argument = folder;
  run.options.has_argument = true;
  try {
    phases(run);
  } catch (const FatalError& e) {
    PELVANO_FUZZ_CHECK(!e.message.empty() && e.message.find('\n') == std::string::npos);
    return e.message;
  }
  return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelvano;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  fuzz::clear_scratch();
  const std::string folder = fuzz::scratch();
  for (int f = 0; f < 12 && !rest.empty(); ++f) {
    const std::size_t end = rest.find("\n%%%%\n");
    std::string_view file = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 6);
    const std::size_t lf = file.find('\n');
    std::string name(file.substr(0, std::min(lf, std::size_t{40})));
    for (char& c : name) {
      if (c == '/' || c == '\0' || c == '\n') c = '-';
    }
    file.remove_prefix(lf == std::string_view::npos ? file.size() : lf + 1);
    fuzz::write_bytes(folder + "/" + (name.empty() || name[0] == '.' ? "x" + name : name) + "_f",
                      file);
  }
  const std::string pelvano = run_program(drive, folder);
  const std::string plot = run_program(pelvano::plot, folder);
  PELVANO_FUZZ_CHECK(
      plot == pelvano ||
      (pelvano.empty() && plot.find("than pelvano-plot can compare exactly") != std::string::npos));
  return 0;
}
