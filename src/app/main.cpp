// Pelvano: chooses the best number of clusters K from the output files of Structure.
#include "app/driver.hpp"

int main(int argc, char** argv) {
  return pelvano::main_entry(argc, argv, "pelvano", pelvano::drive);
}
