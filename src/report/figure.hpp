// The figure of pelvano-plot: Mean Ln P(D|K) with its spread over the replicate runs,
// DeltaK and the Parsimony value against K, as one SVG file sized for a page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/summary.hpp"

namespace pelvano {

// A value axis with round ticks: first, first + step, ..., last.
struct Axis {
  double first = 0;
  double last = 1;
  double step = 1;
};

// The axis with "nice" ticks (1, 2, 2.5 or 5 times a power of ten apart) that covers
// lo..hi with about `ticks` intervals. A single value gets a range around it.
Axis nice_axis(double lo, double hi, int ticks);

// The tick values of an axis and their labels, with as many decimals as the step needs.
std::vector<double> axis_ticks(const Axis& a);
std::string tick_label(double value, double step);

// Text for XML character data and attribute values: & < > " ' as entities, and every
// byte sequence that is not valid UTF-8, and every control character other than tab,
// line feed and carriage return, as U+FFFD.
std::string xml_escape(std::string_view text);

// The whole SVG document.
std::string figure_svg(const StudySummary& s);

}  // namespace pelvano
