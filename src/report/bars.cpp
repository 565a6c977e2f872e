#include "report/bars.hpp"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <map>

#include "base/fatal.hpp"
#include "base/parallel.hpp"
#include "base/variables.hpp"
#include "report/palette.hpp"
#include "report/svg.hpp"

namespace pelvano {

namespace {

// Layout.
constexpr double left = 24;
constexpr double plot_width = 1200;  // also the most columns drawn
constexpr double marks_width = 132;  // the best K of each method, right of the bars
constexpr double width = left + plot_width + 12 + marks_width;
constexpr double top = 72;           // title lines
constexpr double label_height = 20;  // the line above each bar
constexpr double bar_height = 64;
constexpr double minor_height = 32;  // the narrower rows of minor modes
constexpr double row_gap = 10;
// The most columns of a minor mode's row: 300, fewer when there are many minor modes, so that
// the rows of all minor modes draw at most this many clusters' columns and the plot stays
// small; never fewer than 24.
constexpr double minor_cluster_columns = 45000;
constexpr double minor_columns = 300;
constexpr double fewest_minor_columns = 24;

// Pop values in ascending numeric order; values that are not numbers after them.
bool pop_before(const std::string& a, const std::string& b) {
  long long x = 0, y = 0;
  const bool nx = std::from_chars(a.data(), a.data() + a.size(), x).ptr == a.data() + a.size();
  const bool ny = std::from_chars(b.data(), b.data() + b.size(), y).ptr == b.data() + b.size();
  if (nx != ny) return nx;
  return nx ? x < y : a < b;
}

// A coordinate with one decimal: the bars need no finer steps, and their files stay small.
std::string coord(double v) {
  const long long tenths = std::llround(v * 10);
  std::string s = std::to_string(tenths / 10);
  if (tenths % 10 != 0) s += "." + std::to_string(std::llabs(tenths % 10));
  return s;
}

// The drawn columns: consecutive individuals of one group, [first, last) in drawing order.
struct Column {
  std::size_t first = 0;
  std::size_t last = 0;
};

std::vector<Column> columns_of(const std::vector<Group>& groups, std::size_t n, double most) {
  std::vector<Column> cols;
  for (const Group& g : groups) {
    // Within the most columns one individual a column; beyond them, neighbours share one.
    const std::size_t c =
        static_cast<double>(n) <= most
            ? g.count
            : std::max<std::size_t>(
                  1, static_cast<std::size_t>(std::llround(static_cast<double>(g.count) * most /
                                                           static_cast<double>(n))));
    for (std::size_t j = 0; j < c; ++j) {
      cols.push_back({g.first + g.count * j / c, g.first + g.count * (j + 1) / c});
    }
  }
  return cols;
}

}  // namespace

std::vector<std::size_t> individual_order(const BarPlot& p, std::vector<Group>& groups) {
  const std::size_t n = p.individuals.size();
  std::vector<std::string> pops;  // in drawing order
  std::map<std::string, std::string> names;
  if (p.pop_column) {
    std::vector<std::string> present;
    for (const Individual& x : p.individuals) present.push_back(x.group);
    std::sort(present.begin(), present.end(), pop_before);
    present.erase(std::unique(present.begin(), present.end()), present.end());
    for (const auto& [pop, name] : p.populations) {
      if (std::find(present.begin(), present.end(), pop) != present.end() &&
          std::find(pops.begin(), pops.end(), pop) == pops.end()) {
        pops.push_back(pop);
        names[pop] = name;
      }
    }
    for (const std::string& pop : present) {
      if (std::find(pops.begin(), pops.end(), pop) == pops.end()) pops.push_back(pop);
    }
  } else {
    pops.emplace_back();
  }
  // Within a group: by the colour of the largest membership in the (first) row of the
  // Parsimony method's best K, then by that membership, largest first.
  const BarRow* best = &p.rows.front();
  for (const BarRow& row : p.rows) {
    if (row.k == p.parsimony) {
      best = &row;
      break;
    }
  }
  const auto k = static_cast<std::size_t>(best->k);
  std::vector<int> colour(n);
  std::vector<double> largest(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t c = 0;
    for (std::size_t j = 1; j < k; ++j) {
      if (best->values()[i * k + j] > best->values()[i * k + c]) c = j;
    }
    colour[i] = best->colour[c];
    largest[i] = best->values()[i * k + c];
  }
  std::vector<std::size_t> order;
  groups.clear();
  for (const std::string& pop : pops) {
    Group g{order.size(), 0, pop, names.count(pop) ? names[pop] : pop};
    for (std::size_t i = 0; i < n; ++i) {
      if (p.individuals[i].group == pop) order.push_back(i);
    }
    g.count = order.size() - g.first;
    if (!p.keep_order) {
      std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(g.first), order.end(),
                       [&](std::size_t a, std::size_t b) {
                         return colour[a] != colour[b] ? colour[a] < colour[b]
                                                       : largest[a] > largest[b];
                       });
    }
    groups.push_back(g);
  }
  return order;
}

