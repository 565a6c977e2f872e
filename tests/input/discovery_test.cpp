#include "input/discovery.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "control/fatal.hpp"
#include "support/test_support.hpp"

namespace pelvano {
namespace {

using test::TempDir;
using Names = std::vector<std::string>;

TEST(ListMatching, ShellRulesDirectoriesLeftOutByteOrder) {
  TempDir dir;
  for (const char* name : {"K1_run2_f", "K1_run10_f", "K2_run1_f", "K_f", "Kx_f.bak", "L1_f",
                           ".K3_f", "K 4_f", "K5_F", "K6_f~", "Ka_f", "KB_f"}) {
    test::write_file(dir / name, "x");
  }
  test::fs::create_directory(dir / "K7_f");
  ASSERT_EQ(::symlink("nowhere", (dir / "K8_f").c_str()), 0);               // broken link
  ASSERT_EQ(::symlink((dir / "K7_f").c_str(), (dir / "K9_f").c_str()), 0);  // link to a folder

  EXPECT_EQ(
      list_matching(dir.str() + "/", "K*_f"),
      (Names{"K 4_f", "K1_run10_f", "K1_run2_f", "K2_run1_f", "K8_f", "KB_f", "K_f", "Ka_f"}));
  EXPECT_EQ(list_matching(dir.str() + "/", "*_f"),
            (Names{"K 4_f", "K1_run10_f", "K1_run2_f", "K2_run1_f", "K8_f", "KB_f", "K_f", "Ka_f",
                   "L1_f"}));
  EXPECT_EQ(list_matching(dir.str() + "/", ".K*_f"), Names{".K3_f"});
  EXPECT_EQ(list_matching(dir.str() + "/", "K?_f"), (Names{"K8_f", "KB_f", "Ka_f"}));
  EXPECT_EQ(list_matching(dir.str() + "/", "K[0-9]*_f"),
            (Names{"K1_run10_f", "K1_run2_f", "K2_run1_f", "K8_f"}));
  EXPECT_EQ(list_matching(dir / "missing/", "K*_f"), Names{});
}

struct Study {
  TempDir dir;
  std::string folder;
  explicit Study(const std::string& sub = "runs") {
    folder = dir / sub;
    test::fs::create_directory(folder);
  }
  void add(const std::string& name) { test::write_file(folder + "/" + name, "x"); }
};

std::string discover_message(pelvano::Run& run) {
  try {
    discover(run);
  } catch (const FatalError& e) {
    return e.message;
  }
  return "";
}

TEST(Discover, ListFileNamesAndReadFile) {
  Study s("my runs");  // a blank in the folder name
  for (const char* n : {"K2_run1_f", "K1_run2_f", "K1_run1_f", "K2_run2_f", "notes.txt"}) s.add(n);
  test::write_file(s.folder + "/K.list", "an old list that must be replaced\n");
  test::Capture console;
  pelvano::Run run;
  test::set_up_run(run, console, s.folder, "K*", 1, 2, 3, 2);
  ASSERT_EQ(discover_message(run), "");
  EXPECT_EQ(run.FILELISTNAME, s.folder + "/K.list");
  EXPECT_EQ(run.ESTFILENAME, s.folder + "/K.K");
  EXPECT_EQ(run.NFILES, 4);
  const Names expected = {s.folder + "/K1_run1_f", s.folder + "/K1_run2_f", s.folder + "/K2_run1_f",
                          s.folder + "/K2_run2_f"};
  EXPECT_EQ(run.READFILE, expected);
  std::string list;
  for (const auto& n : expected) list += n + "\n";
  EXPECT_EQ(test::read_file(run.FILELISTNAME), list);
  EXPECT_EQ(console.text(), "");
  EXPECT_EQ(test::list_dir(s.folder),
            (Names{"K.list", "K1_run1_f", "K1_run2_f", "K2_run1_f", "K2_run2_f", "notes.txt"}));
}

TEST(Discover, LoneStarNamesListAndResultsAfterTheFolder) {
  Study s;
  s.add("a_f");
  test::Capture console;
  pelvano::Run run;
  test::set_up_run(run, console, s.folder, "*", 3, 3, 3, 1);
  ASSERT_EQ(discover_message(run), "");
  EXPECT_EQ(run.FILELISTNAME, s.folder + "/.list");
  EXPECT_EQ(run.ESTFILENAME, s.folder + "/.K");
  EXPECT_EQ(run.READFILE, Names{s.folder + "/a_f"});
}

TEST(Discover, CountMustMatch) {
  struct Case {
    int files, kstart, kend, nrun;
    std::string count, expected;
  };
  const Case cases[] = {
      {49, 1, 5, 10, "49", "50"}, {51, 1, 5, 10, "51", "50"}, {0, 1, 5, 10, "0", "50"}};
  for (const Case& c : cases) {
    Study s;
    for (int i = 0; i < c.files; ++i) s.add("K" + std::to_string(i) + "_f");
    test::Capture console;
    pelvano::Run run;
    test::set_up_run(run, console, s.folder, "K*", c.kstart, c.kend, 3, c.nrun);
    EXPECT_EQ(discover_message(run),
              "The number of Structure output files in folder " + s.folder + " is " + c.count +
                  ", which is not equal to the expected value of " + c.expected + "!");
    // The list stays for the user to see what was found.
    EXPECT_TRUE(test::fs::exists(s.folder + "/K.list"));
  }
}

TEST(Discover, CountBeyondThirtyTwoBits) {
  Study s;
  test::Capture console;
  pelvano::Run run;
  test::set_up_run(run, console, s.folder, "K*", 1, 1, 1, 1);
  run.KEND = 2000000000;  // as if the tables had been created for it
  run.NRUN = 2000000000;
  EXPECT_EQ(discover_message(run), "The number of Structure output files in folder " + s.folder +
                                       " is 0, which is not equal to the expected value of "
                                       "4000000000000000000!");
}

TEST(Discover, BrokenLinkDoesNotExist) {
  Study s;
  s.add("K1_f");
  ASSERT_EQ(::symlink("gone", (s.folder + "/K2_f").c_str()), 0);
  test::Capture console;
  pelvano::Run run;
  test::set_up_run(run, console, s.folder, "K*", 1, 2, 3, 1);
  EXPECT_EQ(discover_message(run), "Output file, " + s.folder + "/K2_f, does not exist!");
}

}  // namespace
}  // namespace pelvano
