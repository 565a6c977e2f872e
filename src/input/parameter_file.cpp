#include "input/parameter_file.hpp"

#include <string>

#include "base/fatal.hpp"
#include "base/format.hpp"
#include "base/reader.hpp"
#include "base/variables.hpp"

namespace pelvano {

namespace {

constexpr std::size_t c199 = 199;

// One free-form read of one text value, whole. A line that gives no value (end of file, a
// bad value, a null value or a slash) is a failed read.
bool read_text_value(TextReader& in, std::string& value) {
  FreeForm ff;
  begin_read(ff, in);
  std::string_view token;
  if (read_text(ff, token) != Item::value) return false;
  value.assign(token);
  return true;
}

// The two text values are read into a field of 199 characters: a longer value is not cut
// but refused.
std::string text_value(std::string_view value, const std::string& what) {
  const std::string_view v = trim(value);
  if (v.size() > c199) {
    stoponerror(what + ", " + std::string(v) + ", has more than " + itoc(c199) + " characters!");
  }
  return std::string(v);
}

bool read_int_value(TextReader& in, std::int32_t& value) {
  FreeForm ff;
  begin_read(ff, in);
  return read_int(ff, value) == Item::value;
}

}  // namespace

void read_parameters(Run& run) {
  TextReader in;
  open_reader_or_stop(in, run.fname);

  std::string C199;
  if (!read_text_value(in, C199)) stoponerror("Error reading the path of structure output files!");
  run.PATHNAME = text_value(C199, "The path");
  check_folder(run.PATHNAME, run.PLATFORMSLASH);

  if (!read_text_value(in, C199)) {
    stoponerror("Error reading the generic name of Structure output files!");
  }
  run.FILENAME = text_value(C199, "The generic name of Structure output files");
  if (run.FILENAME.empty() || run.FILENAME.back() != '*') {
    stoponerror("The generic name of Structure output files does not end with wildcard *!");
  }
  // The list and results files are named from it in the folder: it must be a file name.
  if (run.FILENAME.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
    stoponerror("The generic name of Structure output files, " + run.FILENAME +
                ", is not a file name!");
  }
  run.FILENAME0 = run.FILENAME.substr(0, run.FILENAME.size() - 1);
  run.file_stem = run.FILENAME0;

  const std::string C29 = "Error reading the";
  if (!read_int_value(in, run.KSTART)) stoponerror(C29 + " starting K value!");
  if (!read_int_value(in, run.KEND)) stoponerror(C29 + " ending K value!");
  if (!read_int_value(in, run.NIND)) stoponerror(C29 + " number of sampled individuals!");
  if (!read_int_value(in, run.NRUN)) stoponerror(C29 + " number of replicate runs!");
  close_reader(in);

  check_numbers(run);
}

}  // namespace pelvano
