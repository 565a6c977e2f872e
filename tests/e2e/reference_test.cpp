// Whole results files of the built program compared with those of an independent model of
// the computation (tests/reference/pelvano_model.py), on studies made by the writer.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace pelvano {
namespace {

using test::TempDir;

struct Study {
  std::string name;
  std::vector<std::string> writer_args;  // after "study --dir <folder>"
  int kstart, kend, nind, nrun;
};

void PrintTo(const Study& s, std::ostream* os) {
  *os << s.name;
}

class AgreesWithTheModel : public ::testing::TestWithParam<Study> {};

std::string param_file(const std::string& folder, const Study& s) {
  return folder + "\nK*\n" + std::to_string(s.kstart) + "\n" + std::to_string(s.kend) + "\n" +
         std::to_string(s.nind) + "\n" + std::to_string(s.nrun) + "\n";
}

std::string model_report(const TempDir& dir, const std::string& folder, const Study& s) {
  test::write_file(dir / "banner.txt", test::expected_banner());
  const auto m = test::run_program(
      PYTHON3_BIN,
      {MODEL_SCRIPT, "--folder", folder, "--generic", "K*", "--kstart", std::to_string(s.kstart),
       "--kend", std::to_string(s.kend), "--nind", std::to_string(s.nind), "--nrun",
       std::to_string(s.nrun), "--fname", "study.par", "--banner", dir / "banner.txt"},
      dir.str());
  EXPECT_EQ(m.status, 0) << m.err;
  return m.out;
}

TEST_P(AgreesWithTheModel, ByteForByte) {
  const Study& s = GetParam();
  TempDir dir;
  std::vector<std::string> args = {"study", "--dir", dir / "runs"};
  args.insert(args.end(), s.writer_args.begin(), s.writer_args.end());
  const auto w = test::run_program(STRWRITE_BIN, args, dir.str());
  ASSERT_EQ(w.status, 0) << w.err;
  test::write_file(dir / "study.par", param_file("runs", s));

  const auto r = test::run_pelvano({"study.par"}, dir.str());
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string expected = model_report(dir, "runs", s);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(test::read_file(dir / "runs/K.K"), expected);
}

std::vector<std::string> writer(int kmin, int kmax, int runs, int ind, int pops, int seed,
                                std::vector<std::string> extra = {}) {
  std::vector<std::string> a = {"--kmin", std::to_string(kmin), "--kmax", std::to_string(kmax),
                                "--runs", std::to_string(runs), "--ind",  std::to_string(ind),
                                "--pops", std::to_string(pops), "--seed", std::to_string(seed)};
  a.insert(a.end(), extra.begin(), extra.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Studies, AgreesWithTheModel,
    ::testing::Values(
        Study{"TwoPopulations", writer(1, 4, 3, 24, 2, 1), 1, 4, 24, 3},
        Study{"ExampleLike", writer(1, 6, 5, 60, 3, 7, {"--pop-column"}), 1, 6, 60, 5},
        Study{"Admixed", writer(2, 5, 4, 40, 4, 11, {"--admixed", "0.4"}), 2, 5, 40, 4},
        Study{"OneRunPerK", writer(1, 3, 1, 30, 2, 3), 1, 3, 30, 1},
        Study{"SingleK", writer(3, 3, 4, 20, 3, 4), 3, 3, 20, 4},
        Study{"TwoK", writer(2, 3, 3, 18, 2, 9), 2, 3, 18, 3},
        Study{"SmallClusters", writer(1, 5, 2, 12, 2, 13), 1, 5, 12, 2},
        Study{"Larger", writer(1, 8, 6, 150, 4, 5, {"--loci", "30"}), 1, 8, 150, 6},
        Study{"ManyRuns", writer(1, 4, 12, 50, 3, 21), 1, 4, 50, 12}),
    [](const auto& info) { return info.param.name; });

TEST(AgreesWithTheModelOn, HandMadeMemberships) {
  // Ties, zeros, 0.650 on the threshold, an individual without any membership, and
  // replicates whose Ln P(D) equal the mean, written file by file.
  TempDir dir;
  test::fs::create_directory(dir / "runs");
  const std::vector<std::string> rows = {
      "0.650 0.350 0.000", "0.400 0.400 0.200", "0.000 0.000 0.000", "0.333 0.333 0.334",
      "0.900 0.050 0.050", "0.050 0.900 0.050", "0.050 0.050 0.900", "0.651 0.349 0.000",
      "0.500 0.500 0.000", "1.000 0.000 0.000", "0.000 1.000 0.000", "0.000 0.000 1.000"};
  struct File {
    std::string name;
    int k;
    std::string lnp;
    int shift;  // rotates the cluster columns
  };
  const File files[] = {{"K2_a_f", 2, "-100.0", 0}, {"K2_b_f", 2, "-100.0", 1},
                        {"K2_c_f", 2, "-100.0", 0}, {"K3_a_f", 3, "-90.5", 0},
                        {"K3_b_f", 3, "-91.5", 1},  {"K3_c_f", 3, "-95.0", 2}};
  for (const File& f : files) {
    std::string q;
    for (const auto& row : rows) {
      std::vector<std::string> v;
      for (std::size_t p = 0; p < row.size(); p += 6) v.push_back(row.substr(p, 5));
      std::string line;
      for (int c = 0; c < f.k; ++c) line += v[static_cast<std::size_t>((c + f.shift) % 3)] + " ";
      q += line + "\n";
    }
    test::write_file(dir / "q.txt", q);
    const auto w =
        test::run_program(STRWRITE_BIN,
                          {"file", "--out", dir / ("runs/" + f.name), "--ind", "12", "--k",
                           std::to_string(f.k), "--lnp", f.lnp, "--q", dir / "q.txt"},
                          dir.str());
    ASSERT_EQ(w.status, 0) << w.err;
  }
  const Study s{"hand", {}, 2, 3, 12, 3};
  test::write_file(dir / "study.par", param_file("runs", s));
  const auto r = test::run_pelvano({"study.par"}, dir.str());
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(test::read_file(dir / "runs/K.K"), model_report(dir, "runs", s));
}

}  // namespace
}  // namespace pelvano
