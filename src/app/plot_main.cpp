// pelvano-plot: the table, the figures and the files for the next tools, beside Pelvano's
// results file.
#include "app/driver.hpp"
#include "app/plot.hpp"

int main(int argc, char** argv) {
  return pelvano::main_entry(argc, argv, "pelvano-plot", pelvano::plot);
}
