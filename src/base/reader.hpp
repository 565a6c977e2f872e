// The reading layer: every input file (parameter file, list file, Structure output files)
// is read through the whole-line read and the free-form read defined here.
//
// A free-form read takes values from the next line and, when it needs more, from the lines
// after it. Values are separated by blanks (spaces, tabs) with at most one comma among them,
// or by line ends. Texts may be quoted with ' or " (a doubled mark stands for one mark, and
// a quoted text may go on over line ends). "r*v" stands for r copies of v and "r*" for r
// null values; a comma where a value should begin is a null value, and a slash ends the read.
// A null value or the end of the read leaves the receiving item unchanged. After the read
// the rest of its last line is passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelvano {

// A file read line by line through a large buffer. Line ends are LF; a CR right before
// the LF is not part of the line.
struct TextReader {
  TextReader() = default;
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;
  ~TextReader();

  std::string name;  // as given to open_reader, for messages
  int fd = -1;
  std::vector<char> buf;
  std::size_t fill = 0;  // bytes of buf holding file data
  std::size_t next = 0;  // start of the next line not yet taken
  std::size_t lbeg = 0;  // the line last taken: [lbeg, lend)
  std::size_t lend = 0;
  bool source_done = false;  // the file has no more bytes
  bool replay = false;       // step back was called: the last line is taken again
  std::int64_t lineno = 0;   // number of the line last taken (1 for the first line)
  std::int64_t size = 0;     // the file's size when it was opened
};

// Longest line a read takes: a longer line ends the run with a read failure.
inline constexpr std::size_t max_line_length = std::size_t{64} << 20;

// What open_reader gives when the name is neither a regular file nor a folder (a FIFO, a
// device, a socket).
inline constexpr int not_a_regular_file = -1;

// Opens a regular file for reading from its start. Returns 0, or the error number of the
// failure (not_a_regular_file for a name that is no file to read).
int open_reader(TextReader& in, const std::string& name);

// Opens a file for reading or ends the run with a message that names the file.
void open_reader_or_stop(TextReader& in, const std::string& name);

// Closes the file (also done by the destructor).
void close_reader(TextReader& in);

// Whole-line read: the next line, valid until the next read of this file.
// Returns false at the end of the file (no line left).
bool read_line(TextReader& in, std::string_view& line);

// Moves back to the start of the line last taken, so that the next read takes it again.
void step_back(TextReader& in);

// What a free-form read gives for one item.
enum class Item {
  value,  // a value was found
  null,   // a null value: the item keeps its previous content
  end,    // a slash ended the read: this item and all after it keep their contents
  eof,    // the file ended while a value was still needed: the read ends with end of file
  error,  // the value does not have the form the item needs: the read ends with error
};

// Why a read failed.
enum class ReadError { none, end_of_file, syntax, conversion, missing };

// Longest text value a free-form read accepts.
inline constexpr std::size_t max_text_value = 2049;

// One free-form read in progress. Begin it with begin_read, then take its items in order.
struct FreeForm {
  TextReader* in = nullptr;
  std::string_view text;  // the line being read
  std::size_t pos = 0;
  bool started = false;
  bool comma_seen = true;  // a comma after this point would be a null value
  bool ended = false;      // a slash has ended the read
  std::int64_t repeat_left = 0;
  bool repeat_null = false;
  std::string_view repeat_value;
  bool repeat_quoted = false;
  std::string quoted;  // the value of a quoted text (it may span lines)
  ReadError error = ReadError::none;
};

void begin_read(FreeForm& ff, TextReader& in);

// Text item: value is valid until the next item or read of this file.
Item read_text(FreeForm& ff, std::string_view& value);
// Text item stored into a field of n characters: a longer value keeps its first n.
Item read_text(FreeForm& ff, std::string& field, std::size_t n);
Item read_int(FreeForm& ff, std::int32_t& value);
Item read_real(FreeForm& ff, float& value);
Item read_real(FreeForm& ff, double& value);
// A real item as its text: the value as the file writes it, checked as a real.
Item read_real_text(FreeForm& ff, std::string_view& text);

// Conversion of one unquoted numeric value, by the rules of the free-form read.
// Returns none, syntax or conversion.
ReadError parse_int32(std::string_view text, std::int32_t& value);
ReadError parse_real(std::string_view text, float& value);
ReadError parse_real(std::string_view text, double& value);

// One line naming the kind of failure, the file and the line, for a failed read.
std::string read_failure_message(const TextReader& in, ReadError why);

// Ends the run after a failed read of a Structure output file.
[[noreturn]] void stop_on_read(const TextReader& in, ReadError why);

// Ends the run for an item that did not give the value the file must hold there: the
// failure of the read, or a missing value for a null item or one after a slash.
[[noreturn]] void stop_on_item(const TextReader& in, const FreeForm& ff, Item got);

}  // namespace pelvano
