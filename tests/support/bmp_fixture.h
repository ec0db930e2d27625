#pragma once
// Small .BMP files for the background picture's tests, written byte by byte.
#include <cstdint>
#include <vector>

namespace qs::test_support {

inline void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

// A .BMP file with a 40-byte header: `palette` as 0x00RRGGBB, `rows` as stored (bottom row
// first when `height` is positive), each already padded to four bytes.
inline std::vector<uint8_t> Bmp(int32_t width, int32_t height, uint16_t bits,
                                const std::vector<uint32_t>& palette,
                                const std::vector<uint8_t>& rows, uint32_t compression = 0) {
  std::vector<uint8_t> out = {'B', 'M'};
  const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size()) * 4;
  PutLe32(out, offset + static_cast<uint32_t>(rows.size()));
  PutLe32(out, 0);
  PutLe32(out, offset);
  PutLe32(out, 40);
  PutLe32(out, static_cast<uint32_t>(width));
  PutLe32(out, static_cast<uint32_t>(height));
  PutLe16(out, 1);
  PutLe16(out, bits);
  PutLe32(out, compression);
  PutLe32(out, static_cast<uint32_t>(rows.size()));
  PutLe32(out, 2835);
  PutLe32(out, 2835);
  PutLe32(out, static_cast<uint32_t>(palette.size()));
  PutLe32(out, 0);
  for (uint32_t color : palette) PutLe32(out, color);
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

}  // namespace qs::test_support
