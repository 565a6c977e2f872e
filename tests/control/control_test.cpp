#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <limits>

#include "control/driver.hpp"
#include "control/fatal.hpp"
#include "control/tables.hpp"
#include "control/variables.hpp"
#include "support/test_support.hpp"

namespace pelvano {
namespace {

using test::TempDir;

TEST(Itoc, DecimalTextWithoutBlanks) {
  EXPECT_EQ(itoc(0), "0");
  EXPECT_EQ(itoc(-7), "-7");
  EXPECT_EQ(itoc(std::numeric_limits<std::int32_t>::max()), "2147483647");
  EXPECT_EQ(itoc(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(itoc(20000000000LL), "20000000000");
}

TEST(Banner, SixLinesFramedBySeparators) {
  const std::string b = banner_text();
  const std::string sep(89, '-');
  ASSERT_EQ(b.substr(0, 90), sep + "\n");
  EXPECT_EQ(b.substr(90, 41), "Pelvano, Version 1.0.0.0, Build 20180630\n");
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t p; (p = b.find('\n', start)) != std::string::npos; start = p + 1) {
    lines.push_back(b.substr(start, p - start));
  }
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(start, b.size());
  EXPECT_FALSE(lines[2].empty());
  EXPECT_FALSE(lines[3].empty());
  EXPECT_EQ(lines[4], sep);
  EXPECT_EQ(lines[5], "");
  for (const auto& l : lines) EXPECT_EQ(l.find_last_not_of(' ') + 1, l.size()) << l;
}

TEST(Sleeping, WaitsAtLeastTheGivenTime) {
  const auto start = std::chrono::steady_clock::now();
  sleeping(0.3f);
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(took, 0.3);
  EXPECT_LT(took, 1.0);
}

TEST(Checkdir, TellsWhetherAFileCanBeCreatedAndLeavesNothingBehind) {
  TempDir dir;
  EXPECT_EQ(checkdir(dir.str() + "/"), 1);
  EXPECT_TRUE(test::list_dir(dir.str()).empty());
  EXPECT_EQ(checkdir(dir / "missing/"), 0);
  test::write_file(dir / "plain", "x");
  EXPECT_EQ(checkdir(dir / "plain/"), 0);
  EXPECT_EQ(checkdir("/proc/"), 0);  // not writable, not even for root
  EXPECT_EQ(test::list_dir(dir.str()), std::vector<std::string>{"plain"});
}

TEST(Checkdir, NeverTouchesAFileOfTheUsers) {
  TempDir dir;
  test::write_file(dir / "deleteme.txt", "the user's own notes");
  EXPECT_EQ(checkdir(dir.str() + "/"), 1);
  EXPECT_EQ(test::read_file(dir / "deleteme.txt"), "the user's own notes");
  EXPECT_EQ(test::list_dir(dir.str()), std::vector<std::string>{"deleteme.txt"});

  // A link in the probe's place is not followed.
  TempDir other;
  test::write_file(other / "target", "keep");
  ASSERT_EQ(::symlink((other / "target").c_str(), (other / "deleteme.txt").c_str()), 0);
  EXPECT_EQ(checkdir(other.str() + "/"), 1);
  EXPECT_EQ(test::read_file(other / "target"), "keep");
  EXPECT_EQ(test::list_dir(other.str()), (std::vector<std::string>{"deleteme.txt", "target"}));
}

TEST(Checkdir, UnwritableFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  test::fs::permissions(dir.path, test::fs::perms::owner_read | test::fs::perms::owner_exec);
  EXPECT_EQ(checkdir(dir.str() + "/"), 0);
}

TEST(ErrorFile, NameAndContentReplaceAnOlderOne) {
  TempDir dir;
  const std::string par = dir / "study.par";
  EXPECT_EQ(error_file_name(par + "   "), par + ".error");
  test::write_file(par + ".error", "an older message that was much longer\nand had two lines\n");
  EXPECT_TRUE(write_error_file(par, "The new message!   "));
  EXPECT_EQ(test::read_file(par + ".error"), "The new message!\n");
}

TEST(ReportFatal, ConsoleErrorFileAndStatus) {
  TempDir dir;
  pelvano::Run run;
  run.pauses = false;
  run.fname = dir / "p.par";
  test::Capture out, err, out2;
  run.console = out.file;
  run.errstream = err.file;
  EXPECT_EQ(report_fatal(run, FatalError{"Something is wrong!  ", FatalKind::check}), 1);
  EXPECT_EQ(out.text(), "Something is wrong!\n");
  EXPECT_EQ(err.text(), "");
  EXPECT_EQ(test::read_file(run.fname + ".error"), "Something is wrong!\n");

  run.console = out2.file;
  EXPECT_EQ(
      report_fatal(run, FatalError{"End of file in file, x, at line 3!", FatalKind::read_failure}),
      1);
  EXPECT_EQ(out2.text(), "");
  EXPECT_EQ(err.text(), "End of file in file, x, at line 3!\n");
  EXPECT_EQ(test::read_file(run.fname + ".error"), "End of file in file, x, at line 3!\n");
}

TEST(StopOnError, ThrowsTheMessageWithoutTrailingBlanks) {
  try {
    stoponerror("Bad things!   ");
    FAIL() << "stoponerror returned";
  } catch (const FatalError& e) {
    EXPECT_EQ(e.message, "Bad things!");
    EXPECT_EQ(e.kind, FatalKind::check);
  }
}

TEST(Tables, IndexRangesFollowTheParameters) {
  struct Case {
    std::int32_t kstart, kend, nind, nrun;
    std::int64_t x_rows, l1, deltak, bestrep;
  };
  const Case cases[] = {{1, 1, 5, 2, 1, 0, 0, 1},
                        {2, 3, 5, 2, 2, 1, 0, 3},
                        {1, 4, 5, 2, 4, 3, 2, 4},
                        {3, 5, 10, 2, 3, 2, 1, 5}};
  for (const Case& c : cases) {
    pelvano::Run run;
    run.KSTART = c.kstart;
    run.KEND = c.kend;
    run.NIND = c.nind;
    run.NRUN = c.nrun;
    create_tables(run);
    EXPECT_EQ(run.X.n1, c.x_rows);
    EXPECT_EQ(run.X.n2, 2);
    EXPECT_EQ(run.L1.n, c.l1);
    EXPECT_EQ(run.DELTAK.n, c.deltak);
    EXPECT_EQ(run.BESTREP.n, c.bestrep);
    EXPECT_EQ(run.CLUSTERSIZE.n, c.kend);
    EXPECT_EQ(run.L1.lo, c.kstart + 1);
    EXPECT_EQ(run.DELTAK.lo, c.kstart + 1);
    EXPECT_EQ(run.Q2.lo1, 0);
    EXPECT_EQ(run.Q2.n1, 6);
    EXPECT_EQ(run.LOGLK.n1, c.nrun);
    EXPECT_EQ(run.CLUSTER.n1, c.nind);
    ASSERT_EQ(run.Q.size(), static_cast<std::size_t>(c.kend - c.kstart + 1));
    for (std::int32_t k = c.kstart; k <= c.kend; ++k) {
      EXPECT_EQ(run.q(k).v.size(), static_cast<std::size_t>(k * c.nind * c.nrun));
    }
  }
}

TEST(Tables, MembershipLayoutKeepsOneIndividualTogether) {
  pelvano::Run run;
  run.KSTART = 3;
  run.KEND = 5;
  run.NIND = 10;
  run.NRUN = 2;
  create_tables(run);
  QEntry& q = run.q(5);
  q(1, 1, 1) = 1.0f;
  q(5, 1, 1) = 5.0f;
  q(1, 2, 1) = 6.0f;
  q(1, 1, 2) = 7.0f;
  EXPECT_EQ(q.v[0], 1.0f);
  EXPECT_EQ(q.v[4], 5.0f);
  EXPECT_EQ(q.v[5], 6.0f);
  EXPECT_EQ(q.v[50], 7.0f);
  EXPECT_EQ(q.replicate(2)[0], 7.0f);
}

TEST(Tables, AbsurdSizesStopWithAMessageInsteadOfAllocating) {
  pelvano::Run run;
  run.KSTART = 1;
  run.KEND = 2000000000;
  run.NIND = 2000000000;
  run.NRUN = 10;
  try {
    create_tables(run);
    FAIL() << "tables were created";
  } catch (const FatalError& e) {
    EXPECT_EQ(e.message.rfind("Not enough memory: the run tables for K from 1 to 2000000000, "
                              "2000000000 individuals and 10 runs per K value need ",
                              0),
              0u)
        << e.message;
  }
  EXPECT_EQ(table_bytes(1, 3, 4, 2),
            4 * 2 * 12 + 3 * 8 + 3 * (11 * 8 + 4) + 2 * 3 * 8 + 3 * sizeof(QEntry) + 6 * 4 * 2 * 4);
}

}  // namespace
}  // namespace pelvano
