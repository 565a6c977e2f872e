// Reading one Structure output file: structure_cases.txt holds the cases.
#include "input/structure_reader.hpp"

#include <gtest/gtest.h>

#include <charconv>

#include "base/fatal.hpp"
#include "support/cases.hpp"

namespace pelvano {
namespace {

// Reads the file as the only run of a study of `nind` individuals and K from 1 to 9, and
// shows its K, Ln P(D) and memberships, or the message that stopped the run.
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
    read_output_files(run);
    for (std::int32_t k = 1; k <= 9; ++k) {
      if (run.KRUN(k) == 0) continue;
      char buf[64];
      out = "K " + std::to_string(k) + ", Ln P(D) " +
            std::string(buf, std::to_chars(buf, buf + 64, run.LOGLK(1, k)).ptr) + ":";
      for (const float q : run.q(k).v)
        out += " " + std::string(buf, std::to_chars(buf, buf + 64, q).ptr);
    }
  } catch (const FatalError& e) {
    out = e.message;
  }
  std::fclose(run.console);
  return out;
}

TEST(StructureReader, Files) {
  test::TempDir dir;
  const std::string file = dir / "K_f";
  for (const test::Block& b : test::blocks("input/structure_cases.txt")) {
    // The first line: the number of individuals, then what the reading gives ("@" stands
    // for the file's name); the file's lines follow.
    const std::string& head = b.lines.at(0);
    const std::size_t bar = head.find(" | ");
    std::string expected = head.substr(bar + 3);
    if (const std::size_t at = expected.find('@'); at != std::string::npos) {
      expected.replace(at, 1, file);
    }
    std::string text;
    for (std::size_t i = 1; i < b.lines.size(); ++i) text += b.lines[i] + "\n";
    test::write_file(file, text);
    EXPECT_EQ(read_one(file, std::stoi(head.substr(0, bar))), expected) << b.title;
  }
}

}  // namespace
}  // namespace pelvano
