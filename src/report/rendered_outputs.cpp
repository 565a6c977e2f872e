#include "report/rendered_outputs.hpp"

#include "report/render.hpp"

namespace pelvano {

namespace {

bool pdf_asked(const Options& o) {
  return o.pdf;
}

bool png_asked(const Options& o) {
  return o.png;
}

enum class Format { pdf, png };

// The command line refuses pdf and png when there is no renderer, so that without one these
// are never called (and the renderer is not linked).
template <Format format>
std::string rendered(std::string_view svg, const Made& m, std::string_view extension) {
  if constexpr (!can_render) {
    return {};
  } else if constexpr (format == Format::pdf) {
    return svg_to_pdf(svg, companion_file_name(m.run, extension));
  } else {
    return svg_to_png(svg, companion_file_name(m.run, extension));
  }
}

std::string figure_pdf(Made& m) {
  return rendered<Format::pdf>(m.figure, m, ".pdf");
}

std::string figure_png(Made& m) {
  return rendered<Format::png>(m.figure, m, ".png");
}

std::string bars_pdf(Made& m) {
  return rendered<Format::pdf>(m.bar_plot, m, ".bars.pdf");
}

std::string bars_png(Made& m) {
  return rendered<Format::png>(m.bar_plot, m, ".bars.png");
}

}  // namespace

std::vector<PlotOutput> rendered_outputs() {
  std::vector<PlotOutput> o(4);
  o[0].suffix = ".pdf";
  o[0].console = "Figure as PDF in file";
  o[0].link = "the figure as PDF";
  o[0].link_place = 2;
  o[0].help = "with --format pdf, the figure as PDF";
  o[0].text = figure_pdf;
  o[0].format_asked = pdf_asked;

  o[1].suffix = ".png";
  o[1].console = "Figure as PNG in file";
  o[1].link = "the figure as PNG, 300 dpi";
  o[1].link_place = 2;
  o[1].help = "with --format png, the figure as PNG at 300 dpi";
  o[1].text = figure_png;
  o[1].format_asked = png_asked;

  o[2].suffix = ".bars.pdf";
  o[2].console = "Bar plot as PDF in file";
  o[2].link = "the bar plot as PDF";
  o[2].link_place = 3;
  o[2].help = "with --format pdf, the bar plot as PDF";
  o[2].needs = Needs::memberships;
  o[2].text = bars_pdf;
  o[2].format_asked = pdf_asked;

  o[3].suffix = ".bars.png";
  o[3].console = "Bar plot as PNG in file";
  o[3].link = "the bar plot as PNG, 300 dpi";
  o[3].link_place = 3;
  o[3].help = "with --format png, the bar plot as PNG at 300 dpi";
  o[3].needs = Needs::memberships;
  o[3].text = bars_png;
  o[3].format_asked = png_asked;
  return o;
}

}  // namespace pelvano
