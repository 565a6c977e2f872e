// The panels of the figure as data: each one's series of values per K, the range its axis
// must hold, its best K and its notes. figure.cpp lays them out and draws them; the panels
// themselves are made where their numbers are explained.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/summary.hpp"
#include "report/axis.hpp"

namespace pelvano {

// One line of a panel: a value per K (none where it does not exist).
struct Series {
  std::string name;    // in the tooltips
  std::string legend;  // in the legend, when the panel has one
  std::string_view colour;
  std::string cls;  // class of its point markers
  std::vector<std::optional<double>> value;
  std::string dash;  // "" for a solid line
  double dx = 0;     // shifted sideways, so that equal values of several series all show
};

// One panel: its series, its range and its notes.
struct Panel {
  std::string letter;
  std::string title;
  std::string ylabel;
  std::vector<Series> series;
  bool legend = false;        // a legend of the series below the plot
  std::vector<double> range;  // every value the axis must hold
  bool from_zero = false;
  std::int32_t best = 0;
  std::string best_text;
  bool best_shown = false;  // the best K has a value in the panel
  bool empty = false;       // nothing to draw: the notes go in the middle of the plot
  std::vector<std::string> notes;
  Axis axis;
  double y = 0;  // top of the plot area
  // Error bars of the first series, one standard deviation each way (none: not drawable);
  // the mean panel of Ln P(D) draws its own.
  std::vector<double> sd;
};

// A value the panels can draw: finite and not a placeholder for "no value" (the Parsimony
// value of a K whose runs could not be scored is -1e300).
bool drawable(double v);

// Why a value is left out of a panel: "NaN", "Inf", "-Inf" or the reason given.
std::string reason(double v, std::string_view placeholder_reason);

// A K with a single run where other K have more: it has no standard deviation.
bool lone_run(const StudySummary& s, const KSummary& k);

// A K left out of a panel and why.
struct LeftOut {
  std::int32_t k;
  std::string why;
};

// "K = 2–4, 6 (NaN); K = 5 (Inf)": consecutive K with the same reason become a range.
std::string k_list(const std::vector<LeftOut>& items);

// Adds a value to the range of the panel's axis, when it can be drawn.
void include(Panel& p, double v);

// The axis of a panel from its range, whether its best K is shown, and its note when empty.
void finish_axis(Panel& p, const StudySummary& s);

// Evanno's L'(K) and |L''(K)|, each a panel of its own.
Panel l1_panel(const StudySummary& s);
Panel l2_panel(const StudySummary& s);

}  // namespace pelvano
