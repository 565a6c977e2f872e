#include "app/plot.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "analysis/findings.hpp"
#include "base/fatal.hpp"
#include "input/run_input.hpp"
#include "report/outputs.hpp"

namespace pelvano {

namespace {

// The folder of --out, made when missing. When it cannot be written the run stops before
// it reads anything, its message on standard error only: there is no folder to put an error
// file in.
void make_out_folder(Run& run) {
  std::string folder = run.options.out;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if ((::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) ||
      ::access(folder.c_str(), W_OK | X_OK) != 0) {
    throw FatalError{
        "pelvano-plot: --out " + run.options.out + " cannot be written: " + std::strerror(errno),
        FatalKind::no_input};
  }
  run.out_folder = folder;
}

}  // namespace

void plot(Run& run) {
  if (run.options.has_out) make_out_folder(run);
  const Study study = read_input(run, /*plot=*/true);
  const Findings found = find(run, study);
  write_plot_outputs(run, study, found);
}

}  // namespace pelvano
