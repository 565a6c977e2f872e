// Helpers shared by the tests: scratch folders, files, and runs of the built program.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace pelvano::test {

namespace fs = std::filesystem;

// A fresh, empty folder that is removed with everything in it at the end of the test.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  fs::path path;
  std::string str() const { return path.string(); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

void write_file(const std::string& name, const std::string& content);
std::string read_file(const std::string& name);

// Names of the entries of a folder, sorted.
std::vector<std::string> list_dir(const std::string& folder);

struct ProcessResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
  double seconds = 0;
};

// Runs a program with the given arguments in the folder cwd, PATH set to path_value
// (unset when null), and collects its output.
ProcessResult run_program(const std::string& program, const std::vector<std::string>& args,
                          const std::string& cwd, const char* path_value = "/usr/bin:/bin");

// The built pelvano program.
ProcessResult run_pelvano(const std::vector<std::string>& args, const std::string& cwd,
                          const char* path_value = "/usr/bin:/bin");

// The banner the program prints and writes, for comparing whole outputs.
std::string expected_banner();

}  // namespace pelvano::test

namespace pelvano {
struct Run;
}

namespace pelvano::test {

// A console that keeps what is written to it.
struct Capture {
  Capture();
  ~Capture();
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  std::FILE* file;
  std::string text();
};

// Sets up a run as the parameter file would, with tables created, the console and the
// error stream going to the captures and no pauses.
void set_up_run(Run& run, Capture& console, const std::string& folder, const std::string& generic,
                int kstart, int kend, int nind, int nrun);

}  // namespace pelvano::test
