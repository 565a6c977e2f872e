// Small Structure output files written by hand, for tests that need exact control.
#pragma once

#include <string>
#include <vector>

namespace pelvano::test {

struct StructureFile {
  int individuals = 4;
  int loci = 10;
  int k = 2;
  std::string lnp = "-1234.5";
  // The header line of the ancestry table.
  std::string table_header = "        Label (%Miss) :  Inferred clusters";
  // One line per individual; empty: made from `memberships`.
  std::vector<std::string> rows;
  // Memberships, one vector per individual, written with labels.
  std::vector<std::vector<std::string>> memberships;
  std::string eol = "\n";
};

// The text of the file.
std::string structure_text(const StructureFile& f);

// Rows "  i  indi  (0)  :  m1 m2 ..." for the given memberships.
std::vector<std::string> labelled_rows(const std::vector<std::vector<std::string>>& m);

}  // namespace pelvano::test
