#include "input/folder.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "base/fatal.hpp"
#include "base/variables.hpp"
#include "base/listing.hpp"
#include "input/structure_reader.hpp"

namespace pelvano {

std::string common_generic_name(const std::vector<std::string>& names, std::string& start) {
  start = names.empty() ? std::string() : names.front().substr(0, names.front().size() - 2);
  for (const std::string& name : names) {
    const std::size_t n = std::min(start.size(), name.size() - 2);
    std::size_t same = 0;
    while (same < n && start[same] == name[same]) ++same;
    start.resize(same);
  }
  // Runs 10 to 19 share "run_1": the digits at the end belong to the run numbers.
  while (!start.empty() && start.back() >= '0' && start.back() <= '9') start.pop_back();
  std::string generic;
  for (const char c : start) {
    if (c == '*' || c == '?' || c == '[' || c == '\\') generic += '\\';
    generic += c;
  }
  return generic + "*";
}

void read_folder(Run& run) {
  const Options& o = run.options;
  std::string folder = o.argument;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  run.fname = folder;
  run.PATHNAME = folder;
  run.FILENAME = o.has_name ? o.name : "*";
  std::string start = run.FILENAME.substr(0, run.FILENAME.size() - 1);
  const auto name_files = [&] {
    run.FILENAME0 = start;
    run.file_stem = start.empty() ? "pelvano" : start;
    run.error_file = folder + "/" + run.file_stem + ".error";
  };
  name_files();
  if (run.FILENAME.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
    stoponerror("The generic name of Structure output files, " + run.FILENAME +
                ", is not a file name!");
  }
  const std::vector<std::string> names = list_matching(folder + "/", run.FILENAME + "_f");
  if (names.empty()) {
    stoponerror("No Structure output files in folder " + folder + ": no file name " +
                (o.has_name ? "matches " + run.FILENAME + "_f" : std::string("ends with _f")) +
                "!");
  }
  if (!o.has_name) {
    run.FILENAME = common_generic_name(names, start);
    name_files();
  }

  // The header of every file, in the order of the names.
  struct Header {
    std::string file;
    OutputHeader h;
  };
  std::vector<Header> headers;
  TextReader in;
  FreeForm ff;
  for (const std::string& name : names) {
    const std::string file = folder + "/" + name;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) stoponerror("Output file, " + file + ", does not exist!");
    open_reader_or_stop(in, file);
    headers.push_back({file, read_output_header(in, ff)});
    close_reader(in);
  }

  const std::string where = "The Structure output files in folder " + folder;
  std::map<std::int32_t, std::int32_t> runs;  // runs of each K
  for (const Header& x : headers) {
    if (x.h.individuals != headers.front().h.individuals) {
      stoponerror(where + " are not of one study: " + headers.front().file + " has " +
                  itoc(headers.front().h.individuals) + " individuals, " + x.file + " has " +
                  itoc(x.h.individuals) + "; choose one study with --name!");
    }
    ++runs[x.h.k];
  }
  const std::int32_t kstart = runs.begin()->first;
  const std::int32_t kend = runs.rbegin()->first;
  for (std::int64_t k = kstart; k <= kend; ++k) {
    if (runs.count(static_cast<std::int32_t>(k)) == 0) {
      stoponerror(where + " have no file of K = " + itoc(k) + ", between K = " + itoc(kstart) +
                  " and K = " + itoc(kend) + ": DeltaK needs every K!");
    }
  }
  std::string counts;
  bool even = true;
  for (const auto& [k, n] : runs) {
    counts +=
        (counts.empty() ? "" : ", ") + itoc(n) + (n == 1 ? " run" : " runs") + " of K = " + itoc(k);
    even = even && n == runs.begin()->second;
  }
  if (!even) stoponerror(where + " have different numbers of runs per K: " + counts + "!");

  run.KSTART = kstart;
  run.KEND = kend;
  run.NIND = headers.front().h.individuals;
  run.NRUN = runs.begin()->second;
  check_numbers(run);
  if (checkdir(folder + "/") == 0) stoponerror("The path, " + folder + ", does not exist!");
}

}  // namespace pelvano
