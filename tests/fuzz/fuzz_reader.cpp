// Fuzz target: the whole-line read and the free-form read over one file.
//
// Input: one byte n, then n % 32 operation bytes, then the file. Without operations the
// file is read line by line; otherwise the operations are applied in turn, over and over,
// until the file is used up. Every line the reader hands out must be the line of the file
// at that line number, and every number a free-form read converts must agree with the C
// library's conversion of the same text.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "control/fatal.hpp"
#include "fuzz_support.hpp"
#include "textio/reader.hpp"

namespace pelvano::fuzz {
namespace {

// The lines of the file: LF ends a line, a CR right before it is dropped, and a last line
// without LF counts when it is not empty.
std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) {
      lines.push_back(text);
      break;
    }
    std::string_view line = text.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(lf + 1);
  }
  return lines;
}

bool plain_integer(std::string_view t) {
  std::size_t p = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
  if (p == t.size()) return false;
  for (; p < t.size(); ++p) {
    if (t[p] < '0' || t[p] > '9') return false;
  }
  return true;
}

// The text as the C library reads it: no "+" sign in front, E for a D exponent.
std::string c_form(std::string_view t) {
  std::string s(t.substr(!t.empty() && t[0] == '+' ? 1 : 0));
  for (char& c : s) {
    if (c == 'd' || c == 'D') c = 'e';
  }
  return s;
}

