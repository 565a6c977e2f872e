// Value axes of the figures: round ticks and their labels.
#pragma once

#include <string>
#include <vector>

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

}  // namespace pelvano
