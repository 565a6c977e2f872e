#include "support/structure_files.hpp"

namespace pelvano::test {

std::vector<std::string> labelled_rows(const std::vector<std::vector<std::string>>& m) {
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < m.size(); ++i) {
    std::string row =
        "  " + std::to_string(i + 1) + "   ind" + std::to_string(i + 1) + "    (0)   :  ";
    for (const auto& v : m[i]) row += v + " ";
    rows.push_back(row);
  }
  return rows;
}

std::string structure_text(const StructureFile& f) {
  std::vector<std::string> lines = {
      "----------------------------------------------------",
      "A hand-made file in the layout of Structure",
      "----------------------------------------------------",
      "",
      "Command line arguments:   structure -K " + std::to_string(f.k),
      "Input File:    data",
      "",
      "Run parameters:",
      "   " + std::to_string(f.individuals) + " individuals",
      "   " + std::to_string(f.loci) + " loci",
      "   " + std::to_string(f.k) + " populations assumed",
      "   10000 Burn-in period",
      "",
      "--------------------------------------------",
      "Estimated Ln Prob of Data   = " + f.lnp,
      "Mean value of ln likelihood = -1200.0",
      "",
      "Inferred ancestry of individuals:",
      f.table_header,
  };
  const std::vector<std::string> rows = f.rows.empty() ? labelled_rows(f.memberships) : f.rows;
  lines.insert(lines.end(), rows.begin(), rows.end());
  lines.push_back("");
  lines.push_back("Estimated Allele Frequencies in each cluster");
  lines.push_back("Locus 1 :");
  std::string text;
  for (const auto& l : lines) text += l + f.eol;
  return text;
}

}  // namespace pelvano::test
