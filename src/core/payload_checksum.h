#pragma once
#include <cstdint>

namespace qs {

inline constexpr uint32_t kPayloadChecksumSeed = 0x79E2BC9D;

// Additive checksum: the seed, plus every whole little-endian 32-bit word, plus each of the
// 1-3 trailing bytes as a sign-extended byte, plus the length. Null data or a length <= 0
// gives the seed.
uint32_t PayloadChecksum(const uint8_t* data, int64_t length);

}  // namespace qs
