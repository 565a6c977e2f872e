// The pixels of a PNG as a binary PPM (P6) on standard output, read by cairo, for the
// end-to-end runner, which compares pelvano-plot's PNG files with their PDF rendered by
// pdftoppm and looks for the bar plot's colours in them.
#include <cairo.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: pngtoppm FILE.png\n", stderr);
    return 2;
  }
  cairo_surface_t* png = cairo_image_surface_create_from_png(argv[1]);
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "pngtoppm: %s: %s\n", argv[1],
                 cairo_status_to_string(cairo_surface_status(png)));
    return 1;
  }
  const int width = cairo_image_surface_get_width(png);
  const int height = cairo_image_surface_get_height(png);
  const int stride = cairo_image_surface_get_stride(png);
  const unsigned char* data = cairo_image_surface_get_data(png);
  std::printf("P6\n%d %d\n255\n", width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // A native-endian 32-bit word, alpha (or unused) in the high byte; opaque here.
      unsigned word = 0;
      for (int b = 3; b >= 0; --b) word = word << 8 | data[y * stride + x * 4 + b];
      const unsigned char rgb[3] = {static_cast<unsigned char>(word >> 16),
                                    static_cast<unsigned char>(word >> 8),
                                    static_cast<unsigned char>(word)};
      std::fwrite(rgb, 1, 3, stdout);
    }
  }
  cairo_surface_destroy(png);
  return 0;
}
