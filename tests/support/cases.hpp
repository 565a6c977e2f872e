// Unit-test cases kept as data files beside the tests that read them.
//
// A table file holds one case per line, fields separated by " | ". A block file holds
// cases of several lines, each starting with a line "== title". Lines starting with "#"
// are comments, in both. Every field and block is read with C escapes decoded: \n \r \t
// \0 \\ \| \xHH, and \{N}c for N copies of the character c.
#pragma once

#include <charconv>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pelvano::test {

std::string unescape(std::string_view text);

// The rows of a table file (CASES_DIR/name), each a list of fields.
std::vector<std::vector<std::string>> table(const std::string& name);

struct Block {
  std::string title;
  std::vector<std::string> lines;  // the lines after the title, line ends removed
};
std::vector<Block> blocks(const std::string& name);

// A fresh folder, removed with everything in it at the end of the test.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::filesystem::path path;
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

void write_file(const std::string& name, std::string_view content);

// A number in its shortest form that reads back the same.
template <class T>
std::string number(T v) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

}  // namespace pelvano::test
