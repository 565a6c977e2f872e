#include "fuzz.hpp"

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pelvano::fuzz {

namespace fs = std::filesystem;

void fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
  std::abort();
}

const std::string& scratch() {
  static const std::string folder = [] {
    std::string name = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    name += "/pelvano-fuzz-XXXXXX";
    if (::mkdtemp(name.data()) == nullptr) fail("mkdtemp", __FILE__, __LINE__);
    return name;
  }();
  static const bool removed_at_exit = std::atexit([] { fs::remove_all(scratch()); }) == 0;
  (void)removed_at_exit;
  return folder;
}

void clear_scratch() {
  for (const std::string& name : entries(scratch())) fs::remove_all(scratch() + "/" + name);
}

void write_bytes(const std::string& name, std::string_view bytes) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  if (!f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    fail(name.c_str(), __FILE__, __LINE__);
  }
}

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::FILE* null_stream() {
  static std::FILE* const stream = std::fopen("/dev/null", "w");
  return stream;
}

}  // namespace pelvano::fuzz

#ifndef PELVANO_LIBFUZZER
int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (int a = 1; a < argc; ++a) {
    if (!fs::is_directory(argv[a])) {
      files.emplace_back(argv[a]);
      continue;
    }
    for (const auto& e : fs::directory_iterator(argv[a])) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "%s\n", f.c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return files.empty() ? 1 : 0;
}
#endif
