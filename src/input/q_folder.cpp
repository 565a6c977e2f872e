#include "input/q_folder.hpp"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <set>

#include "base/fatal.hpp"
#include "base/parallel.hpp"
#include "base/variables.hpp"
#include "input/discovery.hpp"
#include "input/folder.hpp"
#include "input/individual_names.hpp"
#include "input/q_file.hpp"
#include "input/study_reader.hpp"

namespace pelvano {

namespace {

std::string_view file_name(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string_view run_name_stem(std::string_view name) {
  for (const std::string_view end : {".meanQ", ".qopt", ".Q"}) {
    if (name.ends_with(end)) {
      name.remove_suffix(end.size());
      if (end == ".qopt") return name;
      const std::size_t dot = name.rfind('.');
      if (dot != std::string_view::npos && dot + 1 < name.size() &&
          name.substr(dot + 1).find_first_not_of("0123456789") == std::string_view::npos) {
        name = name.substr(0, dot);
      }
      return name;
    }
  }
  return name;
}

namespace {

bool output_folder(std::string_view name) {
  return std::any_of(output_folder_ends.begin(), output_folder_ends.end(),
                     [&](std::string_view end) { return name.ends_with(end); });
}

void search(const std::string& folder, const std::string& relative, const std::string& pattern,
            std::vector<std::string>& found) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    // Hidden files and folders are no one's runs (nor are "." and "..").
    if (name.empty() || name[0] == '.') continue;
    const std::string full = folder + "/" + name;
    struct stat link {};
    struct stat st {};
    if (::lstat(full.c_str(), &link) != 0) continue;
    // A link is followed to a file; a link to a folder, one that leads nowhere and one that
    // leads round in a loop end their branch.
    if (::stat(full.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (!S_ISLNK(link.st_mode) && !output_folder(name)) {
        search(full, relative + name + "/", pattern, found);
      }
    } else if (memberships_file_name(name) &&
               (pattern.empty() || ::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) == 0)) {
      found.push_back(relative + name);
    }
  }
  ::closedir(dir);
}

// Stops the run when the paths form more than one pattern: a folder of two studies must not
// become one study.
void check_one_pattern(const std::vector<std::string>& paths, const std::string& folder) {
  std::size_t count = 0;
  const std::string listed = distinct_patterns(paths, count);
  if (count < 2) return;
  stoponerror("The names of the memberships files in folder " + folder + " form " +
              itoc(static_cast<std::int64_t>(count)) + " patterns (# for a number): " + listed +
              "; choose one study with --name (a pattern of file names, such as 'wolves.*.Q')!");
}

}  // namespace

bool memberships_file_name(std::string_view name) {
  return name.ends_with(".Q") || name.ends_with(".meanQ") || name.ends_with(".qopt");
}

std::vector<std::string> find_memberships_files(const std::string& folder,
                                                const std::string& pattern) {
  std::vector<std::string> found;
  search(folder, "", pattern, found);
  std::sort(found.begin(), found.end());
  return found;
}

std::string memberships_stem(const std::vector<std::string>& paths) {
  if (paths.empty()) return "pelvano";
  const std::string_view first = run_name_stem(file_name(paths.front()));
  if (std::all_of(paths.begin(), paths.end(),
                  [&](const std::string& p) { return run_name_stem(file_name(p)) == first; }) &&
      !first.empty()) {
    return std::string(first);
  }
  std::string start(file_name(paths.front()));
  for (const std::string& path : paths) {
    const std::string_view name = file_name(path);
    std::size_t same = 0;
    while (same < start.size() && same < name.size() && start[same] == name[same]) ++same;
    start.resize(same);
  }
  while (!start.empty() && (start.back() == '_' || start.back() == '-' || start.back() == '.')) {
    start.pop_back();
  }
  return start.empty() ? "pelvano" : start;
}

std::vector<std::string> read_memberships_folder(Run& run, Study& study,
                                                 const std::vector<std::string>& paths) {
  std::string folder = run.options.argument;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  run.fname = folder;
  run.PATHNAME = folder;
  run.file_stem = memberships_stem(paths);
  run.FILENAME0 = run.file_stem;
  run.error_file = folder + "/" + run.file_stem + ".error";
  run.FILENAME = run.options.has_name ? run.options.name : name_pattern(paths.front());

  std::vector<std::string> files;
  for (const std::string& path : paths) files.push_back(folder + "/" + path);
  check_list_names(files);
  check_one_pattern(paths, folder);

  // Each file read on the cores; in list order its progress line, the checks against the
  // first file and its run number.
  const std::size_t n = files.size();
  study.files.resize(n);
  std::vector<QFileNotes> notes(n);
  std::vector<std::exception_ptr> failures(n);
  std::map<std::int32_t, std::int32_t> runs_seen;
  for_each_in_order<TextReader>(
      n,
      [&](std::size_t i, TextReader& in) {
        StudyFile& f = study.files[i];
        f.name = files[i];
        try {
          notes[i] = read_q_file(in, f, /*keep_text=*/true, k_in_name(f.name));
        } catch (...) {
          // Told in its turn, after the file's progress line.
          failures[i] = std::current_exception();
          close_reader(in);
          return false;
        }
        return true;
      },
      [&](std::size_t i) {
        StudyFile& f = study.files[i];
        show_progress(run, i, f.name);
        if (failures[i]) std::rethrow_exception(failures[i]);
        const StudyFile& first = study.files.front();
        if (f.individuals != first.individuals) {
          stoponerror("The memberships files of folder " + folder +
                      " are not of one study: " + first.name + " has " + itoc(first.individuals) +
                      " individuals, " + f.name + " has " + itoc(f.individuals) + "!");
        }
        f.run = ++runs_seen[f.k];
      });
  std::fputs("\n", run.console);
  std::fflush(run.console);
  run.progress_open = false;

  for (std::size_t i = 0; i < n; ++i) {
    study.runs_of[study.files[i].k].push_back(i);
    study.decimals = std::max(study.decimals, study.files[i].decimals);
  }
  const std::int32_t kstart = study.runs_of.begin()->first;
  const std::int32_t kend = study.runs_of.rbegin()->first;
  for (std::int64_t k = kstart; k <= kend; ++k) {
    if (study.runs_of.count(static_cast<std::int32_t>(k)) == 0) {
      stoponerror("The memberships files in folder " + folder + " have no file of K = " + itoc(k) +
                  ", between K = " + itoc(kstart) + " and K = " + itoc(kend) + "!");
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (notes[i].off_sum_line != 0) {
      std::fputs(("Warning: the memberships in file " + files[i] + ", line " +
                  itoc(notes[i].off_sum_line) +
                  ", do not sum to 1 (within 0.01); each individual's memberships are divided "
                  "by their sum for the modes.\n")
                     .c_str(),
                 run.console);
      break;
    }
  }
  const std::string_view name = file_name(files.front());
  study.program = name.ends_with(".meanQ")  ? "fastStructure"
                  : name.ends_with(".qopt") ? "NGSadmix"
                                            : "ADMIXTURE";
  study.kind = study.program + " files";
  study.pattern = run.FILENAME;
  study.lnp_name = study.program == "fastStructure" ? "marginal likelihood" : "log-likelihood";
  study.lnp_grows = study.program != "fastStructure";
  study.no_lnp = "no logs with " + study.lnp_name + "s";
  study.no_groups = "no groups";
  take_study_numbers(run, study, folder);
  return files;
}

}  // namespace pelvano
