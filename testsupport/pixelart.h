// Test helper: an image as rows of characters, one per pixel, so that pixel
// checks read as pictures. The palette maps 0xRRGGBB colours to characters;
// any other colour reads '?'.
#pragma once

#include <QImage>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

using Art = std::vector<std::string>;
using Palette = std::map<uint32_t, char>;

Art pixel_art(const QImage& image, const Palette& palette);

}  // namespace testsupport
