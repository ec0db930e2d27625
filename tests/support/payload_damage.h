#pragma once
// Damaging a built payload on purpose, for tests of the reader's checks. After changing
// bytes inside the file-data area, RefreshChecksums makes the outer checksums match again, so
// that the damage reaches the check under test instead of an earlier one.
#include <cstdint>
#include <cstring>
#include <vector>

#include "builder/container_writer.h"
#include "core/payload_checksum.h"

namespace qs::test_support {

inline uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + offset, 4);  // tests run on little-endian machines
  return value;
}

inline void SetU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  std::memcpy(bytes.data() + offset, &value, 4);
}

// Recomputes the checksum of the whole file-data area.
inline void RefreshAreaChecksum(std::vector<uint8_t>& section,
                                const builder::PayloadLayout& layout) {
  const int64_t size = static_cast<int64_t>(layout.payloadEnd - layout.fileDataOffset);
  SetU32(section, layout.fileDataChecksumOffset,
         PayloadChecksum(section.data() + layout.fileDataOffset, size));
}

// Recomputes every block checksum and the file-data checksum of `section`.
inline void RefreshChecksums(std::vector<uint8_t>& section, const builder::PayloadLayout& layout) {
  for (size_t block : layout.blockOffsets) {
    const uint32_t length = GetU32(section, block);
    if (block + 8 + length > section.size()) continue;  // a length damaged on purpose
    SetU32(section, block + 4, PayloadChecksum(section.data() + block + 8, length));
  }
  RefreshAreaChecksum(section, layout);
}

// The offset, inside `section`, of byte `streamOffset` of the unpacked entry stream of an
// uncompressed, unenciphered payload whose blocks are all `blockSize` long (but the last).
inline size_t StreamByteOffset(const builder::PayloadLayout& layout, size_t blockSize,
                               size_t streamOffset) {
  return layout.blockOffsets[streamOffset / blockSize] + 8 + streamOffset % blockSize;
}

}  // namespace qs::test_support
