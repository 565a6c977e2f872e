// Reading Structure output files into the study: structure_cases.txt holds single files
// written for the cases, samples/ one file of each layout Structure writes.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "base/decimal.hpp"
#include "base/fatal.hpp"
#include "base/reader.hpp"
#include "input/ancestry_row.hpp"
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
    for (const auto& [on, what] :
         {std::pair{f.layout.ind_r, "r"}, std::pair{f.layout.intervals, "intervals"},
          std::pair{f.layout.usepopinfo, "USEPOPINFO"}}) {
      if (on) out += std::string(", ") + what;
    }
    out += "\n";
    std::size_t prior = 0;
    for (std::size_t i = 0; i < study.individuals.size(); ++i) {
      const Individual& x = study.individuals[i];
      out += x.number + "|" + x.label + "|" + x.miss + "|" + x.group + ":";
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
    // The exact units give every membership's double as the reading rules read its text.
    if (f.decimals <= most_decimals) {
      const std::vector<double> q = normalised_memberships(f);
      for (std::size_t i = 0; i < study.individuals.size(); ++i) {
        std::istringstream words{std::string(f.memberships(i))};
        std::vector<double> row;
        for (std::string w; words >> w;) {
          double v = 0;
          EXPECT_EQ(parse_real(w, v), ReadError::none) << w;
          row.push_back(v);
        }
        if (row.empty()) continue;  // a prior row
        double sum = 0;
        for (const double v : row) sum += v;
        for (std::size_t c = 0; c < row.size(); ++c) {
          EXPECT_EQ(q.at(i * row.size() + c), sum != 0 ? row[c] / sum : 0.0) << file;
        }
      }
    }
  } catch (const FatalError& e) {
    out = e.message + "\n";
  }
  std::fclose(run.console);
  return out;
}

// Memberships as printed, in every form a file may hold them, read once: the exact units
// give the double of each decimal (rounded once), and each row divided by its sum.
TEST(StudyReading, MembershipsInEveryForm) {
  std::mt19937_64 rng(23);
  const char* forms[] = {"0.%03d", "0.%05d", "%d.000", "0.%d", "%de-3", "+0.%03d", "0.%03dD0"};
  TableLayout layout;
  AncestryRow row;
  std::vector<std::string_view> words;
  for (int t = 0; t < 200; ++t) {
    StudyFile f;
    f.k = 1 + t % 6;
    layout.k = f.k;
    std::vector<double> want;
    for (int i = 0; i < 5; ++i) {
      std::string line = "1 x (0) :";
      std::vector<double> values;
      for (int c = 0; c < f.k; ++c) {
        const char* form = forms[rng() % std::size(forms)];
        int n = static_cast<int>(rng() % 1000);
        if (form[1] == 'd' || form[0] == '%') n = static_cast<int>(rng() % 2);
        char word[32];
        std::snprintf(word, sizeof word, form, n);
        double v = 0;
        ASSERT_EQ(parse_real(word, v), ReadError::none) << word;
        line += std::string(" ") + word;
        values.push_back(v);
      }
      ASSERT_EQ(read_ancestry_row(line, layout, row, words, true), RowReading::ok) << line;
      f.units.insert(f.units.end(), row.units.begin(), row.units.end());
      f.q.insert(f.q.end(), row.value.begin(), row.value.end());
      double sum = 0;
      for (const double v : values) sum += v;
      for (const double v : values) want.push_back(sum != 0 ? v / sum : 0.0);
    }
    EXPECT_EQ(normalised_memberships(f), want) << t;
  }
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
