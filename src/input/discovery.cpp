#include "input/discovery.hpp"

#include <sys/stat.h>

#include "base/fatal.hpp"
#include "base/listing.hpp"
#include "base/output.hpp"
#include "base/reader.hpp"
#include "base/variables.hpp"

namespace pelvano {

namespace {

bool exists(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0;
}

void write_list_file(const Run& run, const std::vector<std::string>& files) {
  check_list_names(files);
  std::string list;
  for (const std::string& file : files) {
    list += file;
    list += '\n';
  }
  replace_file(run.FILELISTNAME, list);
}

}  // namespace

void check_list_names(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    if (file.find('\n') != std::string::npos) {
      stoponerror("The name of Structure output file, " + file + ", holds a line end!");
    }
  }
}

void name_outputs(Run& run) {
  // With --out, pelvano-plot's list file goes there with its other files, and the input
  // folder is left as it is.
  run.FILELISTNAME = (run.out_folder.empty() ? run.PATHNAME : run.out_folder) + run.PLATFORMSLASH +
                     run.file_stem + ".list";
  run.ESTFILENAME = run.PATHNAME + run.PLATFORMSLASH + run.file_stem + ".K";
}

void discover(Run& run) {
  name_outputs(run);
  const std::string folder = run.PATHNAME + run.PLATFORMSLASH;
  std::vector<std::string> files = list_matching(folder, run.FILENAME + "_f");
  for (std::string& file : files) file.insert(0, folder);
  write_list_file(run, files);
  run.NFILES = (std::int64_t{run.KEND} - run.KSTART + 1) * run.NRUN;

  const auto count = static_cast<std::int64_t>(files.size());
  if (count != run.NFILES) {
    stoponerror("The number of Structure output files in folder " + run.PATHNAME + " is " +
                itoc(count) + ", which is not equal to the expected value of " + itoc(run.NFILES) +
                "!");
  }

  run.READFILE.assign(static_cast<std::size_t>(run.NFILES), std::string());
  TextReader in;
  open_reader_or_stop(in, run.FILELISTNAME);
  for (std::int64_t i = 1; i <= run.NFILES; ++i) {
    std::string_view text;
    if (!read_line(in, text)) {
      stoponerror("Error in reading structure output file name at line " + itoc(i) + " in file " +
                  run.FILELISTNAME);
    }
    std::string& name = run.READFILE[static_cast<std::size_t>(i - 1)];
    name.assign(text);
    if (!exists(name)) stoponerror("Output file, " + name + ", does not exist!");
  }
  close_reader(in);
}

void keep_list(Run& run, const std::vector<std::string>& files) {
  write_list_file(run, files);
  run.READFILE = files;
  run.NFILES = static_cast<std::int64_t>(files.size());
}

}  // namespace pelvano
