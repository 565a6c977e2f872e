#include "input/populations.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>

#include "base/fatal.hpp"
#include "base/variables.hpp"

namespace pelvano {

std::vector<std::pair<std::string, std::string>> read_populations(const std::string& file,
                                                                  const std::string& program) {
  const auto usage = [&](const std::string& what) {
    throw FatalError{
        program + ": --populations " + file + ": " + what + " (see " + program + " --help)",
        FatalKind::usage};
  };
  std::ifstream in(file);
  if (!in) usage("cannot be read");
  std::vector<std::pair<std::string, std::string>> out;
  std::vector<std::int64_t> line_of;  // the line of each entry of out
  std::string line;
  for (std::int64_t number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
    const std::string pop = line.substr(start, end - start);
    long long value = 0;
    if (std::from_chars(pop.data(), pop.data() + pop.size(), value).ptr !=
        pop.data() + pop.size()) {
      usage("line " + itoc(number) + " does not begin with a Pop value");
    }
    const std::size_t name = line.find_first_not_of(" \t", end);
    std::string text = name == std::string::npos ? pop : line.substr(name);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (out[i].first == pop) {
        usage("line " + itoc(number) + " names Pop value " + pop + " again (first on line " +
              itoc(line_of[i]) + ")");
      }
    }
    out.emplace_back(pop, text);
    line_of.push_back(number);
  }
  if (in.bad()) usage("cannot be read");
  return out;
}

}  // namespace pelvano
