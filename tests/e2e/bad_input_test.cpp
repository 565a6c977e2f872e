// Bad input, end to end. Whatever the program is given, a failed run ends with exit status
// 1, the banner and then exactly one message (on standard output, or on standard error for
// a failed read inside a Structure output file, after the progress records), the same line
// in the error file, the earlier report intact, and no file changed but the list file and
// the error file. The tests run as root, so files are made unusable by other means than
// permission bits: FIFOs, devices, links, /proc, resource limits, read-only mounts.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "support/guarded_run.hpp"
#include "support/test_support.hpp"

namespace pelvano {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr const char* earlier_report = "the earlier report\n";

// A study of 6 individuals, K = 1..3 with 2 runs each, made by the writer in the folder
// "runs", its parameter file "study.par", and the report of an earlier run.
struct Study {
  TempDir dir;
  Study() {
    const auto w =
        test::run_program(STRWRITE_BIN,
                          {"study", "--dir", dir / "runs", "--kmin", "1", "--kmax", "3", "--runs",
                           "2", "--ind", "6", "--pops", "2", "--loci", "2", "--seed", "4"},
                          dir.str());
    EXPECT_EQ(w.status, 0) << w.err;
    par("runs\nK*\n1\n3\n6\n2\n");
    test::write_file(dir / "runs/K.K", earlier_report);
  }
  void par(const std::string& text) const { test::write_file(dir / "study.par", text); }
  std::string path(const std::string& name) const { return dir / name; }
  std::string text(const std::string& name) const { return test::read_file(dir / name); }
  void put(const std::string& name, const std::string& text) const {
    test::write_file(dir / name, text);
  }
  void replace_by_link(const std::string& name, const std::string& target) const {
    fs::remove(dir / name);
    fs::create_symlink(target, dir / name);
  }
};

enum class Stream { out, err };

struct Expected {
  Stream stream = Stream::out;
  std::string message;
  bool prefix = false;  // the message is only the start of the line
};

// Removes the progress records "\rReading file i, name        " from the front of text,
// and the line end that closes them after the last file.
std::string after_progress(std::string text) {
  while (text.rfind("\rReading file ", 0) == 0) {
    const std::size_t end = text.find("        ", 1);
    if (end == std::string::npos || text.find_first_of("\r\n", 1) < end) break;
    text.erase(0, end + 8);
  }
  return text;
}

// Runs the program on the study and checks everything a failed run must do.
void expect_failure(const Study& s, const Expected& e, const std::function<void()>& in_child = {}) {
  const auto before = test::snapshot(s.dir.str());
  const auto r = test::run_guarded(PELVANO_BIN, {"study.par"}, s.dir.str(), in_child);
  if (r.status == test::setup_failed) GTEST_SKIP() << "the set-up is not permitted here";
  ASSERT_FALSE(r.timed_out) << "the run did not end";
  ASSERT_EQ(r.signal, 0) << "the run was killed by signal " << r.signal << "\n" << r.err;
  EXPECT_EQ(r.status, 1) << r.out << r.err;

  const std::string banner = test::expected_banner();
  ASSERT_EQ(r.out.substr(0, banner.size()), banner) << r.out;
  std::string rest = after_progress(r.out.substr(banner.size()));
  std::string line;
  if (e.stream == Stream::out) {
    EXPECT_EQ(r.err, "");
    if (rest.rfind('\n', 0) == 0 && rest.size() > 1) rest.erase(0, 1);  // after the last file
    line = rest;
  } else {
    EXPECT_EQ(rest, "") << "standard output: " << r.out;
    line = r.err;
  }
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
  EXPECT_EQ(line.back(), '\n') << line;
  line.pop_back();
  if (e.prefix) {
    EXPECT_EQ(line.substr(0, e.message.size()), e.message);
  } else {
    EXPECT_EQ(line, e.message);
  }
  EXPECT_EQ(s.text("study.par.error"), line + "\n");

  // The earlier report is intact, and nothing changed but the list and error files.
  if (fs::is_regular_file(s.path("runs/K.K"))) {
    EXPECT_EQ(s.text("runs/K.K"), earlier_report);
  }
  auto changed = test::changed_entries(before, test::snapshot(s.dir.str()));
  changed.erase(std::remove_if(changed.begin(), changed.end(),
                               [&](const std::string& p) {
                                 return p == "runs/K.list" || p == "study.par.error";
                               }),
                changed.end());
  EXPECT_EQ(changed, std::vector<std::string>{});
}

std::string read_failure(const char* kind, const std::string& file, std::size_t line) {
  return std::string(kind) + " in file, " + file + ", at line " + std::to_string(line) + "!";
}

std::size_t lines_in(const std::string& text) {
  const auto n = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  return n + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

// A sparse file of NUL bytes: no line end anywhere, and no disk space taken.
void sparse_file(const std::string& name, off_t size) {
  test::write_file(name, "");
  ASSERT_EQ(::truncate(name.c_str(), size), 0);
}

// ---------------------------------------------------------------------------------------
// The parameter file

struct ParameterCase {
  std::string name;
  std::string content;
  Expected expected;
};

void PrintTo(const ParameterCase& c, std::ostream* os) {
  *os << c.name;
}

class BadParameterFile : public ::testing::TestWithParam<ParameterCase> {};

TEST_P(BadParameterFile, OneMessage) {
  Study s;
  s.par(GetParam().content);
  expect_failure(s, GetParam().expected);
}

const std::string long_folder(250, 'f');

INSTANTIATE_TEST_SUITE_P(
    BadInput, BadParameterFile,
    ::testing::Values(
        ParameterCase{
            "Empty", "", {Stream::out, "Error reading the path of structure output files!"}},
        ParameterCase{"NulBytes",
                      std::string("\0\0\0\nK*\n1\n3\n6\n2\n", 14),
                      {Stream::out, "The path, ???, does not exist!"}},
        ParameterCase{"NulInsideTheFolder",
                      std::string("runs\0x\nK*\n1\n3\n6\n2\n", 18),
                      {Stream::out, "The path, runs?x, does not exist!"}},
        ParameterCase{
            "NulInsideTheGenericName",
            std::string("runs\nK\0*\n1\n3\n6\n2\n", 17),
            {Stream::out, "The generic name of Structure output files, K?*, is not a file name!"}},
        ParameterCase{
            "EmptyFolder", "''\nK*\n1\n3\n6\n2\n", {Stream::out, "The path, , does not exist!"}},
        ParameterCase{"GenericNameWithAFolder",
                      "runs\n'../K*'\n1\n3\n6\n2\n",
                      {Stream::out,
                       "The generic name of Structure output files, ../K*, is not a file name!"}},
        ParameterCase{"InvalidUtf8",
                      "\xff\xfe\xc3(runs\nK*\n1\n3\n6\n2\n",
                      {Stream::out, "The path, \xff\xfe\xc3(runs, does not exist!"}},
        ParameterCase{"EscapeSequenceInTheFolder",
                      "'\x1b[2Jruns'\nK*\n1\n3\n6\n2\n",
                      {Stream::out, "The path, ?[2Jruns, does not exist!"}},
        ParameterCase{"TenMegabyteLine",
                      std::string(10 << 20, 'x') + "\nK*\n1\n3\n6\n2\n",
                      {Stream::out, "Error reading the path of structure output files!"}},
        ParameterCase{
            "FolderLongerThanItsField",
            "'" + long_folder + "'\nK*\n1\n3\n6\n2\n",
            {Stream::out, "The path, " + long_folder.substr(0, 199) + ", does not exist!"}},
        ParameterCase{"NoRuns",
                      "runs\nK*\n1\n3\n6\n0\n",
                      {Stream::out, "The number of replicate runs, 0, is less than 1!"}},
        ParameterCase{"CountTooLargeForAnInteger",
                      "runs\nK*\n1\n3\n6\n99999999999\n",
                      {Stream::out, "Error reading the number of replicate runs!"}},
        ParameterCase{"TwoBillionKValues",
                      "runs\nK*\n1\n2000000000\n6\n2\n",
                      {Stream::out,
                       "Not enough memory: the run tables for K from 1 to 2000000000, 6 "
                       "individuals and 2 runs per K value need more than ",
                       true}},
        ParameterCase{"TwoBillionIndividuals",
                      "runs\nK*\n1\n3\n2000000000\n2\n",
                      {Stream::out,
                       "Not enough memory: the run tables for K from 1 to 3, 2000000000 "
                       "individuals and 2 runs per K value need 137330 MiB, and this computer "
                       "can give them ",
                       true}},
        ParameterCase{"EverythingAtTwoBillion",
                      "runs\nK*\n2000000000\n2000000000\n2000000000\n2000000000\n",
                      {Stream::out,
                       "Not enough memory: the run tables for K from 2000000000 to 2000000000, "
                       "2000000000 individuals and 2000000000 runs per K value need more than ",
                       true}}),
    [](const auto& info) { return info.param.name; });

// One K of two billion clusters: 22889 MiB of tables for a study that cannot exist. The
// program must refuse them rather than take nearly all the memory of a 24 GiB computer.
TEST(BadInput, OneHugeKIsRefusedBeforeAllocating) {
  long long kib = 0;
  std::ifstream meminfo("/proc/meminfo");
  for (std::string key; meminfo >> key;) {
    if (key == "MemAvailable:") meminfo >> kib;
  }
  if (kib * 1024 / 4 * 3 > 24'000'000'000LL) GTEST_SKIP() << "this computer could hold them";
  Study s;
  s.par("runs\nK*\n2000000000\n2000000000\n1\n1\n");
  expect_failure(s, {Stream::out,
                     "Not enough memory: the run tables for K from 2000000000 to 2000000000, 1 "
                     "individuals and 1 runs per K value need 22889 MiB, and this computer can "
                     "give them ",
                     true});
}

TEST(BadInput, ParameterFileThatIsNotARegularFile) {
  {
    Study s;
    fs::remove(s.path("study.par"));
    ASSERT_EQ(::mkfifo(s.path("study.par").c_str(), 0644), 0);
    expect_failure(s, {Stream::out, "Cannot open file, study.par: Not a regular file!"});
  }
  {
    Study s;
    s.replace_by_link("study.par", "/dev/zero");
    expect_failure(s, {Stream::out, "Cannot open file, study.par: Not a regular file!"});
  }
  {
    Study s;
    fs::remove(s.path("study.par"));
    fs::create_directory(s.path("study.par"));
    expect_failure(s, {Stream::out, "Cannot open file, study.par: Is a directory!"});
  }
}

TEST(BadInput, ParameterFileWithoutLineEnds) {
  // A gigabyte of NUL bytes: the first line never ends, and memory must not run out.
  Study s;
  sparse_file(s.path("study.par"), off_t{1} << 30);
  expect_failure(s, {Stream::err, "Line too long in file, study.par, at line 1!"});
}

TEST(BadInput, ParameterFileNameLongerThanItsField) {
  // The name keeps its first 199 characters, as a user of the program sees in the message.
  Study s;
  const std::string name = std::string(199, 'p');
  s.put(name + "-and-more.par", "runs\nK*\n1\n3\n6\n2\n");
  const auto r = test::run_guarded(PELVANO_BIN, {name + "-and-more.par"}, s.dir.str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            test::expected_banner() + "Parameter input file, " + name + ", does not exist!\n");
  EXPECT_EQ(s.text(name + ".error"), "Parameter input file, " + name + ", does not exist!\n");
}

// ---------------------------------------------------------------------------------------
// The Structure output files

const std::string third = "runs/K2_run1_f";  // the third file read

struct Cut {
  std::string name;
  std::string anchor;  // the file is cut at the first occurrence of this text,
  bool keep = true;    // after it or before it
};

void PrintTo(const Cut& c, std::ostream* os) {
  *os << c.name;
}

class CutStructureFile : public ::testing::TestWithParam<Cut> {};

TEST_P(CutStructureFile, EndOfFileAtTheLastLine) {
  Study s;
  const std::string full = s.text(third);
  const Cut& c = GetParam();
  const std::size_t at = c.anchor.empty() ? 0 : full.find(c.anchor);
  ASSERT_NE(at, std::string::npos) << c.anchor;
  const std::string cut = full.substr(0, c.keep ? at + c.anchor.size() : at);
  s.put(third, cut);
  expect_failure(s, {Stream::err, read_failure("End of file", third, lines_in(cut))});
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, CutStructureFile,
    ::testing::Values(Cut{"Empty", ""}, Cut{"AfterRunParameters", "Run parameters:\n"},
                      Cut{"AfterIndividuals", "individuals\n"}, Cut{"AfterLoci", "loci\n"},
                      Cut{"InsideTheClusterCount", "   2 populations"},
                      Cut{"AfterTheClusterCount", "assumed\n"},
                      Cut{"BeforeLnProb", "Estimated Ln Prob", false},
                      Cut{"InsideLnProbLine", "Estimated Ln Prob of Data   ="},
                      Cut{"AfterLnProbLine", "Mean value of ln likelihood", false},
                      Cut{"BeforeAncestryHeader", "        Label (%Miss)", false},
                      Cut{"AfterAncestryHeader", "(%Miss) :  Inferred clusters\n"},
                      Cut{"AfterThreeRows", "  4     ind4", false},
                      Cut{"InsideRowLabels", "  4     ind4    (0)"},
                      Cut{"InsideRowValues", "ind6    (0)   :  1.000"}),
    [](const auto& info) { return info.param.name; });

struct FileCase {
  std::string name;
  std::function<void(const Study&)> make;
  Expected expected;
};

void PrintTo(const FileCase& c, std::ostream* os) {
  *os << c.name;
}

class BadStructureFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(BadStructureFile, OneMessage) {
  Study s;
  GetParam().make(s);
  expect_failure(s, GetParam().expected);
}

// The third file with `from` replaced by `to` (first occurrence).
std::function<void(const Study&)> edit(const std::string& from, const std::string& to) {
  return [=](const Study& s) {
    std::string text = s.text(third);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    s.put(third, text.replace(at, from.size(), to));
  };
}

std::function<void(const Study&)> content(const std::string& text) {
  return [=](const Study& s) { s.put(third, text); };
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, BadStructureFile,
    ::testing::Values(
        FileCase{"NulBytes",
                 content(std::string(4096, '\0')),
                 {Stream::err, read_failure("Syntax error", third, 1)}},
        FileCase{"InvalidUtf8",
                 content("\xff\xfe\xfd\n\xc3\x28 Run\n\xe2\x82\n"),
                 {Stream::err, read_failure("End of file", third, 3)}},
        FileCase{"TenMegabyteWord",
                 content(std::string(10 << 20, 'R') + "\n"),
                 {Stream::err, read_failure("Syntax error", third, 1)}},
        FileCase{"TenMegabyteLineOfWords",
                 [](const Study& s) {
                   std::string words;
                   for (int i = 0; i < (5 << 20); ++i) words += "w ";
                   s.put(third, words + "\n");
                 },
                 {Stream::err, read_failure("End of file", third, 1)}},
        FileCase{
            "NegativeIndividuals",
            edit("   6 individuals", "   -6 individuals"),
            {Stream::out, "The number of indivduals in output file, " + third +
                              ", is -6, which is different from the number, 6 in the input file!"}},
        FileCase{"IndividualsBeyondAnInteger",
                 edit("   6 individuals", "   99999999999 individuals"),
                 {Stream::err, read_failure("Conversion error", third, 12)}},
        FileCase{"NegativeClusters",
                 edit("   2 populations", "   -2 populations"),
                 {Stream::out,
                  "The number of assumed populations in output file, " + third +
                      ", is -2, which is out of the range [1,3] defined in the input file!"}},
        FileCase{"HugeClusters",
                 edit("   2 populations", "   2147483647 populations"),
                 {Stream::out,
                  "The number of assumed populations in output file, " + third +
                      ", is 2147483647, which is out of the range [1,3] defined in the input "
                      "file!"}},
        FileCase{"LnProbBeyondDoublePrecision",
                 edit("Data   = -16.6", "Data   = -1e400"),
                 {Stream::err, read_failure("Conversion error", third, 42)}},
        FileCase{"MembershipNotANumber",
                 edit("0.011 0.989", "0.011 abc"),
                 {Stream::err, read_failure("Syntax error", third, 53)}},
        FileCase{"MembershipNaN",
                 edit("0.011 0.989", "nan 0.989"),
                 {Stream::err, read_failure("Syntax error", third, 53)}},
        FileCase{"MembershipInfinity",
                 edit("0.011 0.989", "0.011 inf"),
                 {Stream::err, read_failure("Syntax error", third, 53)}},
        FileCase{"MembershipBeyondSinglePrecision",
                 edit("0.011 0.989", "0.011 3.5e38"),
                 {Stream::err, read_failure("Conversion error", third, 53)}},
        FileCase{"MembershipQuoted",
                 edit("0.011 0.989", "0.011 '0.989'"),
                 {Stream::err, read_failure("Syntax error", third, 53)}}),
    [](const auto& info) { return info.param.name; });

// Files that cannot be read for what they are, not for what they hold. Their messages are
// the program's own, on standard output.
INSTANTIATE_TEST_SUITE_P(
    BadInputFiles, BadStructureFile,
    ::testing::Values(
        FileCase{"Fifo",
                 [](const Study& s) {
                   fs::remove(s.path(third));
                   ASSERT_EQ(::mkfifo(s.path(third).c_str(), 0644), 0);
                 },
                 {Stream::out, "Cannot open file, " + third + ": Not a regular file!"}},
        FileCase{"LinkToAnEndlessDevice",
                 [](const Study& s) { s.replace_by_link(third, "/dev/zero"); },
                 {Stream::out, "Cannot open file, " + third + ": Not a regular file!"}},
        FileCase{"LinkToAFolder",
                 // Left out of the listing like a folder: one file fewer than expected.
                 [](const Study& s) { s.replace_by_link(third, "/tmp"); },
                 {Stream::out,
                  "The number of Structure output files in folder runs is 5, which is not "
                  "equal to the expected value of 6!"}},
        FileCase{"Folder",
                 [](const Study& s) {
                   fs::remove(s.path(third));
                   fs::create_directory(s.path(third));
                 },
                 {Stream::out,
                  "The number of Structure output files in folder runs is 5, which is not "
                  "equal to the expected value of 6!"}},
        FileCase{"DanglingLink",
                 [](const Study& s) { s.replace_by_link(third, "gone"); },
                 {Stream::out, "Output file, " + third + ", does not exist!"}},
        FileCase{"Unreadable",
                 // Opens as a regular file, but its first read fails.
                 [](const Study& s) { s.replace_by_link(third, "/proc/self/mem"); },
                 {Stream::out, "Cannot read file, " + third + ": Input/output error!"}},
        FileCase{"WithoutLineEnds",
                 [](const Study& s) { sparse_file(s.path(third), off_t{1} << 30); },
                 {Stream::err, "Line too long in file, " + third + ", at line 1!"}},
        FileCase{
            "NameWithALineEnd",
            [](const Study& s) { fs::rename(s.path(third), s.path("runs/K2_run1\nK2_run1_f")); },
            {Stream::out,
             "The name of Structure output file, runs/K2_run1?K2_run1_f, holds a line "
             "end!"}}),
    [](const auto& info) { return info.param.name; });

// A listed file that exists when the folder is listed and when the list is checked, and is
// gone when it is read: a link to the information about descriptor 3, which is open (the
// folder, then the list file) while the program lists and checks, and closed when it opens
// the first Structure output file (the child starts with descriptors 0 to 2 only).
TEST(BadInput, ListedFileGoneBeforeItIsRead) {
  Study s;
  s.replace_by_link("runs/K1_run1_f", "/proc/self/fdinfo/3");
  expect_failure(s, {Stream::out, "Cannot open file, runs/K1_run1_f: No such file or directory!"});
}

// ---------------------------------------------------------------------------------------
// The results file and the folder cannot be written

TEST(BadInput, ResultsFileBeyondTheFileSizeLimit) {
  // ulimit -f: the list file fits, the results file does not.
  Study s;
  expect_failure(s, {Stream::out, "Cannot write file, runs/K.K: File too large!"}, [] {
    const rlimit limit{1024, 1024};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(test::setup_failed);
  });
  EXPECT_EQ(test::list_dir(s.path("runs")).size(), 8u);  // 6 files, the list, the report
}

TEST(BadInput, FolderInPlaceOfTheResultsFile) {
  Study s;
  fs::remove(s.path("runs/K.K"));
  fs::create_directory(s.path("runs/K.K"));
  s.put("runs/K.K/kept", "kept\n");
  expect_failure(s, {Stream::out, "Cannot write file, runs/K.K: Is a directory!"});
  EXPECT_EQ(s.text("runs/K.K/kept"), "kept\n");
}

TEST(BadInput, FolderInPlaceOfTheListFile) {
  Study s;
  fs::create_directory(s.path("runs/K.list"));
  expect_failure(s, {Stream::out, "Cannot write file, runs/K.list: Is a directory!"});
}

// Mounts the folder read-only in a mount namespace of the child's own.
std::function<void()> read_only(const std::string& folder) {
  return [folder] {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      ::_exit(test::setup_failed);
    }
  };
}

TEST(BadInput, ReadOnlyFolder) {
  // The probe of the folder finds that no file can be made there.
  Study s;
  s.put("runs/K.list", "an earlier list\n");
  expect_failure(s, {Stream::out, "The path, runs, does not exist!"}, read_only(s.path("runs")));
  EXPECT_EQ(s.text("runs/K.list"), "an earlier list\n");
}

TEST(BadInput, ListFileBeyondTheFileSizeLimit) {
  // Files can be made in the folder, but the list file cannot be written.
  Study s;
  s.put("runs/K.list", "an earlier list\n");
  expect_failure(s, {Stream::out, "Cannot write file, runs/K.list: File too large!"}, [] {
    const rlimit limit{64, 64};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(test::setup_failed);
  });
  EXPECT_EQ(s.text("runs/K.list"), "an earlier list\n");
}

}  // namespace
}  // namespace pelvano
