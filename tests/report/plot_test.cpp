// pelvano-plot run as a user runs it: its table and figure against Pelvano's report of the
// same study, and its behaviour on bad input against Pelvano's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <ostream>
#include <sstream>

#include "report/svg_facts.hpp"
#include "textio/format.hpp"

namespace pelvano {
namespace {

using test::TempDir;
using Row = std::map<std::string, std::string>;

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::istringstream in(text + (sep == '\n' ? "" : std::string(1, sep)));
  for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
  return parts;
}

double value(const std::string& cell) {
  if (cell == "NaN") return std::numeric_limits<double>::quiet_NaN();
  if (cell == "Inf" || cell == "-Inf") return std::copysign(HUGE_VAL, cell == "Inf" ? 1 : -1);
  return std::strtod(cell.c_str(), nullptr);
}

// The smallest K with the largest value of a column; a NaN or an empty cell never wins.
std::string first_largest(const std::vector<Row>& rows, const std::string& column) {
  std::string k = "none";
  double best = -HUGE_VAL;
  for (const Row& row : rows) {
    if (!row.at(column).empty() && value(row.at(column)) > best) {
      best = value(row.at(column));
      k = row.at("K");
    }
  }
  return k;
}

std::string cell(double v, int decimals) {
  return std::string(trim(fixedfield(v, 14, decimals)));
}

struct Study {
  std::string name;
  int kstart, kend, nind, nrun, pops, seed;
};

void PrintTo(const Study& s, std::ostream* os) {
  *os << s.name;
}

class PlotAgreesWithTheReport : public ::testing::TestWithParam<Study> {};

TEST_P(PlotAgreesWithTheReport, TableAndFigure) {
  const Study& s = GetParam();
  TempDir dir;
  const auto str = [](int n) { return std::to_string(n); };
  ASSERT_EQ(test::run_program(STRWRITE_BIN,
                              {"study", "--dir", dir / "runs", "--kmin", str(s.kstart), "--kmax",
                               str(s.kend), "--runs", str(s.nrun), "--ind", str(s.nind), "--pops",
                               str(s.pops), "--seed", str(s.seed)},
                              dir.str())
                .status,
            0);
  test::write_file(dir / "study.par", "runs\nK*\n" + str(s.kstart) + "\n" + str(s.kend) + "\n" +
                                          str(s.nind) + "\n" + str(s.nrun) + "\n");
  ASSERT_EQ(test::run_pelvano({"study.par"}, dir.str()).status, 0);
  const auto p = test::run_program(PLOT_BIN, {"study.par"}, dir.str());
  ASSERT_EQ(p.status, 0) << p.out << p.err;
  EXPECT_EQ(p.out.rfind("\rReading file 1, runs/", 0), 0u) << "no banner before the reading";
  EXPECT_NE(p.out.find("\nTable in file: runs/K.tsv\nFigure in file: runs/K.svg\n"),
            std::string::npos);

  // The report's table and choices.
  const auto report = split(test::read_file(dir / "runs/K.K"), '\n');
  std::size_t at = 0;
  while (at < report.size() && report[at].find("Mean_Ln(D|K)") == std::string::npos) ++at;
  std::map<std::string, std::string> chosen;
  for (const auto& line : report) {
    const auto eq = line.find(" = ");
    if (eq != std::string::npos)
      chosen[std::string(trim(line.substr(0, eq)))] = line.substr(eq + 3);
    if (line.size() == 20 && line[0] == ' ')
      chosen[std::string(trim(line.substr(0, 10)))] = std::string(trim(line.substr(10)));
  }

  const auto lines = split(test::read_file(dir / "runs/K.tsv"), '\n');
  const auto header = split(lines.at(0), '\t');
  std::vector<Row> rows;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto cells = split(lines[i], '\t');
    ASSERT_EQ(cells.size(), header.size()) << lines[i];
    Row row;
    for (std::size_t c = 0; c < cells.size(); ++c) row[header[c]] = cells[c];
    rows.push_back(row);
  }
  const std::size_t nk = static_cast<std::size_t>(s.kend - s.kstart + 1);
  ASSERT_EQ(rows.size(), nk);
  for (std::size_t i = 0; i < nk; ++i) {
    const Row& row = rows[i];
    const std::string& shown = report.at(at + 2 + i);
    SCOPED_TRACE(shown);
    EXPECT_EQ(row.at("K"), std::to_string(s.kstart + static_cast<int>(i)));
    EXPECT_EQ(row.at("Runs"), std::to_string(s.nrun));
    const double mean = value(row.at("Mean_LnP"));
    EXPECT_EQ(cell(mean, 2), trim(shown.substr(4, 14)));
    EXPECT_EQ(cell(value(row.at("Parsimony")), 4), trim(shown.substr(32, 14)));
    EXPECT_EQ(row.at("L1").empty(), i == 0);
    if (i > 0) {
      EXPECT_EQ(value(row.at("L1")), mean - value(rows[i - 1].at("Mean_LnP")));
    }
    if (i == 0 || i == nk - 1) {
      EXPECT_EQ(row.at("DeltaK") + row.at("Abs_L2") + std::string(trim(shown.substr(18, 14))), "-");
    } else {
      const double l2 = std::fabs(value(rows[i + 1].at("L1")) - value(row.at("L1")));
      EXPECT_EQ(value(row.at("Abs_L2")), l2);
      EXPECT_EQ(cell(value(row.at("DeltaK")), 4), trim(shown.substr(18, 14)));
      EXPECT_EQ(cell(value(row.at("DeltaK")), 4), cell(l2 / value(row.at("SD_LnP")), 4));
    }
  }
  EXPECT_EQ(first_largest(rows, "Mean_LnP"), chosen.at("Pritchard"));
  EXPECT_EQ(first_largest(rows, "DeltaK"),
            chosen.at("Evanno") == "0" ? "none" : chosen.at("Evanno"));
  EXPECT_EQ(first_largest(rows, "Parsimony"), chosen.at("Parsimony"));
  const Row& best = rows.at(static_cast<std::size_t>(std::stoi(chosen.at("Best K")) - s.kstart));
  EXPECT_EQ(best.at("Best_run").empty() ? "0" : best.at("Best_run"),
            chosen.at("Best replicate run"));
  EXPECT_EQ(best.at("Best_file").empty() ? "none" : best.at("Best_file"),
            chosen.at("Best output file"));

