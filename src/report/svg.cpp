#include "report/svg.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace pelvano {

namespace {

constexpr double char_width = 0.6;  // of the font size
constexpr double margin = 4;        // between a text and the edge of the picture

// Where each character of a UTF-8 text begins (a byte that is not valid UTF-8 is a
// character of its own, as it is shown).
std::vector<std::size_t> character_starts(std::string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 || starts.empty()) starts.push_back(i);
  }
  return starts;
}

}  // namespace

std::string fixed(double v, int decimals) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  std::string s(buf, res.ptr);
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string num(double v) {
  std::string s = fixed(v, 2);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

double text_width(std::string_view text, double size) {
  return static_cast<double>(character_starts(text).size()) * char_width * size;
}

std::string fit_text(std::string_view text, double size, double width) {
  if (text_width(text, size) <= width) return std::string(text);
  const std::vector<std::size_t> starts = character_starts(text);
  const std::size_t n = starts.size();
  // Room for `keep` characters and the ellipsis.
  const auto room =
      static_cast<std::size_t>(std::max(0.0, std::floor(width / (char_width * size))));
  if (room < 1) return "";
  const std::size_t keep = room - 1;
  // The text is cut only where a word ends: the front kept ends with a separator, the back
  // kept starts with one (in characters: front is a count from the start, back from the end).
  const auto separator = [&](std::size_t c) {
    const char ch = text[starts[c]];
    return ch == ' ' || ch == '_' || ch == '-' || ch == '.' || ch == '/';
  };
  const auto front_at_most = [&](std::size_t most) {
    std::size_t f = std::min(most, n);
    while (f > 0 && !separator(f - 1)) --f;
    return f;
  };
  const auto back_at_most = [&](std::size_t most) {
    std::size_t b = std::min(most, n);
    while (b > 0 && !separator(n - b)) --b;
    return b;
  };
  // Half the room each, then what one side leaves to the other.
  std::size_t front = front_at_most(keep - keep / 2);
  const std::size_t back = back_at_most(keep - front);
  front = front_at_most(keep - back);
  return std::string(text.substr(0, front < n ? starts[front] : text.size())) + "\u2026" +
         std::string(text.substr(back > 0 ? starts[n - back] : text.size()));
}

void svg_begin(Svg& svg, double width, double height, double mm, std::string_view title) {
  svg.width = width;
  svg.height = height;
  svg.out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg.out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + num(mm) +
             "mm\" height=\"" + num(height * mm / width) + "mm\" viewBox=\"0 0 " + num(width) +
             " " + num(height) +
             "\" font-family=\"Helvetica, Arial, 'Liberation Sans', sans-serif\">\n";
  svg.out += "<title>" + xml_escape(title) + "</title>\n";
  svg.out += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
}

std::string svg_end(Svg& svg) {
  svg.out += "</svg>\n";
  return std::move(svg.out);
}

void svg_text(Svg& svg, double x, double y, std::string_view anchor, double size,
              std::string_view attrs, std::string_view text, double max_width,
              std::string_view whole) {
  if (max_width <= 0) {
    max_width = anchor == "start" ? svg.width - margin - x
                : anchor == "end" ? x - margin
                                  : 2 * std::min(x, svg.width - x) - 2 * margin;
  }
  std::string& o = svg.out;
  o.append("<text x=\"").append(num(x)).append("\" y=\"").append(num(y)).append("\"");
  if (anchor != "start") o.append(" text-anchor=\"").append(anchor).append("\"");
  o.append(" font-size=\"").append(num(size)).append("\"");
  if (!attrs.empty()) o.append(" ").append(attrs);
  const std::string shown = fit_text(text, size, max_width);
  o.append(">").append(xml_escape(shown));
  // A text shortened keeps the whole of it for a pointer resting on it and for screen readers.
  if (whole.empty()) whole = text;
  if (shown != whole) o.append("<title>").append(xml_escape(whole)).append("</title>");
  o.append("</text>\n");
}

void svg_line(Svg& svg, double x1, double y1, double x2, double y2, std::string_view stroke,
              double width) {
  svg.out += "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" +
             num(y2) + "\" stroke=\"" + std::string(stroke) + "\" stroke-width=\"" + num(width) +
             "\"/>\n";
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

}  // namespace pelvano
