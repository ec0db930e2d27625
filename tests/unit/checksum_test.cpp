#include "core/payload_checksum.h"

#include <gtest/gtest.h>

#include <vector>

namespace qs {
namespace {

uint32_t Checksum(const std::vector<uint8_t>& bytes) {
  return PayloadChecksum(bytes.data(), static_cast<int64_t>(bytes.size()));
}

TEST(PayloadChecksumTest, EmptyOrNullGivesTheSeed) {
  const uint8_t byte = 1;
  EXPECT_EQ(PayloadChecksum(nullptr, 10), 0x79E2BC9Du);
  EXPECT_EQ(PayloadChecksum(&byte, 0), 0x79E2BC9Du);
  EXPECT_EQ(PayloadChecksum(&byte, -1), 0x79E2BC9Du);
}

TEST(PayloadChecksumTest, AddsWordsSignedTailBytesAndLength) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    uint32_t expected;
  };
  const Case cases[] = {
      {"abc", {'a', 'b', 'c'}, 0x79E2BDC6},
      {"one little-endian word", {0x01, 0x02, 0x03, 0x04}, 0x79E2BC9Du + 0x04030201u + 4},
      // Tail bytes are sign-extended: 0xFF adds -1 and 0x80 adds -128.
      {"0xFF tail", {0xFF}, 0x79E2BC9Du - 1 + 1},
      {"word and 0x80 0xFF tail",
       {0, 0, 0, 0x80, 0x80, 0xFF},
       0x79E2BC9Du + 0x80000000u - 128 - 1 + 6},
      // A whole word of 0xFF is not sign-extended per byte: it adds 0xFFFFFFFF.
      {"0xFF word", {0xFF, 0xFF, 0xFF, 0xFF}, 0x79E2BC9Du + 0xFFFFFFFFu + 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Checksum(c.bytes), c.expected) << c.name;
  }
}

TEST(PayloadChecksumTest, SumWrapsAround) {
  const std::vector<uint8_t> bytes(4 * 1000, 0xFF);
  EXPECT_EQ(Checksum(bytes), 0x79E2BC9Du - 1000 + 4000);
}

TEST(PayloadChecksumTest, ReadsOnlyTheGivenLength) {
  // A tail of 3 bytes followed by more data must not be read as a whole word.
  const std::vector<uint8_t> bytes = {'a', 'b', 'c', 'd', 'e'};
  EXPECT_EQ(PayloadChecksum(bytes.data(), 3), 0x79E2BDC6u);
}

}  // namespace
}  // namespace qs
