#include "report/palette.hpp"

#include <cstdio>

namespace pelvano {

namespace {

constexpr unsigned palette[20] = {0xE69F00, 0x56B4E9, 0x009E73, 0xF0E442, 0x0072B2,
                                  0xD55E00, 0xCC79A7, 0x999999, 0x882255, 0x44AA99,
                                  0x332288, 0xDDCC77, 0x117733, 0xAA4499, 0x88CCEE,
                                  0xCC6677, 0x999933, 0x661100, 0x6699CC, 0x000000};

}  // namespace

std::string cluster_colour(int index) {
  const int i = index < 1 ? 0 : index - 1;
  const unsigned base = palette[i % 20];
  // Round n beyond the first goes n / (n + 1) of the way to white.
  const int round = i / 20;
  char buf[8];
  unsigned rgb[3] = {base >> 16, (base >> 8) & 0xFF, base & 0xFF};
  for (unsigned& c : rgb)
    c += (255 - c) * static_cast<unsigned>(round) / static_cast<unsigned>(round + 1);
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
  return buf;
}

}  // namespace pelvano
