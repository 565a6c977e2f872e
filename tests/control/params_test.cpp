#include "control/params.hpp"

#include <gtest/gtest.h>

#include <string>

#include "control/fatal.hpp"
#include "support/test_support.hpp"

namespace pelvano {
namespace {

using test::TempDir;

// Reads a parameter file with the given content; returns the fatal message, or "" when
// the file was accepted.
std::string read_params(const TempDir& dir, const std::string& content, Run& run) {
  run.pauses = false;
  run.fname = dir / "pelvano.par";
  test::write_file(run.fname, content);
  try {
    read_parameters(run);
  } catch (const FatalError& e) {
    return e.message;
  }
  return "";
}

struct MessageCase {
  std::string name;
  std::string content;  // "@" stands for the quoted scratch folder
  std::string message;  // "@" stands for the scratch folder
};

// The folder in quotes, as a parameter file needs it.
std::string quoted(const std::string& s) {
  return std::string(1, '\'').append(s).append(1, '\'');
}

std::string fill(std::string s, const std::string& folder) {
  for (std::size_t p; (p = s.find('@')) != std::string::npos;) s.replace(p, 1, folder);
  return s;
}

void PrintTo(const MessageCase& c, std::ostream* os) {
  *os << c.name;
}

class ParameterMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ParameterMessages, FirstProblemIsReported) {
  TempDir dir;
  pelvano::Run run;
  const std::string folder = dir.str();
  std::string content = fill(GetParam().content, quoted(folder));
  EXPECT_EQ(read_params(dir, content, run), fill(GetParam().message, folder));
  EXPECT_EQ(test::list_dir(folder), std::vector<std::string>{"pelvano.par"});
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ParameterMessages,
    ::testing::Values(
        MessageCase{"Empty", "", "Error reading the path of structure output files!"},
        MessageCase{"OnlyBlankLines", "\n  \n",
                    "Error reading the path of structure output files!"},
        MessageCase{"NullFolder", ",x\nK*\n1\n2\n3\n4\n",
                    "Error reading the path of structure output files!"},
        MessageCase{"UnquotedAbsoluteFolder", "/data/str\nK*\n1\n2\n3\n4\n",
                    "Error reading the path of structure output files!"},
        MessageCase{"MissingFolder", "'/no/such/folder'\nK*\n1\n2\n3\n4\n",
                    "The path, /no/such/folder, does not exist!"},
        MessageCase{"UnwritableFolder", "'/proc'\nK*\n1\n2\n3\n4\n",
                    "The path, /proc, does not exist!"},
        MessageCase{"NoGenericName", "@\n",
                    "Error reading the generic name of Structure output files!"},
        MessageCase{"NullGenericName", "@\n,\n1\n2\n3\n4\n",
                    "Error reading the generic name of Structure output files!"},
        MessageCase{"NoStar", "@\nK\n1\n2\n3\n4\n",
                    "The generic name of Structure output files does not end with wildcard *!"},
        MessageCase{"StarInside", "@\nK*x\n1\n2\n3\n4\n",
                    "The generic name of Structure output files does not end with wildcard *!"},
        MessageCase{"EmptyQuotedName", "@\n''\n1\n2\n3\n4\n",
                    "The generic name of Structure output files does not end with wildcard *!"},
        MessageCase{"LettersForStartingK", "@\nK*\none\n2\n3\n4\n",
                    "Error reading the starting K value!"},
        MessageCase{"RealForEndingK", "@\nK*\n1\n2.5\n3\n4\n", "Error reading the ending K value!"},
        MessageCase{"NullIndividuals", "@\nK*\n1\n2\n,\n4\n",
                    "Error reading the number of sampled individuals!"},
        MessageCase{"FiveValues", "@\nK*\n1\n2\n3\n",
                    "Error reading the number of replicate runs!"},
        MessageCase{"HugeRuns", "@\nK*\n1\n2\n3\n2147483648\n",
                    "Error reading the number of replicate runs!"},
        MessageCase{"StartBelowOne", "@\nK*\n0\n-1\n0\n0\n",
                    "The starting K value, 0, is less than 1!"},
        MessageCase{"EndBelowStart", "@\nK*\n5\n3\n0\n0\n",
                    "The ending K value, 3, is less than the starting K value, 5!"},
        MessageCase{"NoIndividuals", "@\nK*\n1\n3\n0\n0\n",
                    "The number of sampled individuals, 0, is less than 1!"},
        MessageCase{"NoRuns", "@\nK*\n1\n3\n10\n-2\n",
                    "The number of replicate runs, -2, is less than 1!"}),
    [](const auto& info) { return info.param.name; });

TEST(Parameters, ValuesWithCommentsBlankLinesAndQuotes) {
  TempDir dir;
  const std::string folder = dir / "my runs";
  test::fs::create_directory(folder);
  pelvano::Run run;
  const std::string content = "\n   \"" + folder +
                              "\"  the folder, quoted because of the blank\n"
                              "\n"
                              "  run*   generic name\n"
                              "1, starting K\n"
                              "\t6\n"
                              "100 individuals\n"
                              "10 runs per K value\n"
                              "these lines are never read: 'unclosed\n";
  EXPECT_EQ(read_params(dir, content, run), "");
  EXPECT_EQ(run.PATHNAME, folder);
  EXPECT_EQ(run.FILENAME, "run*");
  EXPECT_EQ(run.FILENAME0, "run");
  EXPECT_EQ(run.KSTART, 1);
  EXPECT_EQ(run.KEND, 6);
  EXPECT_EQ(run.NIND, 100);
  EXPECT_EQ(run.NRUN, 10);
  EXPECT_EQ(test::list_dir(folder), std::vector<std::string>{});
}

TEST(Parameters, LoneStarAndLeftAdjustedValues) {
  TempDir dir;
  pelvano::Run run;
  EXPECT_EQ(read_params(dir, "'  " + dir.str() + "  '\n' * '\n2\n2\n1\n1\n", run), "");
  EXPECT_EQ(run.PATHNAME, dir.str());
  EXPECT_EQ(run.FILENAME, "*");
  EXPECT_EQ(run.FILENAME0, "");
}

TEST(Parameters, RelativeFolderWithoutQuotes) {
  TempDir dir;
  test::fs::create_directory(dir / "runs");
  const auto cwd = test::fs::current_path();
  test::fs::current_path(dir.path);
  pelvano::Run run;
  const std::string msg = read_params(dir, "runs\nK*\n1\n2\n3\n4\n", run);
  test::fs::current_path(cwd);
  EXPECT_EQ(msg, "");
  EXPECT_EQ(run.PATHNAME, "runs");
}

TEST(Parameters, FolderValueKeepsAtMost199Characters) {
  TempDir dir;
  pelvano::Run run;
  const std::string long_name(250, 'a');
  EXPECT_EQ(read_params(dir, quoted(long_name) + "\nK*\n1\n2\n3\n4\n", run),
            "The path, " + long_name.substr(0, 199) + ", does not exist!");
}

TEST(Parameters, ExistingProbeNameSurvives) {
  TempDir dir;
  test::write_file(dir / "deleteme.txt", "mine");
  pelvano::Run run;
  EXPECT_EQ(read_params(dir, quoted(dir.str()) + "\nK*\n1\n2\n3\n4\n", run), "");
  EXPECT_EQ(test::read_file(dir / "deleteme.txt"), "mine");
  EXPECT_EQ(test::list_dir(dir.str()), (std::vector<std::string>{"deleteme.txt", "pelvano.par"}));
}

}  // namespace
}  // namespace pelvano
