#include "input/discovery.hpp"

#include <sys/stat.h>

#include "base/fatal.hpp"
#include "base/listing.hpp"
#include "base/variables.hpp"
#include "base/format.hpp"
#include "base/output.hpp"
#include "base/reader.hpp"

namespace pelvano {

namespace {

constexpr std::size_t c999 = 999;

bool exists(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0;
}

}  // namespace

void discover(Run& run) {
  const std::string folder(trim_right(run.PATHNAME));
  const std::string& stem = run.file_stem;
  run.FILELISTNAME = folder + run.PLATFORMSLASH + stem + ".list";

  const std::vector<std::string> names =
      list_matching(folder + run.PLATFORMSLASH, std::string(trim_right(run.FILENAME)) + "_f");
  std::string list;
  for (const std::string& name : names) {
    // The list holds one name per line: a name with a line end in it would be read back
    // as two names, the first perhaps of another file.
    if (name.find('\n') != std::string::npos) {
      stoponerror("The name of Structure output file, " + folder + run.PLATFORMSLASH + name +
                  ", holds a line end!");
    }
    list += folder;
    list += run.PLATFORMSLASH;
    list += name;
    list += '\n';
  }
  replace_file(run.FILELISTNAME, list);

  run.ESTFILENAME = folder + run.PLATFORMSLASH + stem + ".K";
  run.NFILES = (std::int64_t{run.KEND} - run.KSTART + 1) * run.NRUN;

  const auto count = static_cast<std::int64_t>(names.size());
  if (count != run.NFILES) {
    stoponerror("The number of Structure output files in folder " + folder + " is " + itoc(count) +
                ", which is not equal to the expected value of " + itoc(run.NFILES) + "!");
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
    std::string& entry = run.READFILE[static_cast<std::size_t>(i - 1)];
    entry.assign(text.substr(0, c999));
    const std::string name(trim_right(entry));
    if (!exists(name)) stoponerror("Output file, " + name + ", does not exist!");
  }
  close_reader(in);
}

}  // namespace pelvano
