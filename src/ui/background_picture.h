#pragma once
// The background picture, decoded from the .BMP file the product carries into rows of 32-bit
// pixels that the window stretches as they are. A picture with a transparent palette index gets
// a mask as well: white where that index is and black elsewhere, while the image is black
// there, so that AND-ing the mask and then OR-ing the image leaves what was below those pixels.
#include <cstdint>
#include <vector>

#include "base/byte_span.h"

namespace qs {

struct BackgroundPicture {
  int32_t width = 0;
  int32_t height = 0;
  // Top row first, each pixel 0x00RRGGBB (a 32-bit DIB's byte order: blue, green, red, 0).
  std::vector<uint32_t> pixels;
  // Empty unless a palette index is transparent; then as `pixels`, 0x00FFFFFF where it is.
  std::vector<uint32_t> mask;
};

// Uncompressed pictures of 1, 4, 8, 16 (5-5-5), 24 and 32 bits per pixel, bottom-up or
// top-down. Anything else, or a file cut short, gives an empty picture (width 0): no picture is
// drawn. `transparentIndex` counts only for palette pictures; -1 is none.
BackgroundPicture DecodeBackgroundPicture(ByteSpan file, int32_t transparentIndex);

}  // namespace qs