namespace {

// The text above a row: a minor mode's names its reference run's file, and how many more
// runs it holds.
std::string row_label(const BarRow& row) {
  if (row.mode == 0) {
    return "K = " + std::to_string(row.k) + bar_dot + "run " + std::to_string(row.run) + bar_dot +
           row.file;
  }
  std::string label = "K = " + std::to_string(row.k) + bar_dot + row.mode_text;
  if (row.mode > 1) {
    label += bar_dot + row.files.front();
    if (row.files.size() > 1) label += " + " + std::to_string(row.files.size() - 1) + " more";
  }
  return label;
}

}  // namespace

// One row of the plot, its top at y: its label, one path per cluster, the lines between the
// groups and the marks of the methods' best K.
template <class XAt>
void draw_row(Svg& svg, const BarPlot& p, const BarRow& row, double y,
              const std::vector<std::size_t>& order, const std::vector<Group>& groups,
              const std::vector<Column>& columns, const XAt& x_at) {
  const auto k = static_cast<std::size_t>(row.k);
  const std::vector<double>& q = row.values();
  const double y0 = y + label_height;
  const double bottom = y0 + ((row.mode > 1) ? minor_height : bar_height);
  const double full = bottom - y0;
  svg.out += (row.mode > 1) ? "<g class=\"row minor\">\n" : "<g class=\"row\">\n";
  if (row.mode > 1) {
    // Every run of a minor mode, by its file.
    std::string files;
    for (const std::string& f : row.files) files += (files.empty() ? "" : ", ") + f;
    svg.out += "<title>" +
               xml_escape("K = " + std::to_string(row.k) + ", minor mode " +
                          std::to_string(row.mode) + ": " + files) +
               "</title>\n";
  }
  svg_text(svg, left, y0 - 6, "start", 12, "fill=\"#222222\"", row_label(row), plot_width);
  // The height each cluster takes in each column, stacked in the order of the colours.
  std::vector<std::size_t> stack(k);
  for (std::size_t c = 0; c < k; ++c) stack[c] = c;
  std::sort(stack.begin(), stack.end(),
            [&](std::size_t a, std::size_t b) { return row.colour[a] < row.colour[b]; });
  std::vector<double> below(columns.size(), 0.0);
  for (const std::size_t c : stack) {
    std::string d;
    std::vector<double> above(columns.size());
    for (std::size_t j = 0; j < columns.size(); ++j) {
      double sum = 0;
      for (std::size_t at = columns[j].first; at < columns[j].last; ++at) {
        sum += q[order[at] * k + c];
      }
      const double share = sum / row.unit / static_cast<double>(columns[j].last - columns[j].first);
      above[j] = std::min(full, below[j] + std::max(0.0, share) * full);
    }
    // Along the top edge from left to right, back along the bottom edge.
    d += "M" + coord(x_at(columns[0].first)) + " " + coord(bottom - above[0]);
    for (std::size_t j = 0; j < columns.size(); ++j) {
      if (j > 0 && above[j] != above[j - 1]) d += "V" + coord(bottom - above[j]);
      d += "H" + coord(x_at(columns[j].last));
    }
    for (std::size_t j = columns.size(); j-- > 0;) {
      if (j + 1 == columns.size() || below[j] != below[j + 1]) d += "V" + coord(bottom - below[j]);
      d += "H" + coord(x_at(columns[j].first));
    }
    svg.out += "<path class=\"cluster\" fill=\"" + cluster_colour(row.colour[c]) + "\" d=\"" + d +
               "Z\"/>\n";
    below = std::move(above);
  }
  for (std::size_t g = 1; g < groups.size(); ++g) {
    svg_line(svg, x_at(groups[g].first), y0, x_at(groups[g].first), bottom, "#ffffff", 1.5);
  }
  // The best K of each method, beside its K's first row.
  double my = y0 + 14;
  for (const auto& [method, best] : {std::pair<const char*, std::int32_t>{"Evanno", p.evanno},
                                     {"Pritchard", p.pritchard},
                                     {"Parsimony", p.parsimony_none ? 0 : p.parsimony}}) {
    if (best != row.k || (row.mode > 1)) continue;
    svg_text(svg, left + plot_width + 12, my, "start", 12,
             "class=\"best\" font-weight=\"bold\" fill=\"#a35f00\"",
             "\u25c0 " + std::string(method));
    my += 18;
  }
  svg.out += "</g>\n";
}

