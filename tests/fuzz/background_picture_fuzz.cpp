// The background picture's decoder on a file's bytes, with and without a transparent index: a
// picture it accepts has every pixel, and a mask of the same size or none.
#include <cstddef>
#include <cstdint>

#include "ui/background_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the transparent index (255: none), the rest is the file.
  const int32_t index = data[0] == 255 ? -1 : data[0];
  const qs::BackgroundPicture picture = qs::DecodeBackgroundPicture({data + 1, size - 1}, index);
  if (picture.width == 0) return 0;
  const size_t pixels = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
  if (picture.pixels.size() != pixels) __builtin_trap();
  if (!picture.mask.empty() && picture.mask.size() != pixels) __builtin_trap();
  return 0;
}
