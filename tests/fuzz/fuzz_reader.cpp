// Fuzz target: the whole-line read and the free-form read over one file.
//
// Input: one byte n, then n % 32 operation bytes, then the file. Without operations the
// file is read line by line (every third line twice, by stepping back); otherwise the
// operations are applied in turn until the file is used up. Every line the reader hands
// out must be the line of the file at that line number, and every number it converts must
// be the C library's conversion of the same text, to the bit.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/fatal.hpp"
#include "base/reader.hpp"
#include "fuzz.hpp"

namespace pelvano::fuzz {
namespace {

// LF ends a line, a CR right before it is dropped, a last line without LF counts.
std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
  }
  return lines;
}

// One conversion against the C library's: the same value to the bit (a value too small for
// the precision may become zero), or an error exactly where the library overflows.
template <class T>
void check_real(std::string_view t, const std::string& c_text, T (*ref)(const char*, char**),
                T tiny) {
  T v = 7;
  const ReadError e = parse_real(t, v);
  char* end = nullptr;
  const T r = ref(c_text.c_str(), &end);
  const bool whole = !c_text.empty() && end == c_text.c_str() + c_text.size();
  if (e == ReadError::none) {
    PELVANO_FUZZ_CHECK(whole && std::isfinite(v));
    PELVANO_FUZZ_CHECK(std::memcmp(&v, &r, sizeof v) == 0 || (v == 0 && std::fabs(r) < tiny));
  }
  if (e == ReadError::conversion) PELVANO_FUZZ_CHECK(whole && std::isinf(r));
}

void check_conversions(std::string_view t) {
  const std::size_t sign = !t.empty() && (t[0] == '+' || t[0] == '-');
  const bool integer =
      t.size() > sign && t.find_first_not_of("0123456789", sign) == std::string_view::npos;
  std::int32_t i = 7;
  const ReadError ie = parse_int32(t, i);
  if (integer) {
    errno = 0;
    const long long ref = std::strtoll(std::string(t).c_str(), nullptr, 10);
    const bool fits = errno == 0 && ref >= INT32_MIN && ref <= INT32_MAX;
    PELVANO_FUZZ_CHECK(fits == (ie == ReadError::none) && (!fits || i == ref));
  } else {
    PELVANO_FUZZ_CHECK(ie != ReadError::none);
  }
  // The C library takes no "+" and no D exponent.
  std::string c_text(t.substr(!t.empty() && t[0] == '+' ? 1 : 0));
  for (char& c : c_text) c = (c == 'd' || c == 'D') ? 'e' : c;
  check_real<double>(t, c_text, std::strtod, DBL_MIN);
  check_real<float>(t, c_text, std::strtof, FLT_MIN);
  float f = 0;
  double d = 0;
  PELVANO_FUZZ_CHECK((parse_real(t, f) == ReadError::syntax) ==
                     (parse_real(t, d) == ReadError::syntax));
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
    std::string_view text;
    std::int32_t i = 0;
    float f = 0;
    double d = 0;
    switch (op & 7) {
      case 0: {
        const bool more = read_line(in, text);
        begin_read(ff, in);  // a whole-line read ends the free-form read
        ff_current = false;
        PELVANO_FUZZ_CHECK(in.lineno >= 0 && in.lineno <= static_cast<std::int64_t>(lines.size()));
        if (!more) {
          PELVANO_FUZZ_CHECK(in.lineno == static_cast<std::int64_t>(lines.size()));
          return;
        }
        PELVANO_FUZZ_CHECK(in.lineno >= 1 &&
                           text == lines[static_cast<std::size_t>(in.lineno - 1)]);
        continue;
      }
      case 1:
        begin_read(ff, in);
        ff_current = true;
        continue;
      case 2:
        got = read_text(ff, text);
        if (got == Item::value) {
          PELVANO_FUZZ_CHECK(text.size() <= max_text_value);
          if (text.find_first_of(" \t,/") == std::string_view::npos) check_conversions(text);
        }
        break;
      case 3:
        got = read_text(ff, field, op >> 3u);
        PELVANO_FUZZ_CHECK(got != Item::value || field.size() <= (op >> 3u));
        break;
      case 4:
        got = read_int(ff, i);
        break;
      case 5:
        got = read_real(ff, f);
        PELVANO_FUZZ_CHECK(got != Item::value || std::isfinite(f));
        break;
      case 6:
        got = read_real(ff, d);
        PELVANO_FUZZ_CHECK(got != Item::value || std::isfinite(d));
        break;
      default:
        step_back(in);
        continue;
    }
    if (got == Item::eof) PELVANO_FUZZ_CHECK(ff.error == ReadError::end_of_file);
    PELVANO_FUZZ_CHECK((got == Item::error || got == Item::eof) == (ff.error != ReadError::none));
    if (ff_current && ff.started && in.lineno > 0) {
      PELVANO_FUZZ_CHECK(in.lineno <= static_cast<std::int64_t>(lines.size()) &&
                         ff.text == lines[static_cast<std::size_t>(in.lineno - 1)]);
    }
    if (got == Item::eof) return;
  }
}

}  // namespace
}  // namespace pelvano::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pelvano;
  if (size == 0) return 0;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t nops = std::min<std::size_t>(all[0] % 32, size - 1);
  const std::string_view ops = all.substr(1, nops);
  const std::vector<std::string_view> lines = fuzz::lines_of(all.substr(1 + nops));
  const std::string name = fuzz::scratch() + "/input.txt";
  fuzz::write_bytes(name, all.substr(1 + nops));
  TextReader in;
  PELVANO_FUZZ_CHECK(open_reader(in, name) == 0);
  try {
    if (!ops.empty()) {
      fuzz::run_operations(in, ops, lines);
      return 0;
    }
    std::string_view line;
    for (std::size_t n = 0; read_line(in, line);) {
      PELVANO_FUZZ_CHECK(n < lines.size() && line == lines[n] &&
                         in.lineno == static_cast<std::int64_t>(n + 1));
      if (++n % 3 == 0) {
        step_back(in);
        PELVANO_FUZZ_CHECK(read_line(in, line) && line == lines[n - 1]);
      }
    }
    PELVANO_FUZZ_CHECK(in.lineno == static_cast<std::int64_t>(lines.size()));
  } catch (const FatalError&) {
    // The file itself could not be read: an expected end of the run.
  }
  return 0;
}
