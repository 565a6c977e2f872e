// Values and helpers shared by every part of the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelvano {

// The separator line of the banner and of the results file: 89 "-" characters.
inline constexpr std::string_view line =
    "-----------------------------------------------------------------------------------------";
static_assert(line.size() == 89);

// Default parameter-file name.
inline constexpr std::string_view default_parameter_file = "pelvano.par";

// The line of --version: the version line of the banner.
inline constexpr const char* version_line = "Pelvano, Version 1.0.0.0, Build 20180630";

// An integer as decimal text without blanks, for messages.
std::string itoc(std::int64_t n);

}  // namespace pelvano
