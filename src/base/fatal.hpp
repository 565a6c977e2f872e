// Fatal errors, pauses, the version banner and the folder probe.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace pelvano {

// How a fatal error reaches the user.
enum class FatalKind {
  check,         // a failed check of the program: console, error file, 2 s pause
  read_failure,  // a failed read inside a Structure output file: standard error, error file
  file_system,   // a file operation or memory failure: console, error file, 2 s pause
  usage,         // a command line that cannot be used: standard error only, exit status 2
  no_input,      // a path that names nothing, or an --out folder that cannot be written:
                 // standard error only, exit status 1
};

// The one exception of the program: thrown by stoponerror and the reading layer,
// caught only by the process entry, which reports it and ends the process.
struct FatalError {
  std::string message;
  FatalKind kind = FatalKind::check;
};

// Ends the run with the message (trailing blanks removed). Does not return.
[[noreturn]] void stoponerror(std::string_view message);

// Ends the run after a failed file operation; the message names the file and the reason
// (the text of the error number err, or a reason of the caller's).
[[noreturn]] void stop_on_file_error(std::string_view action, std::string_view file, int err);
[[noreturn]] void stop_on_file_error(std::string_view action, std::string_view file,
                                     std::string_view reason);

// Ends the run after a read inside a Structure output file failed.
[[noreturn]] void stop_on_read_failure(std::string message);

// Pauses for the given number of seconds.
void sleeping(float seconds);

// The six banner lines, each ending with a line feed.
std::string banner_text();

// Writes the banner to the console, followed by a 1 s pause when pause is true.
void showversion(std::FILE* console, bool pause);

// Tells whether a file can be created in the folder; folder ends with its separator.
// Never touches a file it did not create itself. Returns 0, or the error number of the
// failure.
int checkdir(std::string_view folder);

// Stops the run unless a file can be created in the folder: "The path, X, does not exist!"
// for a folder that does not exist, "The path, X, cannot be written: <reason>!" for one
// where no file can be made.
void check_folder(const std::string& folder, char separator);

// Name of the error file that belongs to a parameter file.
std::string error_file_name(std::string_view fname);

// Writes the error file `name` (one line) and reports whether that worked.
bool write_error_file(const std::string& name, std::string_view message);

}  // namespace pelvano
