#include "report/figure.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "report/table.hpp"

namespace pelvano {

namespace {

// Values of this magnitude or more stand for "no value" (the Parsimony value of a K whose
// runs could not be scored is -1e300): like NaN and the infinities they are left out of
// the panels, which keeps every coordinate of the figure finite and every range sensible.
constexpr double placeholder = 1e250;

bool drawable(double v) {
  return std::isfinite(v) && std::fabs(v) < placeholder;
}

// A real with a fixed number of decimals and no sign on zero.
std::string fixed(double v, int decimals) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, res.ptr);
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

// A coordinate: two decimals at most, trailing zeros removed.
std::string num(double v) {
  std::string s = fixed(v, 2);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

int decimals_for(double step) {
  for (int d = 0; d < 12; ++d) {
    const double scaled = step * std::pow(10.0, d);
    if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * scaled) return d;
  }
  return 12;
}

// Why a value is left out of a panel.
std::string reason(double v, std::string_view placeholder_reason) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  return std::string(placeholder_reason);
}

struct LeftOut {
  std::int32_t k;
  std::string why;
};

// "K = 2–4, 6 (NaN); K = 5 (Inf)": consecutive K with the same reason become a range.
std::string k_list(const std::vector<LeftOut>& items) {
  std::vector<std::string> reasons;
  for (const LeftOut& i : items) {
    if (std::find(reasons.begin(), reasons.end(), i.why) == reasons.end()) {
      reasons.push_back(i.why);
    }
  }
  std::string out;
  for (const std::string& why : reasons) {
    std::string part;
    std::size_t n = 0;
    while (n < items.size()) {
      if (items[n].why != why) {
        ++n;
        continue;
      }
      std::size_t end = n;
      while (end + 1 < items.size() && items[end + 1].why == why &&
             items[end + 1].k == items[end].k + 1) {
        ++end;
      }
      if (!part.empty()) part += ", ";
      part += std::to_string(items[n].k);
      if (end > n) part += "\u2013" + std::to_string(items[end].k);
      n = end + 1;
    }
    if (!out.empty()) out += "; ";
    out += "K = " + part + " (" + why + ")";
  }
  return out;
}

// ------------------------------------------------------------------ layout and colours

constexpr double width = 680;
constexpr double left = 86;  // room for the tick labels and the axis title
constexpr double right = 24;
constexpr double plot_width = width - left - right;
constexpr double plot_height = 180;
constexpr double header_height = 26;  // panel title above the plot
constexpr double tick_height = 22;    // K tick labels below the plot
constexpr double note_height = 15;    // one line of notes
constexpr double panel_gap = 18;
constexpr double top = 92;  // title lines

constexpr std::string_view ink = "#222222";
constexpr std::string_view grid = "#e4e4e4";
constexpr std::string_view muted = "#666666";
constexpr std::string_view band = "#e69f00";  // the best K of each panel
constexpr std::string_view band_text = "#a35f00";
constexpr std::string_view blue = "#0072b2";        // Mean Ln P(D|K)
constexpr std::string_view vermillion = "#d55e00";  // DeltaK
constexpr std::string_view green = "#009e73";       // Parsimony

// One panel: a value per K (none where it does not exist), its range and its notes.
struct Panel {
  std::string letter;
  std::string title;
  std::string ylabel;
  std::string_view colour;
  std::string cls;                           // class of its point markers
  std::vector<std::optional<double>> value;  // one per K of the study
  std::vector<double> range;                 // every value the axis must hold
  bool from_zero = false;
  std::int32_t best = 0;
  std::string best_text;
  bool best_shown = false;  // the best K has a value in the panel
  bool empty = false;       // nothing to draw: the notes go in the middle of the plot
  std::vector<std::string> notes;
  Axis axis;
  double y = 0;  // top of the plot area
};

struct Canvas {
  std::string out;
  std::int32_t kmin = 0;
  std::int32_t kmax = 0;

  double x(double k) const {
    return left + (k - kmin + 0.5) / static_cast<double>(kmax - kmin + 1) * plot_width;
  }
};

