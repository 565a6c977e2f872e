// Runs of the built program as a user makes them.
#include <gtest/gtest.h>

#include "support/test_support.hpp"

namespace pelvano {
namespace {

using test::TempDir;

TEST(Run, NoParameterFileInAnEmptyFolder) {
  TempDir dir;
  const auto r = test::run_pelvano({}, dir.str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, test::expected_banner() + "Parameter input file, pelvano.par, does not exist!\n");
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
  EXPECT_EQ(r.out, test::expected_banner() + "Parameter input file, pelvano.par, does not exist!\n");
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
