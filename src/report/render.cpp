#include "report/render.hpp"

#include <cairo-pdf.h>
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <cmath>

#include "base/fatal.hpp"

namespace pelvano {

namespace {

constexpr double css_dpi = 96;   // the CSS pixel: 1/96 inch
constexpr double png_dpi = 300;  // print resolution
constexpr double pdf_dpi = 72;   // the PDF point

cairo_status_t append(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// The document read by librsvg, with its size in CSS pixels; freed on leaving scope.
struct Document {
  RsvgHandle* handle = nullptr;
  double width = 0;
  double height = 0;

  Document(std::string_view svg, const std::string& name) {
    GError* error = nullptr;
    handle =
        rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error);
    if (handle == nullptr) fail(name, error);
    rsvg_handle_set_dpi(handle, css_dpi);
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height)) {
      g_object_unref(handle);
      stop_on_file_error("render", name, "the SVG document has no size");
    }
  }
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  ~Document() { g_object_unref(handle); }

  [[noreturn]] static void fail(const std::string& name, GError* error) {
    const std::string why = error != nullptr ? error->message : "librsvg failed";
    if (error != nullptr) g_error_free(error);
    stop_on_file_error("render", name, why);
  }

  // Draws the whole document onto a surface of the given size (in its units).
  void render(cairo_surface_t* surface, double w, double h, const std::string& name) const {
    cairo_t* cr = cairo_create(surface);
    const RsvgRectangle viewport{0, 0, w, h};
    GError* error = nullptr;
    const bool drawn = rsvg_handle_render_document(handle, cr, &viewport, &error);
    cairo_destroy(cr);
    if (!drawn) {
      cairo_surface_destroy(surface);
      fail(name, error);
    }
  }
};

void finish(cairo_surface_t* surface, const std::string& name) {
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    stop_on_file_error("render", name, cairo_status_to_string(status));
  }
}

}  // namespace

std::string svg_to_pdf(std::string_view svg, const std::string& name) {
  const Document doc(svg, name);
  const double w = doc.width * pdf_dpi / css_dpi;
  const double h = doc.height * pdf_dpi / css_dpi;
  std::string out;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(append, &out, w, h);
  // No creation date: the same files give the same PDF, byte for byte, as they give the same
  // SVG and page.
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "");
  doc.render(surface, w, h, name);
  finish(surface, name);
  return out;
}

std::string svg_to_png(std::string_view svg, const std::string& name) {
  const Document doc(svg, name);
  const int w = static_cast<int>(std::lround(doc.width * png_dpi / css_dpi));
  const int h = static_cast<int>(std::lround(doc.height * png_dpi / css_dpi));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  doc.render(surface, w, h, name);
  std::string out;
  const cairo_status_t status = cairo_surface_write_to_png_stream(surface, append, &out);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    stop_on_file_error("render", name, cairo_status_to_string(status));
  }
  return out;
}

}  // namespace pelvano