double y_of(const Panel& p, double v) {
  // The axis fills the plot but for a margin of 6 % at either end.
  const double inner = plot_height * 0.88;
  const double span = p.axis.last - p.axis.first;
  return p.y + plot_height * 0.06 + (p.axis.last - v) / span * inner;
}

void text(Canvas& c, double x, double y, std::string_view anchor, std::string_view attrs,
          std::string_view content) {
  c.out += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"";
  if (anchor != "start") c.out += " text-anchor=\"" + std::string(anchor) + "\"";
  if (!attrs.empty()) c.out += " " + std::string(attrs);
  c.out += ">" + xml_escape(content) + "</text>\n";
}

void hline(Canvas& c, double x1, double x2, double y, std::string_view stroke, double w) {
  c.out += "<line x1=\"" + num(x1) + "\" y1=\"" + num(y) + "\" x2=\"" + num(x2) + "\" y2=\"" +
           num(y) + "\" stroke=\"" + std::string(stroke) + "\" stroke-width=\"" + num(w) + "\"/>\n";
}

void vline(Canvas& c, double x, double y1, double y2, std::string_view stroke, double w) {
  c.out += "<line x1=\"" + num(x) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x) + "\" y2=\"" +
           num(y2) + "\" stroke=\"" + std::string(stroke) + "\" stroke-width=\"" + num(w) +
           "\"/>\n";
}

std::vector<std::int32_t> k_ticks(std::int32_t kmin, std::int32_t kmax) {
  const std::int64_t n = std::int64_t{kmax} - kmin + 1;
  std::int64_t step = 1;
  if (n > 20) {
    step = static_cast<std::int64_t>(nice_axis(0, static_cast<double>(n), 10).step);
    if (step < 1) step = 1;
  }
  std::vector<std::int32_t> ticks;
  for (std::int64_t k = (kmin + step - 1) / step * step; k <= kmax; k += step) {
    ticks.push_back(static_cast<std::int32_t>(k));
  }
  if (ticks.empty()) ticks.push_back(kmin);
  return ticks;
}

// Grid, axes, ticks, labels, best-K band and notes of a panel; the points come after.
void draw_frame(Canvas& c, const Panel& p, bool last_panel) {
  const double y0 = p.y;
  const double y1 = p.y + plot_height;
  text(c, 14, y0 - 10, "start", "font-size=\"14\" font-weight=\"bold\" fill=\"#222222\"", p.letter);
  text(c, left, y0 - 10, "start", "font-size=\"13\" font-weight=\"bold\" fill=\"#222222\"",
       p.title);
  if (!p.best_text.empty()) {
    const std::string colour(p.best_shown ? band_text : muted);
    text(c, left + plot_width, y0 - 10, "end",
         "font-size=\"12\" font-weight=\"bold\" fill=\"" + colour + "\"", p.best_text);
  }
  if (p.best_shown) {
    const double w = plot_width / static_cast<double>(c.kmax - c.kmin + 1);
    const double bw = std::min(w * 0.7, 36.0);
    c.out += "<rect class=\"best\" x=\"" + num(c.x(p.best) - bw / 2) + "\" y=\"" + num(y0) +
             "\" width=\"" + num(bw) + "\" height=\"" + num(plot_height) + "\" fill=\"" +
             std::string(band) + "\" fill-opacity=\"0.16\"/>\n";
  }
  for (const double t : p.empty ? std::vector<double>{} : axis_ticks(p.axis)) {
    const double y = y_of(p, t);
    hline(c, left, left + plot_width, y, grid, 1);
    hline(c, left - 5, left, y, ink, 1);
    text(c, left - 8, y + 4, "end", "font-size=\"11\" fill=\"#222222\"",
         tick_label(t, p.axis.step));
  }
  for (const std::int32_t k : k_ticks(c.kmin, c.kmax)) {
    vline(c, c.x(k), y1, y1 + 5, ink, 1);
    text(c, c.x(k), y1 + 17, "middle", "font-size=\"11\" fill=\"#222222\"", std::to_string(k));
  }
  c.out += "<rect x=\"" + num(left) + "\" y=\"" + num(y0) + "\" width=\"" + num(plot_width) +
           "\" height=\"" + num(plot_height) +
           "\" fill=\"none\" stroke=\"#444444\" stroke-width=\"1\"/>\n";
  const double ymid = y0 + plot_height / 2;
  c.out += "<text transform=\"translate(" + num(20) + " " + num(ymid) +
           ") rotate(-90)\" text-anchor=\"middle\" font-size=\"12\" fill=\"#222222\">" +
           xml_escape(p.ylabel) + "</text>\n";
  const std::string_view note_style =
      "class=\"note\" font-size=\"11\" font-style=\"italic\" fill=\"#666666\"";
  if (p.empty) {
    double ny = ymid + 4 - static_cast<double>(p.notes.size() - 1) * note_height / 2;
    for (const std::string& n : p.notes) {
      text(c, left + plot_width / 2, ny, "middle", note_style, n);
      ny += note_height;
    }
    return;
  }
  double ny = y1 + tick_height + (last_panel ? 20 : 0) + 11;
  for (const std::string& n : p.notes) {
    text(c, left, ny, "start", note_style, n);
    ny += note_height;
  }
}

