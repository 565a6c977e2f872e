#include "fuzz_support.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace pelvano::fuzz {

void fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
  std::fflush(stderr);
  std::abort();
}

namespace {

std::string make_scratch() {
  struct stat st {};
  std::string base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
  std::string name = base + "/pelvano-fuzz-XXXXXX";
  if (::mkdtemp(name.data()) == nullptr) fail("mkdtemp", __FILE__, __LINE__);
  return name;
}

void remove_scratch() {
  clear_scratch();
  ::rmdir(scratch().c_str());
}

}  // namespace

const std::string& scratch() {
  static const std::string folder = make_scratch();
  // Registered once the name exists, so that the removal runs before the name is destroyed.
  static const bool registered = std::atexit(remove_scratch) == 0;
  (void)registered;
  return folder;
}

void write_bytes(const std::string& name, std::string_view bytes) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) fail(name.c_str(), __FILE__, __LINE__);
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) fail(name.c_str(), __FILE__, __LINE__);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  ::close(fd);
}

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

void clear_scratch() {
  for (const std::string& name : entries(scratch())) ::unlink((scratch() + "/" + name).c_str());
}

std::FILE* null_stream() {
  static std::FILE* const stream = std::fopen("/dev/null", "w");
  return stream;
}

}  // namespace pelvano::fuzz
