#pragma once
// Icon files (.ico) and the icon resources of a program: the images of a file, and the group
// resource that lists them under their resource identifiers.
#include <cstdint>
#include <vector>

#include "base/byte_span.h"

namespace qs {

// One image of an icon: the fields of its directory entry and its bytes (a bitmap or a PNG),
// which become one RT_ICON resource as they are.
struct IconImage {
  uint8_t width = 0;  // 0 stands for 256
  uint8_t height = 0;
  uint8_t colorCount = 0;
  uint8_t reserved = 0;
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  ByteSpan data;  // points into the file
};

// The images of an icon file (ICONDIR, then one 16-byte ICONDIRENTRY per image). False for a
// file that is not an icon, that has no image, or whose entries point outside it.
bool ParseIconFile(ByteSpan file, std::vector<IconImage>& images);

// The RT_GROUP_ICON resource for `images`, the i-th one stored as RT_ICON `ids[i]`
// (GRPICONDIR, then one 14-byte GRPICONDIRENTRY per image). `ids` has one entry per image.
std::vector<uint8_t> IconGroupResource(const std::vector<IconImage>& images,
                                       const std::vector<uint16_t>& ids);

// The RT_ICON identifiers a group resource lists. False when the resource is too short for
// the count it gives.
bool IconGroupIds(ByteSpan group, std::vector<uint16_t>& ids);

}  // namespace qs