// The line through the consecutive values of a panel and a marker on each value.
void draw_series(Canvas& c, const Panel& p, const std::vector<KSummary>& ks,
                 std::string_view what) {
  std::string path;
  bool joined = false;
  for (std::size_t i = 0; i < ks.size(); ++i) {
    if (!p.value[i] || !drawable(*p.value[i])) {
      joined = false;
      continue;
    }
    path += (joined ? " L" : "M") + num(c.x(ks[i].k)) + " " + num(y_of(p, *p.value[i]));
    joined = true;
  }
  if (!path.empty()) {
    c.out += "<path d=\"" + path + "\" fill=\"none\" stroke=\"" + std::string(p.colour) +
             "\" stroke-width=\"1.8\" stroke-linejoin=\"round\"/>\n";
  }
  for (std::size_t i = 0; i < ks.size(); ++i) {
    if (!p.value[i] || !drawable(*p.value[i])) continue;
    c.out += "<circle class=\"" + p.cls + "\" cx=\"" + num(c.x(ks[i].k)) + "\" cy=\"" +
             num(y_of(p, *p.value[i])) + "\" r=\"4\" fill=\"" + std::string(p.colour) +
             "\" stroke=\"#ffffff\" stroke-width=\"1\"><title>K = " + std::to_string(ks[i].k) +
             ": " + std::string(what) + " " + real_cell(*p.value[i]) + "</title></circle>\n";
  }
}

void include(Panel& p, double v) {
  if (drawable(v)) p.range.push_back(v);
}

void finish_axis(Panel& p, const StudySummary& s) {
  for (std::size_t i = 0; i < s.ks.size(); ++i) {
    if (s.ks[i].k == p.best && p.value[i] && drawable(*p.value[i])) p.best_shown = true;
  }
  p.empty = p.range.empty();
  if (p.empty && p.notes.empty()) p.notes.push_back("No values to show");
  if (p.from_zero) p.range.push_back(0);
  if (p.empty) {
    p.axis = nice_axis(0, 1, 4);
    return;
  }
  const auto [lo, hi] = std::minmax_element(p.range.begin(), p.range.end());
  p.axis = nice_axis(*lo, *hi, 4);
}

