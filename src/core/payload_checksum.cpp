#include "core/payload_checksum.h"

namespace qs {

uint32_t PayloadChecksum(const uint8_t* data, int64_t length) {
  uint32_t sum = kPayloadChecksumSeed;
  if (data == nullptr || length <= 0) return sum;

  const uint64_t size = static_cast<uint64_t>(length);
  const uint64_t wholeWords = size / 4 * 4;
  for (uint64_t i = 0; i < wholeWords; i += 4) {
    sum += uint32_t{data[i]} | (uint32_t{data[i + 1]} << 8) | (uint32_t{data[i + 2]} << 16) |
           (uint32_t{data[i + 3]} << 24);
  }
  // The tail bytes count as signed chars: 0xFF adds -1, not 255.
  for (uint64_t i = wholeWords; i < size; ++i) {
    sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(data[i])));
  }
  return sum + static_cast<uint32_t>(size);
}

}  // namespace qs
