#include "input/structure_reader.hpp"

#include <gtest/gtest.h>

#include "control/fatal.hpp"
#include "input/discovery.hpp"
#include "support/structure_files.hpp"
#include "support/test_support.hpp"

namespace pelvano {
namespace {

using test::StructureFile;
using test::TempDir;
using Rows = std::vector<std::vector<std::string>>;

// A study folder of hand-made files and a run over it.
struct Study {
  TempDir dir;
  test::Capture console;
  pelvano::Run run;
  std::string folder = dir.str();

  void add(const std::string& name, const StructureFile& f) {
    test::write_file(folder + "/" + name, test::structure_text(f));
  }
  void add_text(const std::string& name, const std::string& text) {
    test::write_file(folder + "/" + name, text);
  }
  // Discovers and reads the files; returns the fatal message or "".
  std::string read(int kstart, int kend, int nind, int nrun) {
    test::set_up_run(run, console, folder, "K*", kstart, kend, nind, nrun);
    try {
      discover(run);
      read_output_files(run);
    } catch (const FatalError& e) {
      return e.message;
    }
    return "";
  }
  std::string file(const std::string& name) const { return folder + "/" + name; }
};

StructureFile two_by_two(const std::string& lnp = "-1234.5") {
  StructureFile f;
  f.individuals = 2;
  f.k = 2;
  f.lnp = lnp;
  f.memberships = {{"0.100", "0.900"}, {"0.650", "0.350"}};
  return f;
}

TEST(ReadOutputFiles, ValuesLandInTheTablesByListOrder) {
  Study s;
  // Run numbers follow the list order, which is byte order: "run10" before "run2".
  s.add("K2_run10_f", two_by_two("-10.5"));
  s.add("K2_run2_f", two_by_two("-20.25"));
  StructureFile k1;
  k1.individuals = 2;
  k1.k = 1;
  k1.lnp = "-3456.7";
  k1.memberships = {{"1.000"}, {"1.0"}};
  s.add("K1_run1_f", k1);
  StructureFile k1b = k1;
  k1b.lnp = "-3.5D2";
  s.add("K1_run2_f", k1b);
  ASSERT_EQ(s.read(1, 2, 2, 2), "");
  EXPECT_EQ(s.run.KRUN(1), 2);
  EXPECT_EQ(s.run.KRUN(2), 2);
  EXPECT_EQ(s.run.LOGLK(1, 1), -3456.7);
  EXPECT_EQ(s.run.LOGLK(2, 1), -350.0);
  EXPECT_EQ(s.run.LOGLK(1, 2), -10.5);
  EXPECT_EQ(s.run.LOGLK(2, 2), -20.25);
  EXPECT_EQ(s.run.q(2)(1, 1, 1), 0.1f);
  EXPECT_EQ(s.run.q(2)(2, 1, 1), 0.9f);
  EXPECT_EQ(s.run.q(2)(1, 2, 2), 0.65f);
  EXPECT_EQ(s.run.q(1)(1, 2, 2), 1.0f);
  // One progress record per file, each rewriting the line, then one line end.
  EXPECT_EQ(s.console.text(), "\rReading file 1, " + s.file("K1_run1_f") + "        " +
                                  "\rReading file 2, " + s.file("K1_run2_f") + "        " +
                                  "\rReading file 3, " + s.file("K2_run10_f") + "        " +
                                  "\rReading file 4, " + s.file("K2_run2_f") + "        \n");
}

TEST(ReadOutputFiles, InterleavedKValuesGetRunsInListOrder) {
  Study s;
  const char* names[] = {"K_a_f", "K_b_f", "K_c_f", "K_d_f", "K_e_f", "K_f_f"};
  const int ks[] = {3, 3, 2, 3, 2, 2};
  for (int i = 0; i < 6; ++i) {
    StructureFile f;
    f.individuals = 1;
    f.k = ks[i];
    f.lnp = std::to_string(-100 - i);
    f.memberships = {std::vector<std::string>(static_cast<std::size_t>(ks[i]), "0.5")};
    s.add(names[i], f);
  }
  ASSERT_EQ(s.read(2, 3, 1, 3), "");
  EXPECT_EQ(s.run.LOGLK(1, 3), -100);
  EXPECT_EQ(s.run.LOGLK(2, 3), -101);
  EXPECT_EQ(s.run.LOGLK(3, 3), -103);
  EXPECT_EQ(s.run.LOGLK(1, 2), -102);
  EXPECT_EQ(s.run.LOGLK(2, 2), -104);
  EXPECT_EQ(s.run.LOGLK(3, 2), -105);
}

TEST(ReadOutputFiles, HeaderChecks) {
  {
    Study s;
    StructureFile f = two_by_two();
    f.individuals = 100;
    s.add("K3_run1_f", f);
    EXPECT_EQ(s.read(1, 1, 99, 1),
              "The number of indivduals in output file, " + s.file("K3_run1_f") +
                  ", is 100, which is different from the number, 99 in the input file!");
  }
  {
    Study s;
    StructureFile f = two_by_two();
    f.individuals = 1;
    f.k = 7;
    f.memberships = {std::vector<std::string>(7, "0.1")};
    s.add("K7_run1_f", f);
    EXPECT_EQ(s.read(2, 6, 1, 1) + "|",  // five files expected: add four that are never read
              std::string("The number of Structure output files in folder ") + s.folder +
                  " is 1, which is not equal to the expected value of 5!|");
    for (int i = 2; i <= 5; ++i) s.add("K7_run" + std::to_string(i) + "_f", f);
    EXPECT_EQ(s.read(2, 6, 1, 1),
              "The number of assumed populations in output file, " + s.file("K7_run1_f") +
                  ", is 7, which is out of the range [2,6] defined in the input file!");
  }
  {
    // Files are checked in list order: the first bad one stops the run.
    Study s;
    StructureFile bad = two_by_two();
    bad.individuals = 3;
    s.add("K1_f", two_by_two());
    s.add("K2_f", bad);
    s.add("K3_f", bad);
    const std::string msg = s.read(2, 2, 2, 3);
    EXPECT_NE(msg.find(s.file("K2_f")), std::string::npos) << msg;
  }
}

TEST(ReadOutputFiles, MoreRunsOfOneKThanTheParameterFileAllows) {
  Study s;
  s.add("K_1_f", two_by_two());
  s.add("K_2_f", two_by_two());
  s.add("K_3_f", two_by_two());
  StructureFile k1;
  k1.individuals = 2;
  k1.k = 1;
  k1.memberships = {{"1"}, {"1"}};
  s.add("K_4_f", k1);
  EXPECT_EQ(s.read(1, 2, 2, 2), "Output file, " + s.file("K_3_f") +
                                    ", is run 3 of K = 2, more than the 2 runs per K value in "
                                    "the input file!");
}

TEST(ReadOutputFiles, AncestryTableLayouts) {
  struct Case {
    std::string header;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      // Labels, four values before the memberships.
      {"        Label (%Miss) :  Inferred clusters",
       {"  1     ind1    (0)   :  0.012 0.988 ", "  2     ind2    (7)   :  0.650 0.350"}},
      // A population column: five values.
      {"        Label (%Miss) Pop:  Inferred clusters",
       {"  1     ind1    (0)    2 :  0.012 0.988 ", "  2     ind2    (7)    1 :  0.650 0.350"}},
      // No labels: three values, the third being ":".
      {"        (%Miss) :  Inferred clusters",
       {"  1    (0)   :  0.012 0.988", "  2    (7)   :  0.650 0.350"}},
      // No labels with a population column: four values, the fourth being ":".
      {"  (%Miss) Pop:  Inferred clusters",
       {"  1    (0)  2 :  0.012 0.988", "  2    (7)  1 :  0.650 0.350"}},
      // A row split over lines, blank lines between rows, values after the K-th ignored.
      {"        Label (%Miss) :  Inferred clusters",
       {"  1     ind1    (0)   :  0.012", "", "  0.988 ", "", "  2 ind2 (7) : 0.650 0.350 9 9"}},
      // Labels that hold a colon elsewhere are fine; only a value ":" counts.
      {"        Label (%Miss) :  Inferred clusters",
       {"  1     a:b    (0)   :  0.012 0.988 ", "  2     c:    (7)   :  0.650 0.350"}},
  };
  for (const Case& c : cases) {
    Study s;
    StructureFile f = two_by_two();
    f.table_header = c.header;
    f.rows = c.rows;
    s.add("K_f", f);
    ASSERT_EQ(s.read(2, 2, 2, 1), "") << c.header;
    EXPECT_EQ(s.run.q(2)(1, 1, 1), 0.012f) << c.header;
    EXPECT_EQ(s.run.q(2)(2, 1, 1), 0.988f) << c.header;
    EXPECT_EQ(s.run.q(2)(1, 2, 1), 0.65f) << c.header;
    EXPECT_EQ(s.run.q(2)(2, 2, 1), 0.35f) << c.header;
  }
}

TEST(ReadOutputFiles, MarkersBeyondThe29thCharacterAreNotSeen) {
  {
    // "Pop:" beyond the 29th character: four values are skipped, so the population
    // number is taken as the first membership.
    Study s;
    StructureFile f = two_by_two();
    f.table_header = "        Label (%Miss)             Pop:  Inferred clusters";
    f.rows = {"  1 ind1 (0) 2 : 0.012 0.988", "  2 ind2 (0) 1 : 0.650 0.350"};
    s.add("K_f", f);
    // The fourth value is "2", the fifth ":" is read as a membership: a syntax error.
    EXPECT_EQ(s.read(2, 2, 2, 1), "Syntax error in file, " + s.file("K_f") + ", at line 20!");
  }
  {
    // "(%Miss)" beyond the 29th character: the header is never found.
    Study s;
    StructureFile f = two_by_two();
    f.table_header = "        Label                       (%Miss) :  Inferred clusters";
    s.add("K_f", f);
    EXPECT_EQ(s.read(2, 2, 2, 1).rfind("End of file in file, " + s.file("K_f"), 0), 0u);
  }
}

TEST(ReadOutputFiles, ReadFailures) {
  struct Case {
    std::string what;
    StructureFile file;
    std::string message;  // "@" is the file name
  };
  std::vector<Case> cases;
  {
    StructureFile f = two_by_two();
    f.lnp = "-3456.7";
    Case c{"one blank before =", f, "End of file in file, @, at line 24!"};
    // Replace the marker line with a one-blank variant.
    cases.push_back(c);
  }
  {
    StructureFile f = two_by_two();
    f.rows = {"  1     ind1    (0)   :  0.012 0.988 "};
    // The lines after the table are taken as the missing row.
    cases.push_back({"truncated table", f, "Syntax error in file, @, at line 22!"});
  }
  {
    StructureFile f = two_by_two();
    f.rows = {"  1     ind1    (0)   :  0.012 abc", "  2     ind2    (0)   :  0.5 0.5"};
    cases.push_back({"letters for a membership", f, "Syntax error in file, @, at line 20!"});
  }
  {
    StructureFile f = two_by_two();
    f.rows = {"  1     ind1    (0)   :  0.012 1e39", "  2     ind2    (0)   :  0.5 0.5"};
    cases.push_back({"membership too large", f, "Conversion error in file, @, at line 20!"});
  }
  {
    StructureFile f = two_by_two();
    f.rows = {"  1     ind1    (0)   :  0.012 NaN", "  2     ind2    (0)   :  0.5 0.5"};
    cases.push_back({"NaN membership", f, "Syntax error in file, @, at line 20!"});
  }
  {
    StructureFile f = two_by_two();
    f.rows = {"  1     ind1    (0)   :  0.012,,0.5", "  2     ind2    (0)   :  0.5 0.5"};
    cases.push_back({"null membership", f, "Missing value in file, @, at line 20!"});
  }
  {
    StructureFile f = two_by_two();
    f.rows = {"  1     ind1    (0)   :  2*", "  2     ind2    (0)   :  0.5 0.5"};
    cases.push_back({"repeat without value", f, "Missing value in file, @, at line 20!"});
  }
  {
    StructureFile f = two_by_two();
    f.rows = {"  1     ind1    (0)   :  0.5 / 0.5", "  2     ind2    (0)   :  0.5 0.5"};
    cases.push_back({"slash in the memberships", f, "Missing value in file, @, at line 20!"});
  }
  {
    StructureFile f = two_by_two();
    f.lnp = ",,";
    cases.push_back({"null log probability", f, "Missing value in file, @, at line 15!"});
  }
  {
    // A comma after the "=" is a separator: the value is looked for on the next line.
    StructureFile f = two_by_two();
    f.lnp = ",";
    cases.push_back({"comma for log probability", f, "Syntax error in file, @, at line 16!"});
  }
  {
    StructureFile f = two_by_two();
    f.lnp = "-12x";
    cases.push_back({"bad log probability", f, "Syntax error in file, @, at line 15!"});
  }
  for (Case& c : cases) {
    Study s;
    std::string text = test::structure_text(c.file);
    if (c.what == "one blank before =") {
      text.replace(text.find("Estimated Ln Prob of Data   ="), 29, "Estimated Ln Prob of Data =");
    }
    s.add_text("K_f", text);
    std::string expected = c.message;
    expected.replace(expected.find('@'), 1, s.file("K_f"));
    EXPECT_EQ(s.read(2, 2, 2, 1), expected) << c.what;
  }
}

TEST(ReadOutputFiles, HeaderVariants) {
  struct Case {
    std::string what;
    std::string text;
    std::string message;  // "" for success
  };
  const std::string rest = "Estimated Ln Prob of Data   = -5.5\n(%Miss)\n 1 a (0) : 0.25 0.75\n";
  const Case cases[] = {
      {"blank lines before the counts",
       "Run parameters:\n\n   1 individuals\n\n \n 7 loci\n\t2 populations\n" + rest, ""},
      {"CR LF line ends",
       "Run parameters:\r\n 1 individuals\r\n 7 loci\r\n 2 populations\r\n"
       "Estimated Ln Prob of Data   = -5.5\r\n(%Miss)\r\n 1 a (0) : 0.25 0.75\r\n",
       ""},
      {"Run must be the first value", "Runs\nthe Run\nRun\n 1\n 7\n 2\n" + rest, ""},
      {"a first line of slashes and commas", "/etc\n,\nRun\n 1\n 7\n 2\n" + rest, ""},
      {"run in lower case", "run parameters:\n 1\n 7\n 2\n" + rest,
       "End of file in file, @, at line 7!"},
      {"no Run at all", "", "End of file in file, @, at line 0!"},
      {"letters for the individuals", "Run\n many individuals\n",
       "Syntax error in file, @, at line 2!"},
      {"null for K", "Run\n 1\n 7\n ,\n" + rest, "Missing value in file, @, at line 4!"},
      {"null for loci is not used", "Run\n 1\n ,\n 2\n" + rest, ""},
  };
  for (const Case& c : cases) {
    Study s;
    s.add_text("K_f", c.text);
    std::string expected = c.message;
    if (!expected.empty()) expected.replace(expected.find('@'), 1, s.file("K_f"));
    EXPECT_EQ(s.read(2, 2, 1, 1), expected) << c.what;
    if (expected.empty()) {
      EXPECT_EQ(s.run.LOGLK(1, 2), -5.5) << c.what;
      EXPECT_EQ(s.run.q(2)(2, 1, 1), 0.75f) << c.what;
    }
  }
}

TEST(ReadOutputFiles, TableCutAfterItsFirstRow) {
  Study s;
  s.add_text(
      "K_f",
      "Run\n 2\n 7\n 2\nEstimated Ln Prob of Data   = -5.5\n(%Miss)\n 1 a (0) : 0.25 0.75\n");
  EXPECT_EQ(s.read(2, 2, 2, 1), "End of file in file, " + s.file("K_f") + ", at line 7!");
}

TEST(ReadOutputFiles, WriterFilesReadBack) {
  // Files from the Structure-format writer, with and without a population column and
  // with CR LF line ends, read back to the values the writer was given.
  TempDir dir;
  const std::string rows = dir / "rows.txt";
  test::write_file(rows, "0.100 0.900\n0.651 0.349\n0.500 0.500\n");
  const std::vector<std::vector<std::string>> variants = {
      {}, {"--pop-column"}, {"--no-labels"}, {"--crlf"}};
  int n = 0;
  for (const auto& extra : variants) {
    ++n;
    std::vector<std::string> args = {"file",  "--out", dir / ("K" + std::to_string(n) + "_f"),
                                     "--ind", "3",     "--k",
                                     "2",     "--lnp", "-77.25",
                                     "--q",   rows,    "--loci",
                                     "50"};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto r = test::run_program(STRWRITE_BIN, args, dir.str());
    ASSERT_EQ(r.status, 0) << r.err;
  }
  test::Capture console;
  pelvano::Run run;
  test::fs::remove(rows);
  test::set_up_run(run, console, dir.str(), "K*", 2, 2, 3, 4);
  discover(run);
  read_output_files(run);
  for (int r = 1; r <= 4; ++r) {
    EXPECT_EQ(run.LOGLK(r, 2), -77.25);
    EXPECT_EQ(run.q(2)(1, 1, r), 0.1f);
    EXPECT_EQ(run.q(2)(2, 2, r), 0.349f);
    EXPECT_EQ(run.q(2)(2, 3, r), 0.5f);
  }
}

}  // namespace
}  // namespace pelvano
