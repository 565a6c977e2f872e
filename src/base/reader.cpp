#include "base/reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>

#include "base/decimal.hpp"
#include "base/fatal.hpp"
#include "base/variables.hpp"

namespace pelvano {

namespace {

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing builds start small, so that small inputs refill, move and grow the buffer.
constexpr std::size_t initial_buffer = 64;
#else
constexpr std::size_t initial_buffer = std::size_t{1} << 20;
#endif

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

TextReader::~TextReader() {
  close_reader(*this);
}

int open_reader(TextReader& in, const std::string& name) {
  close_reader(in);
  in.name = name;
  // Only regular files are read: a FIFO would block the open or the read forever, and a
  // device such as /dev/zero never ends its line. The type is checked before the open, so
  // that no device is ever opened, and again on the open file, which cannot block.
  if (name.find('\0') != std::string::npos) return ENOENT;
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : not_a_regular_file;
  in.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (in.fd < 0) return errno;
  if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close_reader(in);
    return S_ISDIR(st.st_mode) ? EISDIR : not_a_regular_file;
  }
  ::fcntl(in.fd, F_SETFL, ::fcntl(in.fd, F_GETFL) & ~O_NONBLOCK);
  in.size = static_cast<std::int64_t>(st.st_size);
  if (in.buf.size() < initial_buffer) in.buf.resize(initial_buffer);
  in.fill = in.next = in.lbeg = in.lend = 0;
  in.source_done = false;
  in.replay = false;
  in.lineno = 0;
  return 0;
}

void open_reader_or_stop(TextReader& in, const std::string& name) {
  const int err = open_reader(in, name);
  if (err == not_a_regular_file) stop_on_file_error("open", name, "Not a regular file");
  if (err != 0) stop_on_file_error("open", name, err);
}

void close_reader(TextReader& in) {
  if (in.fd >= 0) ::close(in.fd);
  in.fd = -1;
}

bool read_line(TextReader& in, std::string_view& line) {
  if (in.replay) {
    in.replay = false;
    line = std::string_view(in.buf.data() + in.lbeg, in.lend - in.lbeg);
    return true;
  }
  if (in.fd < 0) return false;
  std::size_t scan = in.next;
  std::size_t end = 0;
  bool has_lf = false;
  for (;;) {
    const void* lf =
        in.fill > scan ? std::memchr(in.buf.data() + scan, '\n', in.fill - scan) : nullptr;
    if (lf != nullptr) {
      end = static_cast<std::size_t>(static_cast<const char*>(lf) - in.buf.data());
      has_lf = true;
      break;
    }
    if (in.source_done) {
      if (in.next >= in.fill) return false;
      end = in.fill;
      break;
    }
    // Keep only the unfinished line, then read more behind it.
    if (in.next > 0) {
      std::memmove(in.buf.data(), in.buf.data() + in.next, in.fill - in.next);
      in.fill -= in.next;
      in.next = 0;
    }
    if (in.fill == in.buf.size()) {
      // A line that never ends (a huge file without line ends) must not take all memory.
      if (in.fill >= max_line_length) {
        stop_on_read_failure("Line too long in file, " + in.name + ", at line " +
                             itoc(in.lineno + 1) + "!");
      }
      in.buf.resize(std::min(in.buf.size() * 2, max_line_length));
    }
    scan = in.fill;
    ssize_t got;
    do {
      got = ::read(in.fd, in.buf.data() + in.fill, in.buf.size() - in.fill);
    } while (got < 0 && errno == EINTR);
    if (got < 0) stop_on_file_error("read", in.name, errno);
    if (got == 0) {
      in.source_done = true;
    } else {
      in.fill += static_cast<std::size_t>(got);
    }
  }
  in.lbeg = in.next;
  in.lend = end;
  if (has_lf && in.lend > in.lbeg && in.buf[in.lend - 1] == '\r') --in.lend;
  in.next = has_lf ? end + 1 : end;
  ++in.lineno;
  line = std::string_view(in.buf.data() + in.lbeg, in.lend - in.lbeg);
  return true;
}

void step_back(TextReader& in) {
  if (in.lineno > 0) in.replay = true;
}

// ---------------------------------------------------------------------------------------
// Free-form read

void begin_read(FreeForm& ff, TextReader& in) {
  ff.in = &in;
  ff.text = {};
  ff.pos = 0;
  ff.started = false;
  ff.comma_seen = true;
  ff.ended = false;
  ff.repeat_left = 0;
  ff.repeat_null = false;
  ff.repeat_value = {};
  ff.repeat_quoted = false;
  ff.error = ReadError::none;
}

namespace {

enum class Want { text, number };

// Finds the start of the next value. Returns value when a value starts at ff.pos, null
// for a null value made by a comma, end for a slash, eof at the end of the file.
Item seek_value(FreeForm& ff) {
  for (;;) {
    if (!ff.started) {
      if (!read_line(*ff.in, ff.text)) return Item::eof;
      ff.started = true;
      ff.pos = 0;
    }
    const std::size_t n = ff.text.size();
    while (ff.pos < n && is_blank(ff.text[ff.pos])) ++ff.pos;
    if (ff.pos == n) {
      if (!read_line(*ff.in, ff.text)) return Item::eof;
      ff.pos = 0;
      continue;
    }
    const char c = ff.text[ff.pos];
    if (c == ',') {
      ++ff.pos;
      if (ff.comma_seen) return Item::null;
      ff.comma_seen = true;
      continue;
    }
    if (c == '/') {
      ff.ended = true;
      return Item::end;
    }
    return Item::value;
  }
}

// Reads a quoted text starting at ff.pos (the opening mark) into ff.quoted.
Item take_quoted(FreeForm& ff) {
  const char mark = ff.text[ff.pos];
  ++ff.pos;
  ff.quoted.clear();
  for (;;) {
    const std::size_t close = ff.text.find(mark, ff.pos);
    if (close == std::string_view::npos) {
      ff.quoted.append(ff.text.substr(ff.pos));
      if (ff.quoted.size() > max_text_value) {
        ff.error = ReadError::syntax;
        return Item::error;
      }
      if (!read_line(*ff.in, ff.text)) {
        ff.error = ReadError::end_of_file;
        return Item::eof;
      }
      ff.pos = 0;
      continue;
    }
    ff.quoted.append(ff.text.substr(ff.pos, close - ff.pos));
    if (close + 1 < ff.text.size() && ff.text[close + 1] == mark) {
      ff.quoted.push_back(mark);
      ff.pos = close + 2;
    } else {
      ff.pos = close + 1;
      break;
    }
    if (ff.quoted.size() > max_text_value) break;
  }
  if (ff.quoted.size() > max_text_value) {
    ff.error = ReadError::syntax;
    return Item::error;
  }
  return Item::value;
}

// Takes an unquoted value starting at ff.pos.
std::string_view take_unquoted(FreeForm& ff, Want want) {
  const std::size_t start = ff.pos;
  const std::size_t n = ff.text.size();
  std::size_t p = start;
  if (want == Want::text) {
    while (p < n) {
      const char c = ff.text[p];
      if (c == ' ' || c == '\t' || c == ',' || c == '/') break;
      ++p;
    }
  } else {
    while (p < n) {
      const char c = ff.text[p];
      if (c == ' ' || c == '\t' || c == ',' || c == '/' || c == ')') break;
      ++p;
    }
  }
  ff.pos = p;
  return ff.text.substr(start, p - start);
}

// The next value for one item. On value, token is the value and quoted tells whether it
// was written in quotes.
Item next_item(FreeForm& ff, Want want, std::string_view& token, bool& quoted) {
  if (ff.error != ReadError::none) return Item::error;
  if (ff.repeat_left > 0) {
    --ff.repeat_left;
    if (ff.repeat_null) return Item::null;
    token = ff.repeat_value;
    quoted = ff.repeat_quoted;
    return Item::value;
  }
  if (ff.ended) return Item::end;
  const Item found = seek_value(ff);
  if (found == Item::eof) {
    ff.error = ReadError::end_of_file;
    return Item::eof;
  }
  if (found != Item::value) return found;

  // A repeat count: decimal digits directly followed by an asterisk.
  std::size_t p = ff.pos;
  while (p < ff.text.size() && is_digit(ff.text[p])) ++p;
  std::int64_t repeat = 1;
  if (p > ff.pos && p < ff.text.size() && ff.text[p] == '*') {
    std::int64_t r = 0;
    const auto res = std::from_chars(ff.text.data() + ff.pos, ff.text.data() + p, r);
    if (res.ec != std::errc() || r < 1 || r > std::numeric_limits<std::int32_t>::max()) {
      ff.error = ReadError::syntax;
      return Item::error;
    }
    repeat = r;
    ff.pos = p + 1;
    ff.comma_seen = false;
    const bool bare = ff.pos >= ff.text.size() || is_blank(ff.text[ff.pos]) ||
                      ff.text[ff.pos] == ',' || ff.text[ff.pos] == '/';
    if (bare) {
      ff.repeat_left = repeat - 1;
      ff.repeat_null = true;
      return Item::null;
    }
  }

  const char c = ff.text[ff.pos];
  if (c == '\'' || c == '"') {
    const Item got = take_quoted(ff);
    if (got != Item::value) return got;
    token = ff.quoted;
    quoted = true;
  } else {
    token = take_unquoted(ff, want);
    quoted = false;
    if (want == Want::text && token.size() > max_text_value) {
      ff.error = ReadError::syntax;
      return Item::error;
    }
  }
  ff.comma_seen = false;
  if (repeat > 1) {
    ff.repeat_left = repeat - 1;
    ff.repeat_null = false;
    ff.repeat_value = token;
    ff.repeat_quoted = quoted;
  }
  return Item::value;
}

template <class T>
Item read_number(FreeForm& ff, T& value) {
  std::string_view token;
  bool quoted = false;
  const Item got = next_item(ff, Want::number, token, quoted);
  if (got != Item::value) return got;
  if (quoted) {
    ff.error = ReadError::syntax;
    return Item::error;
  }
  T parsed{};
  ReadError why;
  if constexpr (std::is_same_v<T, std::int32_t>) {
    why = parse_int32(token, parsed);
  } else {
    why = parse_real(token, parsed);
  }
  if (why != ReadError::none) {
    ff.error = why;
    return Item::error;
  }
  value = parsed;
  return Item::value;
}

template <class T>
ReadError parse_real_impl(std::string_view t, T& value) {
  const std::size_t letter = real_form(t);
  if (letter == std::string_view::npos) return ReadError::syntax;
  // from_chars takes no "+" sign and no D exponent: hand it a normalised copy when needed.
  const bool plus = t[0] == '+';
  const bool dexp = letter < t.size() && (t[letter] == 'd' || t[letter] == 'D');
  std::string copy;
  if (plus || dexp) {
    copy.assign(t.substr(plus ? 1 : 0));
    if (dexp) copy[letter - (plus ? 1 : 0)] = 'e';
    t = copy;
  }
  const bool negative = !t.empty() && t[0] == '-';
  T parsed{};
  const auto res =
      std::from_chars(t.data(), t.data() + t.size(), parsed, std::chars_format::general);
  if (res.ptr != t.data() + t.size()) return ReadError::syntax;
  if (res.ec == std::errc::result_out_of_range) {
    // Too small to be told from zero is zero; too large for the precision is an error.
    const std::string probe_text(t);
    const double probe = std::strtod(probe_text.c_str(), nullptr);
    if (std::fabs(probe) >= 1.0) return ReadError::conversion;
    parsed = negative ? -T(0) : T(0);
  } else if (res.ec != std::errc()) {
    return ReadError::syntax;
  }
  value = parsed;
  return ReadError::none;
}

}  // namespace

Item read_text(FreeForm& ff, std::string_view& value) {
  bool quoted = false;
  std::string_view token;
  const Item got = next_item(ff, Want::text, token, quoted);
  if (got == Item::value) value = token;
  return got;
}

Item read_text(FreeForm& ff, std::string& field, std::size_t n) {
  std::string_view token;
  const Item got = read_text(ff, token);
  if (got == Item::value) field.assign(token.substr(0, n));
  return got;
}

Item read_real_text(FreeForm& ff, std::string_view& text) {
  bool quoted = false;
  const Item got = next_item(ff, Want::number, text, quoted);
  if (got != Item::value) return got;
  float value = 0;
  ff.error = quoted ? ReadError::syntax : parse_real(text, value);
  return ff.error == ReadError::none ? Item::value : Item::error;
}

Item read_int(FreeForm& ff, std::int32_t& value) {
  return read_number(ff, value);
}
Item read_real(FreeForm& ff, float& value) {
  return read_number(ff, value);
}
Item read_real(FreeForm& ff, double& value) {
  return read_number(ff, value);
}

ReadError parse_int32(std::string_view t, std::int32_t& value) {
  std::size_t p = 0;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
  const std::size_t first = p;
  while (p < t.size() && is_digit(t[p])) ++p;
  if (p == first || p != t.size()) {
    // A real value where an integer is needed is a conversion error; anything else is
    // not a number at all.
    return real_form(t) != std::string_view::npos ? ReadError::conversion : ReadError::syntax;
  }
  std::int64_t wide = 0;
  const char* begin = t.data() + first;
  const char* end = t.data() + t.size();
  // Skip leading zeros so that long runs of them do not overflow the parse.
  while (begin + 1 < end && *begin == '0') ++begin;
  if (end - begin > 12) return ReadError::conversion;
  std::from_chars(begin, end, wide);
  if (t[0] == '-') wide = -wide;
  if (wide < std::numeric_limits<std::int32_t>::min() ||
      wide > std::numeric_limits<std::int32_t>::max()) {
    return ReadError::conversion;
  }
  value = static_cast<std::int32_t>(wide);
  return ReadError::none;
}

ReadError parse_real(std::string_view text, float& value) {
  return parse_real_impl(text, value);
}
ReadError parse_real(std::string_view text, double& value) {
  return parse_real_impl(text, value);
}

std::string read_failure_message(const TextReader& in, ReadError why) {
  std::string what;
  switch (why) {
    case ReadError::end_of_file:
      what = "End of file";
      break;
    case ReadError::syntax:
      what = "Syntax error";
      break;
    case ReadError::conversion:
      what = "Conversion error";
      break;
    case ReadError::missing:
    case ReadError::none:
      what = "Missing value";
      break;
  }
  return what + " in file, " + in.name + ", at line " + itoc(in.lineno) + "!";
}

void stop_on_read(const TextReader& in, ReadError why) {
  stop_on_read_failure(read_failure_message(in, why));
}

void stop_on_item(const TextReader& in, const FreeForm& ff, Item got) {
  stop_on_read(in, got == Item::eof || got == Item::error ? ff.error : ReadError::missing);
}

}  // namespace pelvano