Panel mean_panel(const StudySummary& s) {
  Panel p;
  p.letter = "a";
  p.title = "Mean Ln P(D|K) \u00b1 1 SD over the runs; dots: single runs";
  p.ylabel = "Ln P(D|K)";
  p.colour = blue;
  p.cls = "mean";
  p.best = s.pritchard;
  p.best_text = "Best K = " + std::to_string(s.pritchard) + " (Pritchard)";
  std::vector<LeftOut> means, sds;
  std::int64_t runs_left_out = 0;
  for (const KSummary& k : s.ks) {
    p.value.emplace_back(k.mean);
    for (const double v : k.lnp) {
      if (drawable(v)) {
        include(p, v);
      } else {
        ++runs_left_out;
      }
    }
    if (!drawable(k.mean)) {
      means.push_back({k.k, reason(k.mean, "no value")});
      continue;
    }
    include(p, k.mean);
    if (drawable(k.sd)) {
      include(p, k.mean - k.sd);
      include(p, k.mean + k.sd);
    } else {
      sds.push_back({k.k, reason(k.sd, "no value")});
    }
  }
  if (!means.empty()) p.notes.push_back("Mean left out for " + k_list(means));
  if (s.nrun == 1) {
    p.notes.push_back("One run per K: no standard deviation, no error bars");
  } else if (!sds.empty()) {
    p.notes.push_back("No error bar for " + k_list(sds) + ": standard deviation not finite");
  }
  if (runs_left_out > 0) {
    p.notes.push_back(std::to_string(runs_left_out) + (runs_left_out == 1 ? " run" : " runs") +
                      " left out: Ln P(D) not finite");
  }
  finish_axis(p, s);
  return p;
}

Panel deltak_panel(const StudySummary& s) {
  Panel p;
  p.letter = "b";
  p.title = "DeltaK = |L''(K)| / SD (Evanno)";
  p.ylabel = "DeltaK";
  p.colour = vermillion;
  p.cls = "deltak";
  p.from_zero = true;
  p.best = s.evanno;
  p.best_text = s.evanno > 0 ? "Best K = " + std::to_string(s.evanno) + " (Evanno)"
                             : std::string("No best K (Evanno)");
  std::vector<LeftOut> out;
  for (const KSummary& k : s.ks) {
    p.value.push_back(k.deltak);
    if (!k.deltak) continue;
    if (drawable(*k.deltak)) {
      include(p, *k.deltak);
    } else {
      out.push_back({k.k, reason(*k.deltak, "no value")});
    }
  }
  if (s.ks.size() < 3) {
    p.notes.push_back("DeltaK needs at least three values of K");
  } else if (!out.empty()) {
    std::string note = "DeltaK left out for " + k_list(out);
    if (s.nrun == 1) note += ": one run per K has no standard deviation";
    p.notes.push_back(note);
  }
  finish_axis(p, s);
  return p;
}

Panel parsimony_panel(const StudySummary& s) {
  Panel p;
  p.letter = "c";
  p.title = "Parsimony value";
  p.ylabel = "Parsimony";
  p.colour = green;
  p.cls = "parsimony";
  p.best = s.parsimony;
  p.best_text = "Best K = " + std::to_string(s.parsimony) + " (Parsimony)";
  std::vector<LeftOut> out;
  for (const KSummary& k : s.ks) {
    p.value.emplace_back(k.parsimony);
    if (drawable(k.parsimony)) {
      include(p, k.parsimony);
    } else {
      out.push_back({k.k, reason(k.parsimony, "no run scored")});
    }
  }
  if (!out.empty()) p.notes.push_back("Parsimony value left out for " + k_list(out));
  finish_axis(p, s);
  return p;
}

