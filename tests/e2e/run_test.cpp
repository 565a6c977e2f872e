// Runs of the built program as a user makes them.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/test_support.hpp"

namespace pelvano {
namespace {

using test::TempDir;

TEST(Run, NoParameterFileInAnEmptyFolder) {
  TempDir dir;
  const auto r = test::run_pelvano({}, dir.str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            test::expected_banner() + "Parameter input file, pelvano.par, does not exist!\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(test::read_file(dir / "pelvano.par.error"),
            "Parameter input file, pelvano.par, does not exist!\n");
  EXPECT_EQ(test::list_dir(dir.str()), std::vector<std::string>{"pelvano.par.error"});
  // 1 s after the banner and 2 s after the message.
  EXPECT_GE(r.seconds, 3.0);
  EXPECT_LT(r.seconds, 6.0);
}

TEST(Run, BlankArgumentIsNoArgumentAndSecondArgumentIsIgnored) {
  TempDir dir;
  auto r = test::run_pelvano({"   ", "other.par"}, dir.str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            test::expected_banner() + "Parameter input file, pelvano.par, does not exist!\n");
}

TEST(Run, ErrorFileLiesBesideAParameterFileInAnotherFolder) {
  TempDir dir;
  test::fs::create_directory(dir / "sub");
  test::write_file(dir / "sub/study.par.error", "an older message\n");
  test::write_file(dir / "sub/study.par", "'/no/such/folder'\nK*\n1\n2\n3\n4\n");
  const auto r = test::run_pelvano({"sub/study.par  "}, dir.str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, test::expected_banner() + "The path, /no/such/folder, does not exist!\n");
  EXPECT_EQ(test::read_file(dir / "sub/study.par.error"),
            "The path, /no/such/folder, does not exist!\n");
  EXPECT_EQ(test::list_dir(dir.str()), std::vector<std::string>{"sub"});
}

TEST(Run, WindowsConventionsWhenPathDoesNotStartWithSlash) {
  // Without a PATH the folder separator is "\": the probe of a folder "sub" is then the
  // file "sub\deleteme.txt" of the working folder, which can be created and is removed.
  TempDir dir;
  test::write_file(dir / "p.par", "'/no/such'\nK*\n1\n2\n3\n4\n");
  const auto r = test::run_pelvano({"p.par"}, dir.str(), nullptr);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, test::expected_banner() + "The path, /no/such, does not exist!\n");
}

}  // namespace
}  // namespace pelvano

