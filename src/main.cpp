// Pelvano: chooses the best number of clusters K from the output files of Structure.
#include <new>

#include "control/driver.hpp"

int main(int argc, char** argv) {
  pelvano::Run run;
  try {
    pelvano::drive(run, argc, argv);
  } catch (const pelvano::FatalError& error) {
    return pelvano::report_fatal(run, error);
  } catch (const std::bad_alloc&) {
    return pelvano::report_fatal(
        run, pelvano::FatalError{"Out of memory!", pelvano::FatalKind::file_system});
  }
  return 0;
}