// The folder in the title, shortened in its middle when it is long.
std::string short_folder(const std::string& folder) {
  constexpr std::size_t keep_front = 24, keep_back = 36;
  std::vector<std::size_t> starts;  // where each character begins
  for (std::size_t i = 0; i < folder.size(); ++i) {
    if ((static_cast<unsigned char>(folder[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  if (starts.size() <= keep_front + keep_back + 1) return folder;
  return folder.substr(0, starts[keep_front]) + "\u2026" +
         folder.substr(starts[starts.size() - keep_back]);
}

}  // namespace

Axis nice_axis(double lo, double hi, int ticks) {
  if (lo > hi) std::swap(lo, hi);
  const double mag = std::max(std::fabs(lo), std::fabs(hi));
  if (!(hi - lo > mag * 1e-9)) {
    const double mid = lo / 2 + hi / 2;
    const double pad = mag > 0 ? mag * 0.05 : 1.0;
    lo = mid - pad;
    hi = mid + pad;
  }
  const double raw = (hi - lo) / std::max(ticks, 1);
  const double base = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / base;
  const double m = f <= 1 ? 1 : f <= 2 ? 2 : f <= 2.5 ? 2.5 : f <= 5 ? 5 : 10;
  const double step = m * base;
  return Axis{std::floor(lo / step + 1e-9) * step, std::ceil(hi / step - 1e-9) * step, step};
}

std::vector<double> axis_ticks(const Axis& a) {
  const double first = std::round(a.first / a.step);
  const auto n = static_cast<std::int64_t>(std::llround((a.last - a.first) / a.step));
  std::vector<double> ticks;
  for (std::int64_t i = 0; i <= n && i <= 1000; ++i) {
    ticks.push_back((first + static_cast<double>(i)) * a.step);
  }
  return ticks;
}

std::string tick_label(double value, double step) {
  const double mag = std::max(std::fabs(value), step);
  if (mag >= 1e9 || step < 1e-6) {
    // Too many digits for fixed notation: as many significant digits as the step needs.
    if (value == 0) return "0";
    const int digits =
        static_cast<int>(std::floor(std::log10(std::fabs(value))) - std::floor(std::log10(step)));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                   std::clamp(digits, 0, 15));
    return std::string(buf, res.ptr);
  }
  return fixed(value, decimals_for(step));
}

std::string xml_escape(std::string_view text) {
  static constexpr std::string_view replacement = "\xEF\xBF\xBD";
  std::string out;
  std::size_t i = 0;
  const auto byte = [&](std::size_t at) {
    return at < text.size() ? static_cast<unsigned char>(text[at]) : 0u;
  };
  const auto cont = [&](std::size_t at) { return (byte(at) & 0xC0) == 0x80; };
  while (i < text.size()) {
    const unsigned char b = byte(i);
    if (b < 0x80) {
      switch (b) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\'':
          out += "&apos;";
          break;
        case '\t':
        case '\n':
        case '\r':
          out += static_cast<char>(b);
          break;
        default:
          if (b < 0x20) {
            out += replacement;
          } else {
            out += static_cast<char>(b);
          }
      }
      ++i;
      continue;
    }
    // Length of a valid UTF-8 sequence starting here, or 0.
    std::size_t len = 0;
    const unsigned char b1 = byte(i + 1);
    if (b >= 0xC2 && b <= 0xDF) {
      len = cont(i + 1) ? 2 : 0;
    } else if (b >= 0xE0 && b <= 0xEF) {
      const bool second = b == 0xE0   ? b1 >= 0xA0 && b1 <= 0xBF
                          : b == 0xED ? b1 >= 0x80 && b1 <= 0x9F
                                      : cont(i + 1);
      len = second && cont(i + 2) ? 3 : 0;
      // U+FFFE and U+FFFF are not characters of XML.
      if (len == 3 && b == 0xEF && b1 == 0xBF && byte(i + 2) >= 0xBE) len = 0;
    } else if (b >= 0xF0 && b <= 0xF4) {
      const bool second = b == 0xF0   ? b1 >= 0x90 && b1 <= 0xBF
                          : b == 0xF4 ? b1 >= 0x80 && b1 <= 0x8F
                                      : cont(i + 1);
      len = second && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    if (len == 0) {
      out += replacement;
      ++i;
    } else {
      out.append(text.substr(i, len));
      i += len;
    }
  }
  return out;
}

std::string figure_svg(const StudySummary& s) {
  Canvas c;
  c.kmin = s.ks.empty() ? 1 : s.ks.front().k;
  c.kmax = s.ks.empty() ? 1 : s.ks.back().k;

  Panel panels[] = {mean_panel(s), deltak_panel(s), parsimony_panel(s)};
  double y = top;
  for (std::size_t i = 0; i < std::size(panels); ++i) {
    Panel& p = panels[i];
    y += header_height;
    p.y = y;
    y += plot_height + tick_height + (i + 1 == std::size(panels) ? 20 : 0);
    y += static_cast<double>(p.empty ? 0 : p.notes.size()) * note_height + panel_gap;
  }
  const double height = std::ceil(y);

  const std::string& folder = s.folder;
  c.out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  c.out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"170mm\" height=\"" +
           num(height * 170 / width) + "mm\" viewBox=\"0 0 " + num(width) + " " + num(height) +
           "\" font-family=\"Helvetica, Arial, 'Liberation Sans', sans-serif\">\n";
  const std::string title = "Choosing K for the Structure runs " + s.generic + " in " + folder;
  c.out += "<title>" + xml_escape(title) + "</title>\n";
  c.out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";

  text(c, left, 30, "start", "font-size=\"17\" font-weight=\"bold\" fill=\"#222222\"",
       "Choosing K for the Structure runs " + s.generic + " in " + short_folder(folder));
  const std::string range = s.ks.size() == 1
                                ? "K = " + std::to_string(c.kmin)
                                : "K = " + std::to_string(c.kmin) + " to " + std::to_string(c.kmax);
  text(c, left, 51, "start", "font-size=\"12.5\" fill=\"#444444\"",
       std::to_string(s.nind) + " individuals, " + std::to_string(s.nrun) +
           (s.nrun == 1 ? " run" : " runs") + " per K, " + range);
  text(c, left, 70, "start", "font-size=\"12.5\" fill=\"#444444\"",
       "Best K:  Evanno " + (s.evanno > 0 ? std::to_string(s.evanno) : std::string("none")) +
           "   \u00b7   Pritchard " + std::to_string(s.pritchard) + "   \u00b7   Parsimony " +
           std::to_string(s.parsimony));

  for (std::size_t i = 0; i < std::size(panels); ++i) {
    draw_frame(c, panels[i], i + 1 == std::size(panels));
  }

  // a: the single runs, faint and spread a little around their K, under the error bars.
  const Panel& mp = panels[0];
  const double per_k = plot_width / static_cast<double>(c.kmax - c.kmin + 1);
  const double spread = std::min(per_k * 0.4, 18.0);
  c.out += "<g fill=\"" + std::string(blue) + "\" fill-opacity=\"0.45\">\n";
  for (const KSummary& k : s.ks) {
    const std::size_t n = k.lnp.size();
    for (std::size_t r = 0; r < n; ++r) {
      if (!drawable(k.lnp[r])) continue;
      const double dx =
          n > 1 ? (static_cast<double>(r) / static_cast<double>(n - 1) - 0.5) * spread : 0.0;
      c.out += "<circle class=\"replicate\" cx=\"" + num(c.x(k.k) + dx) + "\" cy=\"" +
               num(y_of(mp, k.lnp[r])) + "\" r=\"3\"><title>K = " + std::to_string(k.k) + ", run " +
               std::to_string(r + 1) + ": Ln P(D) " + real_cell(k.lnp[r]) + "</title></circle>\n";
    }
  }
  c.out += "</g>\n";
  for (const KSummary& k : s.ks) {
    if (!drawable(k.mean) || !drawable(k.sd)) continue;
    const double x = c.x(k.k);
    const double ylo = y_of(mp, k.mean - k.sd);
    const double yhi = y_of(mp, k.mean + k.sd);
    c.out += "<path class=\"errorbar\" d=\"M" + num(x) + " " + num(ylo) + " V" + num(yhi) + " M" +
             num(x - 5) + " " + num(ylo) + " H" + num(x + 5) + " M" + num(x - 5) + " " + num(yhi) +
             " H" + num(x + 5) + "\" stroke=\"" + std::string(ink) +
             "\" stroke-width=\"1.3\" fill=\"none\"/>\n";
  }
  draw_series(c, mp, s.ks, "mean Ln P(D|K)");
  draw_series(c, panels[1], s.ks, "DeltaK");
  draw_series(c, panels[2], s.ks, "Parsimony value");

  const Panel& last = panels[2];
  text(c, left + plot_width / 2, last.y + plot_height + tick_height + 16, "middle",
       "font-size=\"12\" fill=\"#222222\"", "K (number of clusters)");
  c.out += "</svg>\n";
  return c.out;
}

}  // namespace pelvano
