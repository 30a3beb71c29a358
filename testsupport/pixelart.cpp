#include "testsupport/pixelart.h"

namespace testsupport {

Art pixel_art(const QImage& image, const Palette& palette) {
  Art rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      const auto found = palette.find(image.pixel(x, y) & 0xFFFFFF);
      row += found != palette.end() ? found->second : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace testsupport