std::string bars_svg(const BarPlot& p) {
  std::vector<Group> groups;
  const std::vector<std::size_t> order = individual_order(p, groups);
  const std::size_t n = order.size();
  const std::vector<Column> cols = columns_of(groups, n, plot_width);
  double minor_clusters = 0;
  for (const BarRow& row : p.rows) minor_clusters += row.mode > 1 ? row.k : 0;
  const double minor_most =
      std::clamp(std::floor(minor_cluster_columns / std::max(1.0, minor_clusters)),
                 fewest_minor_columns, minor_columns);
  const std::vector<Column> minor_cols = columns_of(groups, n, minor_most);
  const auto x_at = [&](std::size_t position) {
    return left + plot_width * static_cast<double>(position) / static_cast<double>(n);
  };
  const auto minor = [](const BarRow& row) { return row.mode > 1; };
  double rows_end = top;
  bool minor_binned = false;
  for (const BarRow& row : p.rows) {
    rows_end += label_height + (minor(row) ? minor_height : bar_height) + row_gap;
    minor_binned = minor_binned || (minor(row) && static_cast<double>(n) > minor_most);
  }
  const bool named = p.pop_column;
  const bool binned = n > plot_width || minor_binned;
  const double height = rows_end + (named ? 22 : 0) + (binned ? 18 : 0) + 10;
  const bool modes = !p.rows.empty() && p.rows.front().mode > 0;

  Svg svg;
  const std::string heading = p.heading.empty() ? "Memberships of " + p.title : p.heading;
  svg_begin(svg, width, height, 250, heading);
  svg_text(svg, left, 28, "start", 17, "font-weight=\"bold\" fill=\"#222222\"", heading);
  svg_text(svg, left, 50, "start", 12.5, "fill=\"#444444\"",
           std::to_string(n) +
               (modes ? " individuals. Each K: the mean memberships of its major mode, its minor "
                        "modes in narrower rows below; a cluster keeps its colour from K to K."
                      : " individuals. Each K: its best run by the Parsimony method (or, with no "
                        "scored run, its run of largest Ln P(D)); a cluster keeps its colour "
                        "from K to K."));

  // Each row drawn on its own, on all cores, then put in order.
  std::vector<double> row_top(p.rows.size());
  double y = top;
  for (std::size_t r = 0; r < p.rows.size(); ++r) {
    row_top[r] = y;
    y += label_height + (minor(p.rows[r]) ? minor_height : bar_height) + row_gap;
  }
  std::vector<std::string> drawn(p.rows.size());
  std::atomic<std::size_t> next{0};
  run_on_cores(p.rows.size(), [&](bool) {
    for (std::size_t r; (r = next.fetch_add(1)) < p.rows.size();) {
      Svg part{{}, svg.width, svg.height};
      draw_row(part, p, p.rows[r], row_top[r], order, groups, minor(p.rows[r]) ? minor_cols : cols,
               x_at);
      drawn[r] = std::move(part.out);
    }
  });
  for (const std::string& part : drawn) svg.out += part;
  double ny = rows_end + 6;
  if (named) {
    for (const Group& g : groups) {
      const double x0 = x_at(g.first), x1 = x_at(g.first + g.count);
      if (g.first > 0) svg_line(svg, x0, rows_end - row_gap, x0, rows_end + 4, "#666666", 1);
      svg_text(svg, (x0 + x1) / 2, ny + 8, "middle", 11, "class=\"population\" fill=\"#222222\"",
               g.name, x1 - x0 - 2);
    }
    ny += 22;
  }
  if (binned) {
    svg_text(svg, left, ny + 8, "start", 11,
             "class=\"note\" font-style=\"italic\" fill=\"#666666\"",
             n > plot_width ? "More individuals than columns: neighbouring individuals of a "
                              "population share a column that shows their mean memberships."
                            : "Minor modes: neighbouring individuals of a population share a "
                              "column that shows their mean memberships.");
  }
  return svg_end(svg);
}

}  // namespace pelvano
