#include "report/figure.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "report/svg_facts.hpp"

namespace pelvano {
namespace {

TEST(Figure, NiceAxesAndTheirLabels) {
  struct Case {
    double lo, hi;
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      {-1800.54, -1583, {"-1900", "-1800", "-1700", "-1600", "-1500"}},
      {0.194, 0.837, {"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}},
      {0.3, 0.7, {"0.3", "0.4", "0.5", "0.6", "0.7"}},  // 0.3 / 0.1 is a little below 3
      {-10, -10, {"-10.50", "-10.25", "-10.00", "-9.75", "-9.50"}},  // one value
      {-0.4, 0.3, {"-0.4", "-0.2", "0.0", "0.2", "0.4"}},
      {1e11, 3e12, {"0", "1e+12", "2e+12", "3e+12"}},
  };
  for (const Case& c : cases) {
    const Axis a = nice_axis(c.lo, c.hi, 4);
    std::vector<std::string> labels;
    for (const double t : axis_ticks(a)) labels.push_back(tick_label(t, a.step));
    EXPECT_EQ(labels, c.labels) << c.lo << " " << c.hi;
  }
}

TEST(Figure, XmlEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"a&b<c>d\"e'f", "a&amp;b&lt;c&gt;d&quot;e&apos;f"},
      {"caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x90\x9F", "caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x90\x9F"},
      {"x\xFFy\xC3", "x\xEF\xBF\xBDy\xEF\xBF\xBD"},              // not UTF-8, cut short
      {"\xC0\xAF\x01", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // overlong "/", control
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(xml_escape(in), out) << in;
}

// Values that cannot be drawn are left out of their panel with a note, and user text is
// escaped: the figure stays well-formed and every coordinate a finite number.
TEST(Figure, LeftOutValuesAndEscapedText) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  StudySummary s{"/data/a&b <c> \"d\" 'e' \xFF", "R&D*", 30, 3, {}, 0, 3, 3};
  for (std::int32_t k = 1; k <= 6; ++k) {
    const double mean = -1000 + 100 * std::min(k, 3) - 5 * k;
    s.ks.push_back(KSummary{k,
                            3,
                            mean,
                            2.0 + k,
                            {},
                            {},
                            1.0 + k,
                            0,
                            0,
                            0,
                            k == 3 ? 0.8 : 0.3,
                            1,
                            "",
                            {mean - 1, mean, mean + 1}});
  }
  s.ks[0].lnp[1] = nan;  // K = 1: one run left out
  s.ks[1].mean = -inf;   // K = 2: no mean, no error bar, no runs
  s.ks[1].lnp = {-inf, -inf, -inf};
  s.ks[2].sd = nan;  // K = 3: no error bar
  s.ks[0].deltak = s.ks[5].deltak = std::nullopt;
  s.ks[2].deltak = inf;
  s.ks[3].deltak = s.ks[4].deltak = nan;
  s.ks[0].parsimony = s.ks[5].parsimony = -1e300;  // no run scored
  s.ks[4].parsimony = nan;
  test::TempDir dir;
  test::write_file(dir / "K.svg", figure_svg(s));
  const std::string f = test::svg_facts(dir / "K.svg");
  EXPECT_EQ(f.find("not well-formed"), std::string::npos) << f;
  EXPECT_EQ(f.find("bad="), std::string::npos) << f;
  for (const char* line :
       {"title=Choosing K for the Structure runs R&D* in /data/a&b <c> \"d\" 'e' \uFFFD",
        "count.circle.replicate=14", "count.circle.mean=5", "count.path.errorbar=4",
        "count.circle.deltak=1", "count.circle.parsimony=3",
        "count.rect.best=2",  // Pritchard's and Parsimony's K = 3; Evanno chose none
        "text=Mean left out for K = 2 (-Inf)", "text=No best K (Evanno)",
        "text=No error bar for K = 3 (NaN): standard deviation not finite",
        "text=4 runs left out: Ln P(D) not finite",
        "text=DeltaK left out for K = 3 (Inf); K = 4\u20135 (NaN)",
        "text=Parsimony value left out for K = 1, 6 (no run scored); K = 5 (NaN)"}) {
    EXPECT_TRUE(test::fact(f, line)) << line << "\n" << f;
  }
}

}  // namespace
}  // namespace pelvano
