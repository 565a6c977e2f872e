#include "support/test_support.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "control/fatal.hpp"

namespace pelvano::test {

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "pelvano-test-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Give back permissions a test may have taken away, so that everything can be removed.
  for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path, ec);
}

void write_file(const std::string& name, const std::string& content) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + name);
  f << content;
}

std::string read_file(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + name);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::vector<std::string> list_dir(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

std::string drain(int fd) {
  std::string s;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    s.append(buf, static_cast<std::size_t>(n));
  }
  return s;
}

}  // namespace

ProcessResult run_program(const std::string& program, const std::vector<std::string>& args,
                          const std::string& cwd, const char* path_value) {
  // Output goes to temporary files, so that a large output cannot block the child.
  char out_name[] = "/tmp/pelvano-out-XXXXXX";
  char err_name[] = "/tmp/pelvano-err-XXXXXX";
  const int out_fd = ::mkstemp(out_name);
  const int err_fd = ::mkstemp(err_name);
  if (out_fd < 0 || err_fd < 0) throw std::runtime_error("mkstemp failed");
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out_fd, 1);
    ::dup2(err_fd, 2);
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    if (path_value == nullptr) {
      ::unsetenv("PATH");
    } else {
      ::setenv("PATH", path_value, 1);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  ProcessResult r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  ::lseek(out_fd, 0, SEEK_SET);
  ::lseek(err_fd, 0, SEEK_SET);
  r.out = drain(out_fd);
  r.err = drain(err_fd);
  ::close(out_fd);
  ::close(err_fd);
  ::unlink(out_name);
  ::unlink(err_name);
  return r;
}

ProcessResult run_pelvano(const std::vector<std::string>& args, const std::string& cwd,
                          const char* path_value) {
  return run_program(PELVANO_BIN, args, cwd, path_value);
}

std::string expected_banner() {
  return pelvano::banner_text();
}

}  // namespace pelvano::test

#include "control/tables.hpp"

namespace pelvano::test {

Capture::Capture() : file(std::tmpfile()) {}
Capture::~Capture() {
  std::fclose(file);
}

std::string Capture::text() {
  std::fflush(file);
  std::rewind(file);
  std::string s;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) s.append(buf, n);
  return s;
}

void set_up_run(Run& run, Capture& console, const std::string& folder, const std::string& generic,
                int kstart, int kend, int nind, int nrun) {
  run.console = console.file;
  run.errstream = console.file;
  run.pauses = false;
  run.PLATFORMSLASH = '/';
  run.fname = folder + "/test.par";
  run.PATHNAME = folder;
  run.FILENAME = generic;
  run.FILENAME0 = generic.substr(0, generic.size() - 1);
  run.KSTART = kstart;
  run.KEND = kend;
  run.NIND = nind;
  run.NRUN = nrun;
  create_tables(run);
}

}  // namespace pelvano::test