template <class T>
bool same_bits(T a, T b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Compares the conversions of one value text with strtoll, strtod and strtof.
void check_conversions(std::string_view t) {
  std::int32_t i = 7;
  const ReadError ie = parse_int32(t, i);
  if (ie == ReadError::none) PELVANO_FUZZ_CHECK(plain_integer(t));
  if (plain_integer(t)) {
    const std::string s(t);
    errno = 0;
    const long long ref = std::strtoll(s.c_str(), nullptr, 10);
    const bool fits = errno == 0 && ref >= std::numeric_limits<std::int32_t>::min() &&
                      ref <= std::numeric_limits<std::int32_t>::max();
    PELVANO_FUZZ_CHECK(fits == (ie == ReadError::none));
    if (fits) PELVANO_FUZZ_CHECK(i == ref);
  }

  const std::string s = c_form(t);
  char* end = nullptr;
  double d = 7;
  const ReadError de = parse_real(t, d);
  const double dref = std::strtod(s.c_str(), &end);
  const bool d_all = !s.empty() && end == s.c_str() + s.size();
  if (de == ReadError::none) {
    PELVANO_FUZZ_CHECK(d_all);
    PELVANO_FUZZ_CHECK(std::isfinite(d));
    PELVANO_FUZZ_CHECK(same_bits(d, dref) || (d == 0 && std::fabs(dref) < DBL_MIN));
  } else if (de == ReadError::conversion) {
    PELVANO_FUZZ_CHECK(d_all && std::isinf(dref));
  }

  float f = 7;
  const ReadError fe = parse_real(t, f);
  const float fref = std::strtof(s.c_str(), &end);
  const bool f_all = !s.empty() && end == s.c_str() + s.size();
  if (fe == ReadError::none) {
    PELVANO_FUZZ_CHECK(f_all);
    PELVANO_FUZZ_CHECK(std::isfinite(f));
    PELVANO_FUZZ_CHECK(same_bits(f, fref) || (f == 0 && std::fabs(fref) < FLT_MIN));
  } else if (fe == ReadError::conversion) {
    PELVANO_FUZZ_CHECK(f_all && std::isinf(fref));
  }
  // Both precisions take the same texts.
  PELVANO_FUZZ_CHECK((de == ReadError::syntax) == (fe == ReadError::syntax));
}

void check_item(const FreeForm& ff, Item got) {
  if (got == Item::eof) PELVANO_FUZZ_CHECK(ff.error == ReadError::end_of_file);
  if (got == Item::error) PELVANO_FUZZ_CHECK(ff.error != ReadError::none);
  if (got == Item::value || got == Item::null) PELVANO_FUZZ_CHECK(ff.error == ReadError::none);
}

void run_operations(TextReader& in, std::string_view ops,
                    const std::vector<std::string_view>& lines) {
  FreeForm ff;
  begin_read(ff, in);
  bool ff_current = true;  // no whole-line read since the free-form read began
  std::string field;
  for (std::size_t step = 0; step < 1024; ++step) {
    const auto op = static_cast<unsigned char>(ops[step % ops.size()]);
    Item got = Item::value;
    switch (op & 7) {
      case 0: {
        std::string_view line;
        const bool more = read_line(in, line);
        // A whole-line read ends the free-form read: its views of the buffer are stale.
        begin_read(ff, in);
        ff_current = false;
        if (!more) {
          PELVANO_FUZZ_CHECK(in.lineno == static_cast<std::int64_t>(lines.size()));
          return;
        }
        PELVANO_FUZZ_CHECK(in.lineno >= 1 && in.lineno <= static_cast<std::int64_t>(lines.size()));
        PELVANO_FUZZ_CHECK(line == lines[static_cast<std::size_t>(in.lineno - 1)]);
        continue;
      }
      case 1:
        begin_read(ff, in);
        ff_current = true;
        continue;
      case 2: {
        std::string_view value;
        got = read_text(ff, value);
        if (got == Item::value) {
          PELVANO_FUZZ_CHECK(value.size() <= max_text_value);
          if (value.find_first_of(" \t,/") == std::string_view::npos) check_conversions(value);
        }
        break;
      }
      case 3: {
        const std::size_t n = op >> 3;
        got = read_text(ff, field, n);
        PELVANO_FUZZ_CHECK(got != Item::value || field.size() <= n);
        break;
      }
      case 4: {
        std::int32_t v = 0;
        got = read_int(ff, v);
        break;
      }
      case 5: {
        float v = 0;
        got = read_real(ff, v);
        PELVANO_FUZZ_CHECK(got != Item::value || std::isfinite(v));
        break;
      }
      case 6: {
        double v = 0;
        got = read_real(ff, v);
        PELVANO_FUZZ_CHECK(got != Item::value || std::isfinite(v));
        break;
      }
      default:
        step_back(in);
        continue;
    }
    check_item(ff, got);
    if (ff_current && ff.started && in.lineno > 0) {
      PELVANO_FUZZ_CHECK(in.lineno <= static_cast<std::int64_t>(lines.size()));
      PELVANO_FUZZ_CHECK(ff.text == lines[static_cast<std::size_t>(in.lineno - 1)]);
    }
    // At the end of the file, with nothing left to repeat, the reads are over.
    if (got == Item::eof) return;
  }
}

}  // namespace
}  // namespace pelvano::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelvano;
  using namespace pelvano::fuzz;
  if (size == 0) return 0;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t nops = std::min<std::size_t>(all[0] % 32, size - 1);
  const std::string_view ops = all.substr(1, nops);
  const std::string_view content = all.substr(1 + nops);
  const std::vector<std::string_view> lines = lines_of(content);

  const std::string name = scratch() + "/input.txt";
  write_bytes(name, content);
  TextReader in;
  PELVANO_FUZZ_CHECK(open_reader(in, name) == 0);
  try {
    if (ops.empty()) {
      std::string_view line;
      std::size_t n = 0;
      while (read_line(in, line)) {
        PELVANO_FUZZ_CHECK(n < lines.size() && line == lines[n]);
        PELVANO_FUZZ_CHECK(in.lineno == static_cast<std::int64_t>(n + 1));
        ++n;
        // Every third line is taken twice.
        if (n % 3 == 0) {
          step_back(in);
          PELVANO_FUZZ_CHECK(read_line(in, line) && line == lines[n - 1]);
        }
      }
      PELVANO_FUZZ_CHECK(n == lines.size());
    } else {
      run_operations(in, ops, lines);
    }
  } catch (const FatalError&) {
    // A failed read of the file itself: an expected end of the run.
  }
  return 0;
}
