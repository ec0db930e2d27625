#include "ui/background_picture.h"

#include <cstdlib>

namespace qs {
namespace {

constexpr uint32_t kBitmapFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // the OS/2 1.x header: 16-bit sizes, 3-byte colours
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kUncompressed = 0;  // BI_RGB
constexpr uint32_t kBitFields = 3;     // BI_BITFIELDS: masks of the standard layout are taken
// Larger pictures are refused rather than given hundreds of megabytes.
constexpr int64_t kMaxPixels = int64_t{1} << 26;

uint32_t Le16(ByteSpan b, size_t at) {
  return b[at] | (b[at + 1] << 8);
}
uint32_t Le32(ByteSpan b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

}  // namespace

BackgroundPicture DecodeBackgroundPicture(ByteSpan file, int32_t transparentIndex) {
  BackgroundPicture none;
  if (file.size() < kBitmapFileHeaderSize + kCoreHeaderSize) return none;
  if (file[0] != 'B' || file[1] != 'M') return none;
  const uint32_t bitsOffset = Le32(file, 10);
  const uint32_t headerSize = Le32(file, kBitmapFileHeaderSize);
  const size_t header = kBitmapFileHeaderSize;
  int64_t width = 0;
  int64_t height = 0;
  uint32_t bitCount = 0;
  uint32_t compression = kUncompressed;
  uint32_t colorsUsed = 0;
  size_t paletteEntry = 4;
  if (headerSize == kCoreHeaderSize) {
    width = Le16(file, header + 4);
    height = Le16(file, header + 6);
    bitCount = Le16(file, header + 10);
    paletteEntry = 3;
  } else {
    if (headerSize < kInfoHeaderSize || file.size() < header + kInfoHeaderSize) return none;
    width = static_cast<int32_t>(Le32(file, header + 4));
    height = static_cast<int32_t>(Le32(file, header + 8));
    bitCount = Le16(file, header + 14);
    compression = Le32(file, header + 16);
    colorsUsed = Le32(file, header + 32);
  }
  const bool topDown = height < 0;
  height = std::llabs(height);
  if (width <= 0 || height == 0 || width * height > kMaxPixels) return none;
  if (compression != kUncompressed && !(compression == kBitFields && bitCount >= 16)) return none;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32) {
    return none;
  }

  // The palette follows the header (and the three masks of a BITMAPFIELDS header of 40 bytes).
  std::vector<uint32_t> palette;
  if (bitCount <= 8) {
    const uint64_t count =
        colorsUsed != 0 && colorsUsed < (1u << bitCount) ? colorsUsed : (1u << bitCount);
    const uint64_t start = header + headerSize;
    if (start + count * paletteEntry > file.size()) return none;
    for (uint64_t i = 0; i < count; ++i) {
      const size_t at = static_cast<size_t>(start + i * paletteEntry);
      palette.push_back(file[at] | (file[at + 1] << 8) | (file[at + 2] << 16));
    }
  }

  const uint64_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
  if (bitsOffset > file.size() || stride * height > file.size() - bitsOffset) return none;

  BackgroundPicture picture;
  picture.width = static_cast<int32_t>(width);
  picture.height = static_cast<int32_t>(height);
  const size_t count = static_cast<size_t>(width * height);
  picture.pixels.resize(count);
  const bool masked = bitCount <= 8 && transparentIndex >= 0;
  if (masked) picture.mask.resize(count);
  for (int64_t y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(bitsOffset + stride * (topDown ? y : height - 1 - y));
    uint32_t* out = &picture.pixels[static_cast<size_t>(y * width)];
    for (int64_t x = 0; x < width; ++x) {
      uint32_t color = 0;
      if (bitCount <= 8) {
        const uint64_t bit = static_cast<uint64_t>(x) * bitCount;
        const uint32_t byte = file[row + static_cast<size_t>(bit / 8)];
        const uint32_t index = (byte >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
        color = index < palette.size() ? palette[index] : 0;
        if (masked && index == static_cast<uint32_t>(transparentIndex)) {
          picture.mask[static_cast<size_t>(y * width + x)] = 0x00FFFFFF;
          color = 0;
        }
      } else if (bitCount == 16) {
        const uint32_t value = Le16(file, row + static_cast<size_t>(x) * 2);
        const auto five = [](uint32_t v) { return (v << 3) | (v >> 2); };
        color = (five((value >> 10) & 0x1F) << 16) | (five((value >> 5) & 0x1F) << 8) |
                five(value & 0x1F);
      } else {
        const size_t at = row + static_cast<size_t>(x) * (bitCount / 8);
        color = file[at] | (file[at + 1] << 8) | (file[at + 2] << 16);
      }
      out[x] = color;
    }
  }
  return picture;
}

}  // namespace qs
