// Writing whole files safely.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace pelvano {

// Replaces the file `name` with `content`: the text goes to a new temporary file in the
// same folder, created exclusively, which is then renamed over `name`. A failure leaves
// the earlier file untouched and no temporary file behind, and ends the run with a
// message that names the file. A link in place of `name` is replaced, never followed.
void replace_file(const std::string& name, std::string_view content);

// Removes a file an earlier run wrote that this run does not write again. Nothing happens
// when there is no such file (or a folder has its name); any other failure ends the run
// with a message that names the file.
void remove_file(const std::string& name);

// Removes the files of `folder` that `ours` takes for files this program writes there,
// except those named in `kept`; then, when `folder_too`, the folder itself once nothing else
// is left in it. A folder that does not exist has nothing to remove.
void remove_stale_files(const std::string& folder,
                        const std::function<bool(const std::string&)>& ours,
                        const std::set<std::string>& kept, bool folder_too);

}  // namespace pelvano