namespace pelvano {
namespace {

// A study made by the Structure-format writer, with its parameter file "study.par".
struct WriterStudy {
  TempDir dir;
  explicit WriterStudy(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"study",  "--dir",  dir / "runs", "--kmin", "1",
                                     "--kmax", "4",      "--runs",     "3",      "--ind",
                                     "24",     "--pops", "2"};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto r = test::run_program(STRWRITE_BIN, args, dir.str());
    EXPECT_EQ(r.status, 0) << r.err;
    test::write_file(dir / "study.par", "runs\nK*\n1\n4\n24\n3\n");
  }
};

std::string progress(const std::vector<std::string>& names) {
  std::string s;
  for (std::size_t i = 0; i < names.size(); ++i) {
    s += "\rReading file " + std::to_string(i + 1) + ", " + names[i] + "        ";
  }
  return s + "\n";
}

TEST(Run, CompleteRunConsoleAndFiles) {
  WriterStudy s;
  test::write_file(s.dir / "runs/K.K", "an old report\n");
  test::write_file(s.dir / "study.par.error", "a message of an earlier run\n");
  const auto r = test::run_pelvano({"study.par"}, s.dir.str());
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  std::vector<std::string> names;
  for (int k = 1; k <= 4; ++k) {
    for (int run = 1; run <= 3; ++run) {
      names.push_back("runs/K" + std::to_string(k) + "_run" + std::to_string(run) + "_f");
    }
  }
  EXPECT_EQ(r.out, test::expected_banner() + progress(names) +
                       "Analysis finished.\nResults in file: runs/K.K\n");
  EXPECT_EQ(r.err, "");
  const std::string report = test::read_file(s.dir / "runs/K.K");
  EXPECT_EQ(
      report.rfind(test::expected_banner() + "Input file for Pelvano: study.par\n"
                                             "Structure output file names in file: runs/K.list\n"
                                             "Number of sampled individuals: 24\n"
                                             "Number of runs per K value: 3\n"
                                             "Range of K values: [1, 4]\n",
                   0),
      0u)
      << report;
  EXPECT_EQ(report.find("an old report"), std::string::npos);
  EXPECT_EQ(test::read_file(s.dir / "study.par.error"), "a message of an earlier run\n");
  std::string list;
  for (const auto& n : names) list += n + "\n";
  EXPECT_EQ(test::read_file(s.dir / "runs/K.list"), list);
  // Nothing else is left in the folder: no probe, no temporary file.
  std::vector<std::string> expected = {"K.K", "K.list"};
  for (const auto& n : names) expected.push_back(n.substr(5));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(test::list_dir(s.dir / "runs"), expected);
}

TEST(Run, ReadFailureGoesToStandardErrorWithoutPause) {
  WriterStudy s;
  const std::string bad = s.dir / "runs/K2_run2_f";
  std::string text = test::read_file(bad);
  text.resize(text.find("Inferred ancestry"));
  test::write_file(bad, text);
  test::write_file(s.dir / "runs/K.K", "the earlier report\n");
  const auto r = test::run_pelvano({"study.par"}, s.dir.str());
  EXPECT_EQ(r.status, 1);
  const std::string message = "End of file in file, runs/K2_run2_f, at line " +
                              std::to_string(std::count(text.begin(), text.end(), '\n')) + "!";
  EXPECT_EQ(r.err, message + "\n");
  EXPECT_EQ(test::read_file(s.dir / "study.par.error"), message + "\n");
  EXPECT_EQ(r.out.find("Analysis finished."), std::string::npos);
  EXPECT_EQ(test::read_file(s.dir / "runs/K.K"), "the earlier report\n");
  EXPECT_LT(r.seconds, 2.0);  // only the pause after the banner
}

TEST(Run, HeaderCheckStopsThroughTheErrorFile) {
  WriterStudy s;
  test::write_file(s.dir / "study.par", "runs\nK*\n1\n4\n25\n3\n");
  const auto r = test::run_pelvano({"study.par"}, s.dir.str());
  EXPECT_EQ(r.status, 1);
  const std::string message =
      "The number of indivduals in output file, runs/K1_run1_f, is 24, which is different from "
      "the number, 25 in the input file!";
  EXPECT_EQ(r.out,
            test::expected_banner() + "\rReading file 1, runs/K1_run1_f        " + message + "\n");
  EXPECT_EQ(test::read_file(s.dir / "study.par.error"), message + "\n");
  EXPECT_FALSE(test::fs::exists(s.dir / "runs/K.K"));
}

TEST(Run, ConsoleThatGoesAwayStillGetsTheReportWritten) {
  // Piped into a program that stops reading after the first byte.
  WriterStudy s;
  const auto r = test::run_program(
      "/bin/bash",
      {"-c", "\"$0\" study.par | head -c 1 > /dev/null; echo ${PIPESTATUS[0]} > status",
       PELVANO_BIN},
      s.dir.str());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::read_file(s.dir / "status"), "0\n");
  EXPECT_NE(test::read_file(s.dir / "runs/K.K").find("Parsimony method:"), std::string::npos);
}

TEST(Run, FolderWithBlanksAndQuotesInItsName) {
  TempDir dir;
  const std::string folder = dir / "my \"odd' runs";
  const auto w = test::run_program(STRWRITE_BIN,
                                   {"study", "--dir", folder, "--kmin", "2", "--kmax", "3",
                                    "--runs", "2", "--ind", "10", "--pops", "2", "--stem", "x"},
                                   dir.str());
  ASSERT_EQ(w.status, 0) << w.err;
  // Quoted with apostrophes, the apostrophe in the name doubled.
  test::write_file(dir / "p.par", "'" + dir.str() + "/my \"odd'' runs'\nx*\n2\n3\n10\n2\n");
  const auto r = test::run_pelvano({"p.par"}, dir.str());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Results in file: " + folder + "/x.K\n"), std::string::npos) << r.out;
  EXPECT_TRUE(test::fs::exists(folder + "/x.K"));
}

}  // namespace
}  // namespace pelvano
