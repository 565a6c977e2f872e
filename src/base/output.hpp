// Writing whole files safely.
#pragma once

#include <string>
#include <string_view>

namespace pelvano {

// Replaces the file `name` with `content`: the text goes to a new temporary file in the
// same folder, created exclusively, which is then renamed over `name`. A failure leaves
// the earlier file untouched and no temporary file behind, and ends the run with a
// message that names the file. A link in place of `name` is replaced, never followed.
void replace_file(const std::string& name, std::string_view content);

}  // namespace pelvano
