// Writing SVG: the one helper every figure of pelvano-plot is drawn with. Every text is
// escaped for XML and fitted to the picture (or to a narrower width it is given): a text too
// long is shortened where its words end, a character taking 0.6 times the font size, which is
// as much as the sans-serif fonts of browsers take.
#pragma once

#include <string>
#include <string_view>

namespace pelvano {

// Text for XML character data and attribute values: & < > " ' as entities, and every
// byte sequence that is not valid UTF-8, and every control character other than tab,
// line feed and carriage return, as U+FFFD.
std::string xml_escape(std::string_view text);

// A real with a fixed number of decimals and no sign on zero.
std::string fixed(double v, int decimals);

// A coordinate or length: at most two decimals, trailing zeros removed.
std::string num(double v);

// The width a text takes at a font size, and the text shortened (with "…") so that it takes
// at most `width`: its start up to a separator (a blank, "_", "-", "." or "/") that ends it,
// and its end from a separator that starts it, each as long as half the room allows and
// either taking what the other leaves; never a word cut in two ("…" alone when no word fits).
double text_width(std::string_view text, double size);
std::string fit_text(std::string_view text, double size, double width);

// An SVG document being written: its coordinates run from 0 to width and height.
struct Svg {
  std::string out;
  double width = 0;
  double height = 0;
};

// Starts the document: `mm` millimetres wide on paper, with a title and a white ground.
void svg_begin(Svg& svg, double width, double height, double mm, std::string_view title);

// Ends the document and gives its text.
std::string svg_end(Svg& svg);

// A text at (x, y), anchored at its start, middle or end, at a font size; `attrs` holds
// further attributes (fill, font-weight, class). It is fitted to max_width, or to the
// picture when max_width is 0. A text shortened to fit holds the whole text in its <title>.
// `whole` is the whole text when `text` was already shortened by its writer.
void svg_text(Svg& svg, double x, double y, std::string_view anchor, double size,
              std::string_view attrs, std::string_view text, double max_width = 0,
              std::string_view whole = {});

void svg_line(Svg& svg, double x1, double y1, double x2, double y2, std::string_view stroke,
              double width);

}  // namespace pelvano
