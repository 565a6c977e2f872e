#include "textio/reader.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "support/test_support.hpp"

namespace pelvano {
namespace {

using test::TempDir;

// A reader over a file holding the given text.
struct Source {
  explicit Source(const std::string& content) {
    name = dir / "input.txt";
    test::write_file(name, content);
    EXPECT_EQ(open_reader(in, name), 0);
  }
  TempDir dir;
  std::string name;
  TextReader in;
};

// Reads n text values in one free-form read; "<null>" marks a null value, "<end>" a
// value that a slash left unset; the last element is the end state of the read.
std::vector<std::string> texts(TextReader& in, int n) {
  FreeForm ff;
  begin_read(ff, in);
  std::vector<std::string> got;
  for (int i = 0; i < n; ++i) {
    std::string_view v;
    switch (read_text(ff, v)) {
      case Item::value:
        got.emplace_back(v);
        break;
      case Item::null:
        got.emplace_back("<null>");
        break;
      case Item::end:
        got.emplace_back("<end>");
        break;
      case Item::eof:
        got.emplace_back("<eof>");
        return got;
      case Item::error:
        got.emplace_back("<error>");
        return got;
    }
  }
  return got;
}

using Texts = std::vector<std::string>;

struct TextCase {
  std::string input;
  int items;
  Texts expected;
};

void PrintTo(const TextCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.input);
}

class FreeFormTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(FreeFormTexts, TakesTheValuesOfTheRules) {
  Source s(GetParam().input);
  EXPECT_EQ(texts(s.in, GetParam().items), GetParam().expected) << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FreeFormTexts,
    ::testing::Values(
        TextCase{"Run 2 follows\n", 1, {"Run"}},
        TextCase{"Estimated Ln Prob of Data   = -3456.7\n",
                 6,
                 {"Estimated", "Ln", "Prob", "of", "Data", "="}},
        TextCase{"  7  ind7  (12)  3 :  0.101 0.899\n", 5, {"7", "ind7", "(12)", "3", ":"}},
        TextCase{"data/runs\n", 1, {"data"}}, TextCase{"'data/runs'\n", 1, {"data/runs"}},
        TextCase{"\"/data/my runs\" comment\n", 1, {"/data/my runs"}},
        TextCase{"C:\\str\\runs\n", 1, {"C:\\str\\runs"}}, TextCase{"'it''s'\n", 1, {"it's"}},
        TextCase{"\"say \"\"hi\"\"\"\n", 1, {"say \"hi\""}},
        TextCase{"'abc\ndef' x\n", 2, {"abcdef", "x"}},  // line ends add nothing
        TextCase{"'a\"b' \"c'd\"\n", 2, {"a\"b", "c'd"}},
        TextCase{"\n   \n\t\n  value\n", 1, {"value"}},  // blank lines are passed over
        TextCase{"\ta\tb\n", 2, {"a", "b"}},             // tabs are blanks
        TextCase{"a\nb\n", 2, {"a", "b"}},               // values from several lines
        TextCase{",x\n", 2, {"<null>", "x"}}, TextCase{"a,,b\n", 3, {"a", "<null>", "b"}},
        TextCase{"a , , b\n", 3, {"a", "<null>", "b"}},
        TextCase{"a,\n,b\n", 3, {"a", "<null>", "b"}},  // a comma after a comma, over a line end
        TextCase{"a\n,b\n", 2, {"a", "b"}},             // a line end is a separator of its own
        TextCase{"a , b\n", 2, {"a", "b"}}, TextCase{"3*x y\n", 4, {"x", "x", "x", "y"}},
        TextCase{"2* y\n", 3, {"<null>", "<null>", "y"}},
        TextCase{"2*,y\n", 3, {"<null>", "<null>", "y"}},
        TextCase{"2*'a b' c\n", 3, {"a b", "a b", "c"}},
        TextCase{"K*\n", 1, {"K*"}},  // no digits before the star: a plain value
        TextCase{"a*b\n", 1, {"a*b"}}, TextCase{"0*x\n", 1, {"<error>"}},
        TextCase{"/abc\n", 1, {"<end>"}}, TextCase{"a / b\n", 3, {"a", "<end>", "<end>"}},
        TextCase{"(%Miss):=x)\n", 1, {"(%Miss):=x)"}}, TextCase{"", 1, {"<eof>"}},
        TextCase{"\n\n", 1, {"<eof>"}}, TextCase{"a\n", 2, {"a", "<eof>"}},
        TextCase{"'never closed\n", 1, {"<eof>"}},
        TextCase{"a\r\nb\r\n", 2, {"a", "b"}},  // CR LF reads like LF
        TextCase{"last line without end", 3, {"last", "line", "without"}}));

TEST(FreeForm, TextLengthLimit) {
  const std::string ok(max_text_value, 'x');
  const std::string too_long(max_text_value + 1, 'x');
  {
    Source s(ok + "\n");
    EXPECT_EQ(texts(s.in, 1), Texts{ok});
  }
  {
    Source s(too_long + "\n");
    EXPECT_EQ(texts(s.in, 1), Texts{"<error>"});
  }
  {
    Source s(std::string("'").append(too_long).append("'\n"));
    EXPECT_EQ(texts(s.in, 1), Texts{"<error>"});
  }
  {
    // A quoted value over two lines counts its characters from both.
    Source s(std::string("'").append(1500, 'a') + "\n" + std::string(600, 'b') + "'\n");
    EXPECT_EQ(texts(s.in, 1), Texts{"<error>"});
  }
}

TEST(FreeForm, FieldKeepsItsFirstCharactersAndSlashLeavesItAlone) {
  Source s("abcdefghijkl\n/ignored\nnext\n");
  std::string field = "old";
  FreeForm ff;
  begin_read(ff, s.in);
  EXPECT_EQ(read_text(ff, field, 9), Item::value);
  EXPECT_EQ(field, "abcdefghi");
  begin_read(ff, s.in);
  EXPECT_EQ(read_text(ff, field, 9), Item::end);
  EXPECT_EQ(field, "abcdefghi");
  begin_read(ff, s.in);  // the slash line was used up
  EXPECT_EQ(read_text(ff, field, 9), Item::value);
  EXPECT_EQ(field, "next");
}

TEST(FreeForm, EachReadStartsOnTheNextLine) {
  Source s("   100 individuals\n   12 loci\n");
  std::int32_t a = 0, b = 0;
  FreeForm ff;
  begin_read(ff, s.in);
  EXPECT_EQ(read_int(ff, a), Item::value);
  begin_read(ff, s.in);
  EXPECT_EQ(read_int(ff, b), Item::value);
  EXPECT_EQ(a, 100);
  EXPECT_EQ(b, 12);
}

TEST(FreeForm, MixedTextsAndReals) {
  Source s("Estimated Ln Prob of Data   = -3456.7\n  7  ind7  (12)  3 :  0.101 0.899\n");
  FreeForm ff;
  begin_read(ff, s.in);
  std::string_view t;
  for (int i = 0; i < 6; ++i) ASSERT_EQ(read_text(ff, t), Item::value);
  double lnp = 0;
  EXPECT_EQ(read_real(ff, lnp), Item::value);
  EXPECT_EQ(lnp, -3456.7);
  begin_read(ff, s.in);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(read_text(ff, t), Item::value);
  float a = 0, b = 0;
  EXPECT_EQ(read_real(ff, a), Item::value);
  EXPECT_EQ(read_real(ff, b), Item::value);
  EXPECT_EQ(a, 0.101f);
  EXPECT_EQ(b, 0.899f);
}

TEST(FreeForm, RealsFromSeveralLinesAndRepeats) {
  Source s("0.25\n0.75\n2*0.5 1\n");
  FreeForm ff;
  begin_read(ff, s.in);
  double a = 0, b = 0;
  EXPECT_EQ(read_real(ff, a), Item::value);
  EXPECT_EQ(read_real(ff, b), Item::value);
  EXPECT_EQ(a, 0.25);
  EXPECT_EQ(b, 0.75);
  begin_read(ff, s.in);
  float r[3] = {};
  for (float& x : r) EXPECT_EQ(read_real(ff, x), Item::value);
  EXPECT_EQ(r[0], 0.5f);
  EXPECT_EQ(r[1], 0.5f);
  EXPECT_EQ(r[2], 1.0f);
}

TEST(FreeForm, NumberEndsAtClosingParenthesis) {
  Source s("5)\n");
  FreeForm ff;
  begin_read(ff, s.in);
  std::int32_t v = 0;
  EXPECT_EQ(read_int(ff, v), Item::value);
  EXPECT_EQ(v, 5);
}

TEST(FreeForm, QuotedNumberAndErrorsAreReported) {
  struct Case {
    std::string input;
    ReadError why;
  };
  const Case cases[] = {{"'5'\n", ReadError::syntax},
                        {"12abc\n", ReadError::syntax},
                        {"2.5\n", ReadError::conversion},
                        {"1e3\n", ReadError::conversion},
                        {"2147483648\n", ReadError::conversion},
                        {"-2147483649\n", ReadError::conversion},
                        {"99999999999999999999999\n", ReadError::conversion},
                        {"", ReadError::end_of_file}};
  for (const Case& c : cases) {
    Source s(c.input);
    FreeForm ff;
    begin_read(ff, s.in);
    std::int32_t v = 42;
    EXPECT_NE(read_int(ff, v), Item::value) << c.input;
    EXPECT_EQ(ff.error, c.why) << c.input;
    EXPECT_EQ(v, 42) << c.input;
  }
}

struct IntCase {
  std::string text;
  ReadError why;
  std::int32_t value;
};

TEST(ParseInt32, FormAndRange) {
  const IntCase cases[] = {{"0", ReadError::none, 0},
                           {"+5", ReadError::none, 5},
                           {"-7", ReadError::none, -7},
                           {"2147483647", ReadError::none, 2147483647},
                           {"-2147483648", ReadError::none, -2147483647 - 1},
                           {"0000000000000000000012", ReadError::none, 12},
                           {"2147483648", ReadError::conversion, 0},
                           {"1.0", ReadError::conversion, 0},
                           {"1D2", ReadError::conversion, 0},
                           {"-", ReadError::syntax, 0},
                           {"abc", ReadError::syntax, 0},
                           {"1-2", ReadError::syntax, 0},
                           {"", ReadError::syntax, 0}};
  for (const IntCase& c : cases) {
    std::int32_t v = 0;
    EXPECT_EQ(parse_int32(c.text, v), c.why) << c.text;
    if (c.why == ReadError::none) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(ParseReal, FormExponentsAndRounding) {
  struct Case {
    std::string text;
    ReadError why;
    double value;
  };
  const Case doubles[] = {
      {"-3456.7", ReadError::none, -3456.7}, {"1.5D2", ReadError::none, 150.0},
      {"1.5d+2", ReadError::none, 150.0},    {"25E-1", ReadError::none, 2.5},
      {"+.5", ReadError::none, 0.5},         {"5.", ReadError::none, 5.0},
      {"7", ReadError::none, 7.0},           {"0.1", ReadError::none, 0.1},
      {"1e400", ReadError::conversion, 0},   {"-1e400", ReadError::conversion, 0},
      {"1e-400", ReadError::none, 0.0},      {".", ReadError::syntax, 0},
      {"1.2.3", ReadError::syntax, 0},       {"1e", ReadError::syntax, 0},
      {"1e+", ReadError::syntax, 0},         {"nan", ReadError::syntax, 0},
      {"inf", ReadError::syntax, 0},         {"Infinity", ReadError::syntax, 0},
      {"0x10", ReadError::syntax, 0},        {"1,5", ReadError::syntax, 0}};
  for (const Case& c : doubles) {
    double v = 0;
    EXPECT_EQ(parse_real(c.text, v), c.why) << c.text;
    if (c.why == ReadError::none) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  // Single precision: rounded once, straight from the decimal text.
  float f = 0;
  EXPECT_EQ(parse_real("0.65", f), ReadError::none);
  EXPECT_EQ(f, 0.65f);
  EXPECT_EQ(static_cast<double>(f), 0.6499999761581421);
  EXPECT_EQ(parse_real("1e39", f), ReadError::conversion);
  EXPECT_EQ(parse_real("3.4028235e38", f), ReadError::none);
  EXPECT_EQ(parse_real("1e-40", f), ReadError::none);
  EXPECT_EQ(f, 1e-40f);
  EXPECT_EQ(parse_real("-1e-60", f), ReadError::none);
  EXPECT_EQ(f, 0.0f);
  EXPECT_TRUE(std::signbit(f));
  // Halfway between two floats: ties go to even; a hair above goes up.
  EXPECT_EQ(parse_real("16777217", f), ReadError::none);
  EXPECT_EQ(f, 16777216.0f);
  EXPECT_EQ(parse_real("16777217.000001", f), ReadError::none);
  EXPECT_EQ(f, 16777218.0f);
}

TEST(WholeLine, LinesAsTheyAre) {
  Source s("short\n   \n\r\nlast");
  std::string_view l;
  ASSERT_TRUE(read_line(s.in, l));
  EXPECT_EQ(l, "short");
  ASSERT_TRUE(read_line(s.in, l));
  EXPECT_EQ(l, "   ");  // a blank line is a line for a whole-line read
  ASSERT_TRUE(read_line(s.in, l));
  EXPECT_EQ(l, "");
  ASSERT_TRUE(read_line(s.in, l));
  EXPECT_EQ(l, "last");
  EXPECT_FALSE(read_line(s.in, l));
  EXPECT_EQ(s.in.lineno, 4);
}

TEST(WholeLine, StepBackReadsTheSameLineAgain) {
  Source s("skip\nEstimated Ln Prob of Data   = -12.5\nafter\n");
  std::string_view l;
  ASSERT_TRUE(read_line(s.in, l));
  ASSERT_TRUE(read_line(s.in, l));
  step_back(s.in);
  FreeForm ff;
  begin_read(ff, s.in);
  std::string_view t;
  for (int i = 0; i < 6; ++i) ASSERT_EQ(read_text(ff, t), Item::value);
  double v = 0;
  ASSERT_EQ(read_real(ff, v), Item::value);
  EXPECT_EQ(v, -12.5);
  ASSERT_TRUE(read_line(s.in, l));
  EXPECT_EQ(l, "after");
  EXPECT_EQ(s.in.lineno, 3);
}

TEST(WholeLine, LinesLongerThanTheBufferAndManyLines) {
  // Lines far longer than the read buffer, and enough lines to refill it many times.
  std::string big(3u << 20, 'x');
  std::string content = "a\n" + big + "\nb\n";
  for (int i = 0; i < 200000; ++i) content += "line " + std::to_string(i) + "\n";
  Source s(content);
  std::string_view l;
  ASSERT_TRUE(read_line(s.in, l));
  EXPECT_EQ(l, "a");
  ASSERT_TRUE(read_line(s.in, l));
  EXPECT_EQ(l.size(), big.size());
  ASSERT_TRUE(read_line(s.in, l));
  EXPECT_EQ(l, "b");
  for (int i = 0; i < 200000; ++i) {
    ASSERT_TRUE(read_line(s.in, l));
    ASSERT_EQ(l, "line " + std::to_string(i));
  }
  EXPECT_FALSE(read_line(s.in, l));
}

TEST(ReadFailure, MessageNamesKindFileAndLine) {
  Source s("a\nb\n");
  std::string_view l;
  read_line(s.in, l);
  read_line(s.in, l);
  EXPECT_EQ(read_failure_message(s.in, ReadError::end_of_file),
            "End of file in file, " + s.name + ", at line 2!");
  EXPECT_EQ(read_failure_message(s.in, ReadError::syntax),
            "Syntax error in file, " + s.name + ", at line 2!");
  EXPECT_EQ(read_failure_message(s.in, ReadError::conversion),
            "Conversion error in file, " + s.name + ", at line 2!");
}

}  // namespace
}  // namespace pelvano
