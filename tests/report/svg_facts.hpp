// A real XML parser's view of a figure (tests/report/svg_facts.py): its output lines, or
// "not well-formed" with the parser's message.
#pragma once

#include <string>

#include "support/test_support.hpp"

namespace pelvano::test {

inline std::string svg_facts(const std::string& file) {
  const auto r = run_program(PYTHON3_BIN, {SVG_FACTS_SCRIPT, file}, "/");
  return r.status == 0 ? r.out : "not well-formed: " + r.err;
}

// Whether the facts hold this whole line.
inline bool fact(const std::string& facts, const std::string& line) {
  return ("\n" + facts).find("\n" + line + "\n") != std::string::npos;
}

}  // namespace pelvano::test
