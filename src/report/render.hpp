// The figure and the bar plot as PDF and PNG, for papers and slides: rendered from the SVG
// documents themselves by librsvg and cairo, so that they show exactly what the SVG shows.
// A build without librsvg has no renderer; the command line then refuses --format pdf and
// png with a line saying how to get it.
#pragma once

#include <string>
#include <string_view>

namespace pelvano {

#ifdef PELVANO_RENDER
inline constexpr bool can_render = true;
#else
inline constexpr bool can_render = false;
#endif

// How a user gets a pelvano-plot that writes PDF and PNG.
inline constexpr std::string_view render_missing =
    "this pelvano-plot was built without librsvg; install librsvg2-dev (apt-get install "
    "librsvg2-dev) and build it again with make build";

// A PDF of one page the SVG's size, its shapes and text as vectors, its fonts embedded.
// `name` is the file's name for the message should the document not render.
std::string svg_to_pdf(std::string_view svg, const std::string& name);

// A PNG at 300 dpi: round(SVG width in CSS px * 300 / 96) pixels wide.
std::string svg_to_png(std::string_view svg, const std::string& name);

}  // namespace pelvano
