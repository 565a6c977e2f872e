// What a run may touch: only the list, results and error files (and the probe of the
// folder, which it removes), never through a link someone else put there, and never a
// shell, whatever the names of the folder and the files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/guarded_run.hpp"
#include "support/test_support.hpp"

namespace pelvano {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// The text in apostrophes, as a parameter file needs it, an apostrophe in it doubled.
std::string in_quotes(const std::string& text) {
  std::string q = "'";
  for (const char c : text) q += c == '\'' ? std::string("''") : std::string(1, c);
  return q + "'";
}

// A study made by the writer in `folder` (below the scratch folder) with the given stem,
// K = 1..3, 3 runs of 24 individuals, and its parameter file "study.par".
struct Study {
  TempDir dir;
  std::string folder;
  std::string stem;
  Study(std::string folder_name, std::string stem_name)
      : folder(std::move(folder_name)), stem(std::move(stem_name)) {
    const auto w =
        test::run_program(STRWRITE_BIN,
                          {"study", "--dir", dir / folder, "--stem", stem, "--kmin", "1", "--kmax",
                           "3", "--runs", "3", "--ind", "24", "--pops", "2", "--loci", "1"},
                          dir.str());
    EXPECT_EQ(w.status, 0) << w.err;
    test::write_file(dir / "study.par",
                     in_quotes(folder) + "\n" + in_quotes(stem + "*") + "\n1\n3\n24\n3\n");
  }
  std::string path(const std::string& name) const { return dir / name; }
  test::GuardedResult run() const {
    return test::run_guarded(PELVANO_BIN, {"study.par"}, dir.str());
  }
};

bool is_link(const std::string& name) {
  struct stat st {};
  return ::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(FileSafety, NamesWithShellSyntaxAreNeverRun) {
  const std::string folder = "runs $(touch made-by-a-shell) `touch made-too`; touch made-three";
  Study s(folder, "K$(touch made-four)|x&");
  const auto before = test::snapshot(s.dir.str());
  const auto r = s.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // Only the list and the results file are new; no "made-..." file anywhere.
  EXPECT_EQ(
      test::changed_entries(before, test::snapshot(s.dir.str())),
      (std::vector<std::string>{folder + "/" + s.stem + ".K", folder + "/" + s.stem + ".list"}));
  EXPECT_FALSE(fs::exists(s.path("made-by-a-shell")));
}

TEST(FileSafety, QuotesAndLongNamesInTheFolder) {
  // File names of 250 characters with quotes in them: a complete report names the best one.
  Study s("runs", "K");
  const std::string tail = "_it's \"quoted\"_" + std::string(220, 'x') + "_f";
  for (const std::string& name : test::list_dir(s.path("runs"))) {
    fs::rename(s.path("runs/" + name), s.path("runs/" + name.substr(0, name.size() - 2) + tail));
  }
  const auto r = s.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string report = test::read_file(s.path("runs/K.K"));
  EXPECT_NE(report.find("  Best output file = runs/K"), std::string::npos) << report;
  EXPECT_NE(report.find(tail + "\n"), std::string::npos) << report;
}

TEST(FileSafety, LinksInPlaceOfTheListAndResultsFilesAreReplacedNotFollowed) {
  Study s("runs", "K");
  test::write_file(s.path("outside-list"), "not a list\n");
  test::write_file(s.path("outside-report"), "not a report\n");
  fs::create_symlink("../outside-list", s.path("runs/K.list"));
  fs::create_symlink("../outside-report", s.path("runs/K.K"));
  const auto r = s.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(test::read_file(s.path("outside-list")), "not a list\n");
  EXPECT_EQ(test::read_file(s.path("outside-report")), "not a report\n");
  EXPECT_FALSE(is_link(s.path("runs/K.list")));
  EXPECT_FALSE(is_link(s.path("runs/K.K")));
  EXPECT_EQ(test::read_file(s.path("runs/K.K")).rfind(test::expected_banner(), 0), 0u);
}

TEST(FileSafety, ProbeNeverTouchesALinkInItsPlace) {
  // The folder probe is created exclusively: a dangling link in its place is not followed.
  Study s("runs", "K");
  fs::create_symlink("../probe-target", s.path("runs/deleteme.txt"));
  const auto r = s.run();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_FALSE(fs::exists(s.path("probe-target")));
  EXPECT_TRUE(is_link(s.path("runs/deleteme.txt")));
}

TEST(FileSafety, ErrorFileThatIsALinkOrAFifo) {
  // The message still reaches the console; the file behind the link is left alone, and a
  // FIFO with no reader does not hold the run up.
  const std::string message = "The path, no-such-folder, does not exist!";
  {
    Study s("runs", "K");
    test::write_file(s.path("study.par"), "no-such-folder\nK*\n1\n3\n24\n3\n");
    test::write_file(s.path("outside"), "kept\n");
    fs::create_symlink("outside", s.path("study.par.error"));
    const auto r = s.run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, test::expected_banner() + message + "\n");
    EXPECT_EQ(r.err, "Cannot write file, study.par.error: Too many levels of symbolic links!\n");
    EXPECT_EQ(test::read_file(s.path("outside")), "kept\n");
  }
  {
    Study s("runs", "K");
    test::write_file(s.path("study.par"), "no-such-folder\nK*\n1\n3\n24\n3\n");
    ASSERT_EQ(::mkfifo(s.path("study.par.error").c_str(), 0644), 0);
    const auto r = s.run();
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, test::expected_banner() + message + "\n");
    EXPECT_EQ(r.err, "Cannot write file, study.par.error: No such device or address!\n");
  }
}

}  // namespace
}  // namespace pelvano
