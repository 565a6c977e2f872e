// Reading Structure output files into the study: structure_cases.txt holds single files
// written for the cases, samples/ one file of each layout Structure writes.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/fatal.hpp"
#include "input/study_reader.hpp"
#include "support/cases.hpp"

namespace pelvano {
namespace {

// Reads the file as the only run of a study of `nind` individuals and K from 1 to 9, and
// shows what the study holds of it, one line for the file and one for each row, or the
// message that stopped the run.
std::string read_one(const std::string& file, std::int32_t nind) {
  Run run;
  run.console = std::fopen("/dev/null", "w");
  run.KSTART = 1;
  run.KEND = 9;
  run.NIND = nind;
  run.NRUN = 1;
  run.NFILES = 1;
  run.READFILE = {file};
  create_tables(run);
  std::string out;
  try {
    const Study study = read_study(run, run.READFILE, parameter_checks(run), true);
    const StudyFile& f = study.files.at(0);
    out = "K " + std::to_string(f.k) + ", Ln P(D) " + test::number(f.lnp);
    for (const auto& [on, what] : {std::pair{f.ind_r, "r"}, std::pair{f.intervals, "intervals"},
                                   std::pair{f.usepopinfo, "USEPOPINFO"}}) {
      if (on) out += std::string(", ") + what;
    }
    out += "\n";
    std::size_t prior = 0;
    for (std::size_t i = 0; i < study.individuals.size(); ++i) {
      const Individual& x = study.individuals[i];
      out += x.number + "|" + x.label + "|" + x.miss + "|" + x.pop + ":";
      if (prior < f.prior_rows.size() && f.prior_rows[prior] == static_cast<std::int32_t>(i)) {
        out += " prior";
        ++prior;
      }
      for (std::int32_t c = 0; c < f.k; ++c) {
        out += " " + test::number(
                         f.q.at(i * static_cast<std::size_t>(f.k) + static_cast<std::size_t>(c)));
      }
      out += " [" + std::string(f.memberships(i)) + "]\n";
    }
  } catch (const FatalError& e) {
    out = e.message + "\n";
  }
  std::fclose(run.console);
  return out;
}

TEST(StudyReading, Files) {
  test::TempDir dir;
  const std::string file = dir / "K_f";
  for (const test::Block& b : test::blocks("input/structure_cases.txt")) {
    // The first line: the number of individuals; then the file's lines, and the lines
    // starting with "> ", what the reading gives ("@" stands for the file's name).
    std::string text, expected;
    for (std::size_t i = 1; i < b.lines.size(); ++i) {
      const std::string& l = b.lines[i];
      if (l.rfind("> ", 0) == 0) {
        expected += l.substr(2) + "\n";
      } else {
        text += l + "\n";
      }
    }
    if (const std::size_t at = expected.find('@'); at != std::string::npos) {
      expected.replace(at, 1, file);
    }
    test::write_file(file, text);
    EXPECT_EQ(read_one(file, std::stoi(b.lines.at(0))), expected) << b.title;
  }
}

// Each file of samples/ (as the real Structure writes them) beside what it reads as.
TEST(StudyReading, StructureSamples) {
  int files = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(std::string(CASES_DIR) + "/input/samples")) {
    const std::string path = entry.path().string();
    if (!entry.is_regular_file() || !path.ends_with("_f")) continue;
    std::ifstream in(path + ".read");
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(read_one(path, 56), expected.str()) << path;
    ++files;
  }
  EXPECT_EQ(files, 12);
}

}  // namespace
}  // namespace pelvano
