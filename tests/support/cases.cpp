#include "support/cases.hpp"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>

namespace pelvano::test {

namespace {

std::vector<std::string> lines_of(const std::string& name) {
  std::ifstream in(std::string(CASES_DIR) + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the cases in " + name);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

}  // namespace

std::string unescape(std::string_view t) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] != '\\' || i + 1 == t.size()) {
      out += t[i];
      continue;
    }
    const char c = t[++i];
    if (c == 'n') {
      out += '\n';
    } else if (c == 'r') {
      out += '\r';
    } else if (c == 't') {
      out += '\t';
    } else if (c == '0') {
      out += '\0';
    } else if (c == 'x') {
      out += static_cast<char>(std::stoi(std::string(t.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else if (c == '{') {
      const std::size_t close = t.find('}', i);
      out.append(std::stoul(std::string(t.substr(i + 1, close - i - 1))), t[close + 1]);
      i = close + 1;
    } else {
      out += c;  // \\ and \|
    }
  }
  return out;
}

std::vector<std::vector<std::string>> table(const std::string& name) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : lines_of(name)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t bar; (bar = line.find(" | ", start)) != std::string::npos; start = bar + 3) {
      if (bar > 0 && line[bar - 1] == '\\') continue;
      fields.push_back(unescape(line.substr(start, bar - start)));
    }
    fields.push_back(unescape(line.substr(start)));
    rows.push_back(fields);
  }
  return rows;
}

std::vector<Block> blocks(const std::string& name) {
  std::vector<Block> out;
  for (const std::string& line : lines_of(name)) {
    if (line.rfind("== ", 0) == 0) {
      out.push_back(Block{line.substr(3), {}});
    } else if (!out.empty() && line.rfind('#', 0) != 0) {
      out.back().lines.push_back(unescape(line));
    }
  }
  // Blank lines separate the blocks.
  for (Block& b : out) {
    while (!b.lines.empty() && b.lines.back().empty()) b.lines.pop_back();
  }
  return out;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "pelvano-test-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

void write_file(const std::string& name, std::string_view content) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  if (!f.write(content.data(), static_cast<std::streamsize>(content.size()))) {
    throw std::runtime_error("cannot write " + name);
  }
}

}  // namespace pelvano::test
