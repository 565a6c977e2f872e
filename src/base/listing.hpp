// The entries of a folder that match a pattern.
#pragma once

#include <string>
#include <vector>

namespace pelvano {

// Names of the entries of `folder` that match `pattern` as the shell matches a file name
// (a leading "." only by a pattern that starts with "."), directories left out, sorted in
// byte order. A folder that cannot be listed gives no names.
std::vector<std::string> list_matching(const std::string& folder, const std::string& pattern);

// The folder a path lies in, trailing separators of the path aside: "study" for
// "study/K1_run1_f", "." for a name alone, "/" for one in the root.
std::string parent_folder(std::string path);

}  // namespace pelvano