  const std::string f = test::svg_facts(dir / "runs/K.svg");
  EXPECT_EQ(f.find("not well-formed"), std::string::npos) << f;
  EXPECT_EQ(f.find("bad="), std::string::npos) << f;
  EXPECT_TRUE(test::fact(f, "count.circle.replicate=" + std::to_string(nk * s.nrun))) << f;
  EXPECT_TRUE(test::fact(f, "count.circle.mean=" + std::to_string(nk))) << f;
  if (s.nrun == 1 && nk >= 3) {
    EXPECT_EQ(f.find("count.circle.deltak="), std::string::npos) << f;
    EXPECT_NE(f.find("text=DeltaK left out for K = "), std::string::npos) << f;
  }
}

INSTANTIATE_TEST_SUITE_P(Studies, PlotAgreesWithTheReport,
                         ::testing::Values(Study{"TwoPopulations", 1, 4, 24, 3, 2, 1},
                                           Study{"ThreePopulations", 1, 6, 60, 5, 3, 7},
                                           Study{"OneRunPerK", 1, 3, 30, 1, 2, 3},
                                           Study{"SingleK", 3, 3, 20, 4, 3, 4},
                                           Study{"TwoK", 2, 3, 18, 3, 2, 9},
                                           Study{"UnscoredK", 1, 5, 12, 2, 2, 13}),
                         [](const auto& info) { return info.param.name; });

// Bad input: Pelvano's messages, error file, exit status and pauses, without its banner.
struct BadInput {
  std::string name;
  std::string parameters;  // "": no parameter file
  std::string cut;         // the text of a Structure output file cut inside its header
};

void PrintTo(const BadInput& b, std::ostream* os) {
  *os << b.name;
}

class PlotStopsLikePelvano : public ::testing::TestWithParam<BadInput> {};

TEST_P(PlotStopsLikePelvano, SameMessagesAndStatus) {
  const auto& [name, parameters, cut] = GetParam();
  test::ProcessResult r[2];
  std::string error_file[2];
  for (int plot = 0; plot < 2; ++plot) {
    TempDir dir;
    test::run_program(STRWRITE_BIN,
                      {"study", "--dir", dir / "runs", "--kmin", "1", "--kmax", "2", "--runs", "2",
                       "--ind", "10", "--pops", "2"},
                      dir.str());
    if (!cut.empty()) test::write_file(dir / "runs/K2_run1_f", cut);
    if (!parameters.empty()) test::write_file(dir / "pelvano.par", parameters);
    test::write_file(dir / "runs/K.tsv", "an older table\n");
    r[plot] = test::run_program(plot ? PLOT_BIN : PELVANO_BIN, {}, dir.str());
    error_file[plot] = test::read_file(dir / "pelvano.par.error");
    EXPECT_EQ(test::read_file(dir / "runs/K.tsv"), "an older table\n");
    EXPECT_FALSE(test::fs::exists(dir / "runs/K.svg"));
  }
  EXPECT_EQ(r[1].status, 1);
  EXPECT_EQ(r[0].status, 1);
  EXPECT_EQ(test::expected_banner() + r[1].out, r[0].out);
  EXPECT_EQ(r[1].err, r[0].err);
  EXPECT_EQ(error_file[1], error_file[0]);
  EXPECT_FALSE(error_file[1].empty());
  // 2 s before the end after a failed check, no pause after a failed read.
  EXPECT_EQ(r[1].seconds >= 2.0, cut.empty()) << r[1].seconds;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, PlotStopsLikePelvano,
    ::testing::Values(BadInput{"NoParameterFile", "", ""},
                      BadInput{"NoSuchFolder", "'/no/such'\nK*\n1\n2\n10\n2\n", ""},
                      BadInput{"OtherIndividuals", "runs\nK*\n1\n2\n11\n2\n", ""},
                      BadInput{"CutFile", "runs\nK*\n1\n2\n10\n2\n", "Run parameters:\n"}),
    [](const auto& info) { return info.param.name; });

TEST(Plot, TheFigureOfTheExampleStudyIsCurrent) {
  // The README shows examples/K.svg; remake it with
  //   make demo && cp examples/study/K.svg examples/K.svg
  TempDir dir;
  test::fs::copy(EXAMPLES_DIR, dir.str(), test::fs::copy_options::recursive);
  test::fs::remove(dir / "study/K.svg");
  const auto p = test::run_program(PLOT_BIN, {"example.par"}, dir.str());
  ASSERT_EQ(p.status, 0) << p.out << p.err;
  EXPECT_TRUE(test::read_file(dir / "study/K.svg") == test::read_file(dir / "K.svg"))
      << "examples/K.svg is not the figure pelvano-plot makes of the example study";
}

}  // namespace
}  // namespace pelvano
