// The reading layer, rule by rule: reader_cases.txt holds the cases.
#include "base/reader.hpp"

#include <gtest/gtest.h>

#include <charconv>

#include "support/cases.hpp"

namespace pelvano {
namespace {

// Runs the reads of `script` over the file and shows what each item gave. One letter per
// item of a free-form read (t text, n text into a field of 9 characters, i integer, f and
// d single and double precision); ";" begins a new free-form read, "l" is a whole-line
// read, "b" steps back, "#" shows the line number.
std::string run_reads(TextReader& in, const std::string& script) {
  static const char* const errors[] = {"", "<eof>", "<syntax>", "<conversion>", "<missing>"};
  FreeForm ff;
  std::string out, field = "old";
  bool started = false;
  const auto emit = [&](const std::string& s) {
    if (!out.empty() && out.back() != ';' && s != ";") out += ' ';
    out += s;
  };
  for (const char op : script) {
    if (op == ';' || op == 'l' || op == 'b') started = false;
    std::string_view line;
    if (op == ';') {
      emit(";");
    } else if (op == 'l') {
      emit(read_line(in, line) ? "[" + std::string(line) + "]" : "<eof>");
    } else if (op == 'b') {
      step_back(in);
    } else if (op == '#') {
      emit("#" + std::to_string(in.lineno));
    } else {
      if (!started) begin_read(ff, in);
      started = true;
      Item got = Item::value;
      std::string shown;
      if (op == 't') {
        got = read_text(ff, line);
        shown = "[" + std::string(line) + "]";
      } else if (op == 'n') {
        got = read_text(ff, field, 9);
        shown = "[" + field + "]";
      } else if (op == 'i') {
        std::int32_t v = 0;
        got = read_int(ff, v);
        shown = test::number(v);
      } else if (op == 'f') {
        float v = 0;
        got = read_real(ff, v);
        shown = test::number(v);
      } else {
        double v = 0;
        got = read_real(ff, v);
        shown = test::number(v);
      }
      if (got == Item::eof || got == Item::error) {
        emit(errors[static_cast<int>(ff.error)]);
        break;
      }
      emit(got == Item::null  ? "<null>"
           : got == Item::end ? "<end>" + (op == 'n' ? shown : "")
                              : shown);
    }
  }
  return out;
}

TEST(Reader, Rules) {
  test::TempDir dir;
  for (const auto& row : test::table("base/reader_cases.txt")) {
    test::write_file(dir / "input.txt", row.at(0));
    TextReader in;
    ASSERT_EQ(open_reader(in, dir / "input.txt"), 0);
    EXPECT_EQ(run_reads(in, row.at(1)), row.at(2)) << "input: " << row[0];
  }
}

TEST(Reader, LinesFarLongerThanTheBufferAndMany) {
  std::string text = std::string(3 << 20, 'x') + "\n";
  for (int i = 0; i < 200000; ++i) text += "line " + std::to_string(i) + "\r\n";
  test::TempDir dir;
  test::write_file(dir / "big.txt", text);
  TextReader in;
  ASSERT_EQ(open_reader(in, dir / "big.txt"), 0);
  std::string_view line;
  ASSERT_TRUE(read_line(in, line));
  EXPECT_EQ(line.size(), std::size_t{3} << 20);
  for (int i = 0; i < 200000; ++i) {
    ASSERT_TRUE(read_line(in, line));
    ASSERT_EQ(line, "line " + std::to_string(i));
  }
  EXPECT_FALSE(read_line(in, line));
}

}  // namespace
}  // namespace pelvano
