#include "base/listing.hpp"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>

namespace pelvano {

std::vector<std::string> list_matching(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return names;
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  while (const dirent* e = ::readdir(dir)) {
    const char* name = e->d_name;
    if (::fnmatch(pattern.c_str(), name, FNM_PERIOD) != 0) continue;
    struct stat st {};
    const std::string full = base + name;
    // Links are followed: a link to a folder is left out, a broken link is listed.
    if (::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    names.emplace_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string parent_folder(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace pelvano
