#include "report/figure.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "report/axis.hpp"
#include "report/lnp_scale.hpp"
#include "report/panel.hpp"
#include "report/svg.hpp"
#include "report/table.hpp"

namespace pelvano {

namespace {

// Layout and colours.
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
constexpr std::string_view purple = "#cc79a7";

struct Canvas {
  Svg svg;
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

void hline(Canvas& c, double x1, double x2, double y, std::string_view stroke, double w) {
  svg_line(c.svg, x1, y, x2, y, stroke, w);
}

void vline(Canvas& c, double x, double y1, double y2, std::string_view stroke, double w) {
  svg_line(c.svg, x, y1, x, y2, stroke, w);
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

// The legend of a panel of several series, on the line below its plot.
void draw_legend(Canvas& c, const Panel& p, double y) {
  const double step = plot_width / static_cast<double>(p.series.size());
  for (std::size_t i = 0; i < p.series.size(); ++i) {
    const Series& line = p.series[i];
    const double x = left + step * static_cast<double>(i);
    c.svg.out += "<path d=\"M" + num(x) + " " + num(y - 4) + " H" + num(x + 22) + "\" stroke=\"" +
                 std::string(line.colour) + "\" stroke-width=\"2\"" +
                 (line.dash.empty() ? "" : " stroke-dasharray=\"" + line.dash + "\"") + "/>\n";
    svg_text(c.svg, x + 28, y, "start", 11, "class=\"legend\" fill=\"#222222\"", line.legend,
             step - 32);
  }
}

// Grid, axes, ticks, labels, best-K band and notes of a panel; the points come after.
void draw_frame(Canvas& c, const Panel& p, bool last_panel) {
  const double y0 = p.y;
  const double y1 = p.y + plot_height;
  svg_text(c.svg, 14, y0 - 10, "start", 14, "font-weight=\"bold\" fill=\"#222222\"", p.letter);
  // The title and the best K share the line above the plot; the best K (with why there is
  // none) takes what the title leaves, at least half.
  const double best_room = plot_width - std::min(text_width(p.title, 13) + 12, plot_width / 2);
  const double best_width = std::min(text_width(p.best_text, 12), best_room) + 12;
  svg_text(c.svg, left, y0 - 10, "start", 13, "font-weight=\"bold\" fill=\"#222222\"", p.title,
           plot_width - best_width);
  if (!p.best_text.empty()) {
    const std::string colour(p.best_shown ? band_text : muted);
    svg_text(c.svg, left + plot_width, y0 - 10, "end", 12,
             "font-weight=\"bold\" fill=\"" + colour + "\"", p.best_text, best_room);
  }
  if (p.best_shown) {
    const double w = plot_width / static_cast<double>(c.kmax - c.kmin + 1);
    const double bw = std::min(w * 0.7, 36.0);
    c.svg.out += "<rect class=\"best\" x=\"" + num(c.x(p.best) - bw / 2) + "\" y=\"" + num(y0) +
                 "\" width=\"" + num(bw) + "\" height=\"" + num(plot_height) + "\" fill=\"" +
                 std::string(band) + "\" fill-opacity=\"0.16\"/>\n";
  }
  for (const double t : p.empty ? std::vector<double>{} : axis_ticks(p.axis)) {
    const double y = y_of(p, t);
    hline(c, left, left + plot_width, y, grid, 1);
    hline(c, left - 5, left, y, ink, 1);
    svg_text(c.svg, left - 8, y + 4, "end", 11, "fill=\"#222222\"", tick_label(t, p.axis.step));
  }
  for (const std::int32_t k : k_ticks(c.kmin, c.kmax)) {
    vline(c, c.x(k), y1, y1 + 5, ink, 1);
    svg_text(c.svg, c.x(k), y1 + 17, "middle", 11, "fill=\"#222222\"", std::to_string(k));
  }
  c.svg.out += "<rect x=\"" + num(left) + "\" y=\"" + num(y0) + "\" width=\"" + num(plot_width) +
               "\" height=\"" + num(plot_height) +
               "\" fill=\"none\" stroke=\"#444444\" stroke-width=\"1\"/>\n";
  const double ymid = y0 + plot_height / 2;
  c.svg.out += "<text transform=\"translate(" + num(20) + " " + num(ymid) +
               ") rotate(-90)\" text-anchor=\"middle\" font-size=\"12\" fill=\"#222222\">" +
               xml_escape(p.ylabel) + "</text>\n";
  const std::string_view note_style = "class=\"note\" font-style=\"italic\" fill=\"#666666\"";
  if (p.empty) {
    double ny = ymid + 4 - static_cast<double>(p.notes.size() - 1) * note_height / 2;
    for (const std::string& n : p.notes) {
      svg_text(c.svg, left + plot_width / 2, ny, "middle", 11, note_style, n, plot_width);
      ny += note_height;
    }
    return;
  }
  double ny = y1 + tick_height + (last_panel ? 20 : 0) + 11;
  for (const std::string& n : p.notes) {
    svg_text(c.svg, left, ny, "start", 11, note_style, n, plot_width);
    ny += note_height;
  }
  if (p.legend) draw_legend(c, p, ny);
}

// The line through the consecutive values of a panel and a marker on each value.
void draw_series(Canvas& c, const Panel& p, const Series& line, const std::vector<KSummary>& ks) {
  std::string path;
  bool joined = false;
  const auto drawn = [&](std::size_t i) { return line.value[i] && drawable(*line.value[i]); };
  for (std::size_t i = 0; i < ks.size(); ++i) {
    if (!drawn(i)) {
      joined = false;
      continue;
    }
    path +=
        (joined ? " L" : "M") + num(c.x(ks[i].k) + line.dx) + " " + num(y_of(p, *line.value[i]));
    joined = true;
  }
  if (!path.empty()) {
    c.svg.out += "<path d=\"" + path + "\" fill=\"none\" stroke=\"" + std::string(line.colour) +
                 "\" stroke-width=\"1.8\" stroke-linejoin=\"round\"" +
                 (line.dash.empty() ? "" : " stroke-dasharray=\"" + line.dash + "\"") + "/>\n";
  }
  for (std::size_t i = 0; i < ks.size(); ++i) {
    if (!drawn(i)) continue;
    c.svg.out += "<circle class=\"" + line.cls + "\" cx=\"" + num(c.x(ks[i].k) + line.dx) +
                 "\" cy=\"" + num(y_of(p, *line.value[i])) + "\" r=\"4\" fill=\"" +
                 std::string(line.colour) +
                 "\" stroke=\"#ffffff\" stroke-width=\"1\"><title>K = " + std::to_string(ks[i].k) +
                 ": " + line.name + " " + real_cell(*line.value[i]) + "</title></circle>\n";
  }
}

// The panel spans the runs on its scale; the mean and error bar of a K with a run off the
// scale are left out of the span (the outlier pulls them as far) and drawn up to its edge.
// A panel's best K and the words above it: "Best K = 3 (Evanno)", or none and why.
void choose_best(Panel& p, std::int32_t k, const std::string& none, const std::string& method) {
  p.best = none.empty() ? k : 0;
  p.best_text = none.empty() ? "Best K = " + std::to_string(k) + " (" + method + ")"
                             : "Best K: none (" + none + ")";
}

Panel mean_panel(const StudySummary& s, const OffScale& scale) {
  Panel p;
  const std::string what = s.lnp_name.empty() ? "Ln P(D|K)" : s.lnp_name;
  p.title = "Mean " + what + " \u00b1 1 SD, each run a dot";
  p.ylabel = what;
  if (!s.lnp_name.empty()) p.ylabel[0] = static_cast<char>(std::toupper(p.ylabel[0]));
  p.series.push_back(Series{"mean " + what, "", blue, "mean", {}, "", 0});
  const std::string method = s.lnp_name.empty() ? "Pritchard" : "Marginal likelihood";
  choose_best(p, s.pritchard, s.pritchard_none, method);
  std::vector<LeftOut> means, sds;
  std::int64_t runs_left_out = 0;
  for (std::size_t i = 0; i < s.ks.size(); ++i) {
    const KSummary& k = s.ks[i];
    p.series[0].value.emplace_back(k.mean);
    for (std::size_t r = 0; r < k.lnp.size(); ++r) {
      if (!drawable(k.lnp[r])) {
        ++runs_left_out;
      } else if (!scale.off[i][r]) {
        include(p, k.lnp[r]);
      }
    }
    if (!drawable(k.mean)) {
      means.push_back({k.k, reason(k.mean, "no value")});
      continue;
    }
    if (!scale.any[i]) include(p, k.mean);
    if (!drawable(k.sd)) {
      sds.push_back({k.k, lone_run(s, k) ? "one run" : reason(k.sd, "no value")});
    } else if (!scale.any[i]) {
      include(p, k.mean - k.sd);
      include(p, k.mean + k.sd);
    }
  }
  if (!means.empty()) p.notes.push_back("Mean left out for " + k_list(means));
  if (s.nrun == 1) {
    p.notes.push_back("One run per K: no standard deviation, no error bars");
  } else if (!sds.empty()) {
    p.notes.push_back("No error bar for " + k_list(sds) + ": standard deviation not finite");
  }
  if (!s.lnp_name.empty()) {
    std::vector<LeftOut> partial;
    for (const KSummary& k : s.ks) {
      if (k.numbered < k.runs) {
        partial.push_back({k.k, std::to_string(k.numbered) + " of " + std::to_string(k.runs)});
      }
    }
    if (!partial.empty()) {
      p.notes.push_back("Runs with a " + s.lnp_name + " in their logs: " + k_list(partial));
    }
  } else if (runs_left_out > 0) {
    p.notes.push_back(std::to_string(runs_left_out) + (runs_left_out == 1 ? " run" : " runs") +
                      " left out: Ln P(D) not finite");
  }
  if (scale.count > 0) p.notes.push_back(scale.note);
  finish_axis(p, s);
  std::vector<LeftOut> off_means;
  for (std::size_t i = 0; i < s.ks.size(); ++i) {
    const double y = y_of(p, s.ks[i].mean) - p.y;
    if (scale.any[i] && drawable(s.ks[i].mean) && (y < 0 || y > plot_height)) {
      off_means.push_back({s.ks[i].k, "pulled by its runs off scale"});
    }
  }
  if (!off_means.empty()) p.notes.push_back("Mean off scale for " + k_list(off_means));
  return p;
}

// A run off the scale: a triangle at the edge of the plot, pointing the way the run lies.
std::string off_scale_mark(double x, double edge, bool up, std::int32_t k, std::size_t run,
                           double lnp) {
  const double tip = up ? edge + 2 : edge - 2;
  const double base = up ? tip + 9 : tip - 9;
  return "<path class=\"offscale\" d=\"M" + num(x) + " " + num(tip) + " L" + num(x - 5) + " " +
         num(base) + " H" + num(x + 5) + " Z\" fill=\"" + std::string(blue) +
         "\"><title>K = " + std::to_string(k) + ", run " + std::to_string(run) + ": Ln P(D) " +
         real_cell(lnp) + ", off scale</title></path>\n";
}

Panel deltak_panel(const StudySummary& s) {
  Panel p;
  p.title = "DeltaK = |L''(K)| / SD (Evanno)";
  p.ylabel = "DeltaK";
  p.series.push_back(Series{"DeltaK", "", vermillion, "deltak", {}, "", 0});
  p.from_zero = true;
  choose_best(p, s.evanno, s.evanno_none, "Evanno");
  std::vector<LeftOut> out;
  for (const KSummary& k : s.ks) {
    p.series[0].value.push_back(k.deltak);
    if (!k.deltak) continue;
    if (drawable(*k.deltak)) {
      include(p, *k.deltak);
    } else {
      out.push_back({k.k, lone_run(s, k) ? "one run" : reason(*k.deltak, "no value")});
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
  p.title = "Parsimony value";
  p.ylabel = "Parsimony";
  p.series.push_back(Series{"Parsimony value", "", green, "parsimony", {}, "", 0});
  choose_best(p, s.parsimony, s.parsimony_none, "Parsimony");
  std::vector<LeftOut> out;
  for (const KSummary& k : s.ks) {
    p.series[0].value.emplace_back(k.parsimony);
    if (drawable(k.parsimony)) {
      include(p, k.parsimony);
    } else {
      out.push_back({k.k, reason(k.parsimony, s.missing ? s.missing->why : "no run scored")});
    }
  }
  if (!out.empty()) p.notes.push_back("Parsimony value left out for " + k_list(out));
  if (s.missing) {
    p.notes.push_back(s.missing->rows + " hold no memberships");
  }
  finish_axis(p, s);
  return p;
}

// In place of the panels of Ln P(D), for files that hold none: why nothing chooses K.
Panel no_lnp_panel(const StudySummary& s) {
  Panel p;
  p.title = "Ln P(D|K), DeltaK, Parsimony";
  p.best_text = "Best K: none (" + s.no_lnp + ")";
  p.notes.push_back("The " + s.kind + " hold no log-likelihoods: nothing to choose K from yet");
  p.series.push_back(Series{"", "", blue, "none", {}, "", 0});
  p.series[0].value.resize(s.ks.size());
  finish_axis(p, s);
  return p;
}

// ADMIXTURE's cross-validation error: its mean over the runs of each K, one SD each way.
Panel cv_panel(const StudySummary& s) {
  Panel p;
  p.title = "Mean CV error \u00b1 1 SD";
  p.ylabel = "CV error";
  p.series.push_back(Series{"mean CV error", "", blue, "cv", {}, "", 0});
  choose_best(p, s.cv, s.cv_none, "CV error");
  std::vector<LeftOut> partial;
  for (const KSummary& k : s.ks) {
    p.series[0].value.emplace_back(k.cv_mean);
    p.sd.push_back(k.cv_sd);
    include(p, k.cv_mean);
    if (drawable(k.cv_sd)) {
      include(p, k.cv_mean - k.cv_sd);
      include(p, k.cv_mean + k.cv_sd);
    }
    if (k.cv_runs < k.runs) {
      partial.push_back({k.k, std::to_string(k.cv_runs) + " of " + std::to_string(k.runs)});
    }
  }
  if (!partial.empty()) p.notes.push_back("Runs with a CV error in their logs: " + k_list(partial));
  finish_axis(p, s);
  return p;
}

// fastStructure's clusters used: the most common number over the runs of each K.
Panel clusters_used_panel(const StudySummary& s) {
  Panel p;
  p.title = "Clusters used by the runs";
  p.ylabel = "Clusters";
  p.from_zero = true;
  p.series.push_back(Series{"clusters used", "", green, "used", {}, "", 0});
  choose_best(p, s.clusters_used, s.clusters_none, "Clusters used");
  for (const KSummary& k : s.ks) {
    if (k.clusters_used > 0) {
      p.series[0].value.emplace_back(k.clusters_used);
      include(p, k.clusters_used);
    } else {
      p.series[0].value.emplace_back();
    }
  }
  finish_axis(p, s);
  return p;
}

// Puechmaille's four estimators at the first threshold given.
Panel puechmaille_panel(const StudySummary& s) {
  const Puechmaille& pm = s.puechmaille.front();
  Panel p;
  p.title = "Puechmaille's estimators, for uneven sampling";
  p.ylabel = "Clusters";
  p.from_zero = true;
  p.legend = true;
  p.best_text = "Threshold " + pm.threshold;
  const auto series = [&](const char* name, std::int32_t PuechmailleK::*field,
                          std::string_view colour, const char* cls, const char* dash, double dx,
                          std::int32_t estimate) {
    Series line{
        name, std::string(name) + ", K = " + std::to_string(estimate), colour, cls, {}, dash, dx};
    for (const PuechmailleK& v : pm.ks) {
      line.value.emplace_back(v.*field);
      include(p, v.*field);
    }
    p.series.push_back(std::move(line));
  };
  series("MedMeaK", &PuechmailleK::medmea, blue, "medmea", "", -4.5, pm.estimate.medmea);
  series("MaxMeaK", &PuechmailleK::maxmea, vermillion, "maxmea", "5 3", -1.5, pm.estimate.maxmea);
  series("MedMedK", &PuechmailleK::medmed, green, "medmed", "", 1.5, pm.estimate.medmed);
  series("MaxMedK", &PuechmailleK::maxmed, purple, "maxmed", "5 3", 4.5, pm.estimate.maxmed);
  finish_axis(p, s);
  return p;
}

}  // namespace

// One standard deviation each way around a mean, at K.
void error_bar(Canvas& c, const Panel& p, std::int32_t k, double mean, double sd) {
  const double x = c.x(k);
  const double ylo = y_of(p, mean - sd);
  const double yhi = y_of(p, mean + sd);
  c.svg.out += "<path class=\"errorbar\" d=\"M" + num(x) + " " + num(ylo) + " V" + num(yhi) + " M" +
               num(x - 5) + " " + num(ylo) + " H" + num(x + 5) + " M" + num(x - 5) + " " +
               num(yhi) + " H" + num(x + 5) + "\" stroke=\"" + std::string(ink) +
               "\" stroke-width=\"1.3\" fill=\"none\"/>\n";
}

// "Best K:  Evanno 3   ·   Pritchard 3   ·   Parsimony 3": each method's K or none.
std::string best_line(const StudySummary& s) {
  std::string line = "Best K: ";
  bool first = true;
  for (const MethodChoice& m : method_choices(s)) {
    line += (first ? " " : "   \u00b7   ") + m.name + " " +
            (m.none.empty() ? std::to_string(m.k) : "none");
    first = false;
  }
  return line;
}

std::string figure_svg(const StudySummary& s, std::string_view own_title) {
  Canvas c;
  c.kmin = s.ks.empty() ? 1 : s.ks.front().k;
  c.kmax = s.ks.empty() ? 1 : s.ks.back().k;

  const OffScale scale = off_scale(s);
  std::vector<Panel> panels =
      s.no_lnp.empty() ? std::vector<Panel>{mean_panel(s, scale), l1_panel(s), l2_panel(s),
                                            deltak_panel(s), parsimony_panel(s)}
                       : std::vector<Panel>{no_lnp_panel(s)};
  // Other programs' runs: the CV error first (ADMIXTURE), the clusters used after the
  // Parsimony value (fastStructure).
  if (std::any_of(s.ks.begin(), s.ks.end(), [](const KSummary& k) { return k.cv_runs > 0; })) {
    panels.insert(panels.begin(), cv_panel(s));
  }
  if (!s.lnp_name.empty() && !s.lnp_grows) panels.push_back(clusters_used_panel(s));
  if (!s.puechmaille.empty()) panels.push_back(puechmaille_panel(s));
  double y = top;
  for (std::size_t i = 0; i < panels.size(); ++i) {
    Panel& p = panels[i];
    p.letter = std::string(1, static_cast<char>('a' + i));
    y += header_height;
    p.y = y;
    y += plot_height + tick_height + (i + 1 == panels.size() ? 20 : 0);
    y += static_cast<double>((p.empty ? 0 : p.notes.size()) + p.legend) * note_height + panel_gap;
  }
  const double height = std::ceil(y);

  // The title names the runs and their folder, each shortened when long (or is the user's own).
  const std::string title = own_title.empty() ? "Choosing K for the " + s.program + " runs " +
                                                    s.generic + " in " + s.folder
                                              : std::string(own_title);
  svg_begin(c.svg, width, height, 170, title);
  const double room =
      width - left - right - text_width("Choosing K for the " + s.program + " runs  in ", 17);
  const std::string generic =
      fit_text(s.generic, 17, std::max(room / 2, room - text_width(s.folder, 17)));
  const std::string shown = own_title.empty()
                                ? "Choosing K for the " + s.program + " runs " + generic + " in " +
                                      fit_text(s.folder, 17, room - text_width(generic, 17))
                                : std::string(own_title);
  svg_text(c.svg, left, 30, "start", 17, "font-weight=\"bold\" fill=\"#222222\"", shown, 0, title);
  const std::string range = s.ks.size() == 1
                                ? "K = " + std::to_string(c.kmin)
                                : "K = " + std::to_string(c.kmin) + " to " + std::to_string(c.kmax);
  // Runs that differ between K are named last: "K = 1 to 7, runs per K: 3, except K = 7: 2".
  const bool even =
      std::all_of(s.ks.begin(), s.ks.end(), [&](const KSummary& k) { return k.runs == s.nrun; });
  const std::string runs =
      even ? std::to_string(s.nrun) + (s.nrun == 1 ? " run" : " runs") + " per K, " + range
           : range + ", runs per K: " + s.runs;
  svg_text(c.svg, left, 51, "start", 12.5, "fill=\"#444444\"",
           std::to_string(s.nind) + " individuals, " + runs);
  svg_text(c.svg, left, 70, "start", 12.5, "fill=\"#444444\"", best_line(s));

  for (std::size_t i = 0; i < std::size(panels); ++i) {
    draw_frame(c, panels[i], i + 1 == panels.size());
  }

  // The single runs, faint and spread a little around their K, under the error bars, in
  // the panel of the mean (the first, but after the CV error's).
  const Panel& mp = *std::find_if(panels.begin(), panels.end(), [](const Panel& p) {
    return p.series.front().cls == "mean" || p.series.front().cls == "none";
  });
  const std::string run_value = s.lnp_name.empty() ? "Ln P(D)" : s.lnp_name;
  const double per_k = plot_width / static_cast<double>(c.kmax - c.kmin + 1);
  const double spread = std::min(per_k * 0.4, 18.0);
  // With runs off the scale, what they pull beyond the plot is cut at its edge.
  if (scale.count > 0) {
    c.svg.out += "<clipPath id=\"lnp-plot\"><rect x=\"" + num(left) + "\" y=\"" + num(mp.y) +
                 "\" width=\"" + num(plot_width) + "\" height=\"" + num(plot_height) +
                 "\"/></clipPath>\n<g clip-path=\"url(#lnp-plot)\">\n";
  }
  std::string off_marks;
  c.svg.out += "<g fill=\"" + std::string(blue) + "\" fill-opacity=\"0.45\">\n";
  for (std::size_t i = 0; i < s.ks.size(); ++i) {
    const KSummary& k = s.ks[i];
    const std::size_t n = k.lnp.size();
    for (std::size_t r = 0; r < n; ++r) {
      if (!drawable(k.lnp[r])) continue;
      const double dx =
          n > 1 ? (static_cast<double>(r) / static_cast<double>(n - 1) - 0.5) * spread : 0.0;
      if (scale.off[i][r]) {
        const bool up = scale.off[i][r] > 0;
        off_marks +=
            off_scale_mark(c.x(k.k) + dx, up ? mp.y : mp.y + plot_height, up, k.k, r + 1, k.lnp[r]);
        continue;
      }
      c.svg.out += "<circle class=\"replicate\" cx=\"" + num(c.x(k.k) + dx) + "\" cy=\"" +
                   num(y_of(mp, k.lnp[r])) + "\" r=\"3\"><title>K = " + std::to_string(k.k) +
                   ", run " + std::to_string(r + 1) + ": " + run_value + " " + real_cell(k.lnp[r]) +
                   "</title></circle>\n";
    }
  }
  c.svg.out += "</g>\n";
  for (const KSummary& k : s.ks) {
    if (!drawable(k.mean) || !drawable(k.sd)) continue;
    error_bar(c, mp, k.k, k.mean, k.sd);
  }
  for (const Panel& p : panels) {
    for (std::size_t i = 0; i < p.sd.size(); ++i) {
      const double mean = *p.series.front().value[i];
      if (drawable(mean) && drawable(p.sd[i])) error_bar(c, p, s.ks[i].k, mean, p.sd[i]);
    }
    for (const Series& line : p.series) draw_series(c, p, line, s.ks);
    if (&p == &mp && scale.count > 0) c.svg.out += "</g>\n" + off_marks;
  }

  const Panel& last = panels.back();
  svg_text(c.svg, left + plot_width / 2, last.y + plot_height + tick_height + 16, "middle", 12,
           "fill=\"#222222\"", "K (number of clusters)");
  return svg_end(c.svg);
}

}  // namespace pelvano
