#include "core/blowfish.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace qs {
namespace {

std::array<uint8_t, 8> BytesOf(uint64_t value) {
  std::array<uint8_t, 8> bytes{};
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (56 - 8 * i));
  return bytes;
}

// Our key schedule reads the key as little-endian words where the textbook one reads them
// big-endian, so a published key is given to us with each 4-byte word reversed.
std::array<uint8_t, 8> OurKeyFor(uint64_t publishedKey) {
  const std::array<uint8_t, 8> bytes = BytesOf(publishedKey);
  return {bytes[3], bytes[2], bytes[1], bytes[0], bytes[7], bytes[6], bytes[5], bytes[4]};
}

TEST(BlowfishTest, MatchesPublishedVectors) {
  struct Case {
    uint64_t key;
    uint64_t plain;
    uint64_t cipher;
  };
  const Case cases[] = {
      {0x0000000000000000, 0x0000000000000000, 0x4EF997456198DD78},
      {0xFFFFFFFFFFFFFFFF, 0xFFFFFFFFFFFFFFFF, 0x51866FD5B85ECB8A},
      {0x3000000000000000, 0x1000000000000001, 0x7D856F9A613063F2},
      {0x1111111111111111, 0x1111111111111111, 0x2466DD878B963C9D},
      {0x0123456789ABCDEF, 0x1111111111111111, 0x61F9C3802281B096},
      {0xFEDCBA9876543210, 0x0123456789ABCDEF, 0x0ACEAB0FC6A0A28D},
  };
  for (const Case& c : cases) {
    const std::array<uint8_t, 8> key = OurKeyFor(c.key);
    const Blowfish cipher(key);
    uint32_t left = static_cast<uint32_t>(c.plain >> 32);
    uint32_t right = static_cast<uint32_t>(c.plain);
    cipher.EncryptBlock(left, right);
    EXPECT_EQ((uint64_t{left} << 32) | right, c.cipher) << std::hex << "key " << c.key;
    cipher.DecryptBlock(left, right);
    EXPECT_EQ((uint64_t{left} << 32) | right, c.plain) << std::hex << "key " << c.key;

    // The same vector through the byte interface: blocks are two big-endian halves.
    std::array<uint8_t, 8> block = BytesOf(c.plain);
    cipher.Encrypt(block);
    EXPECT_EQ(block, BytesOf(c.cipher)) << std::hex << "key " << c.key;
  }
}

TEST(BlowfishTest, KeyIsReadAsLittleEndianWords) {
  // With the textbook byte order this key gives 61F9C3802281B096; with ours it must not.
  const std::array<uint8_t, 8> textbookKey = BytesOf(0x0123456789ABCDEF);
  const Blowfish cipher(textbookKey);
  uint32_t left = 0x11111111;
  uint32_t right = 0x11111111;
  cipher.EncryptBlock(left, right);
  EXPECT_NE((uint64_t{left} << 32) | right, 0x61F9C3802281B096u);
}

TEST(BlowfishTest, ByteInterfaceLeavesAShortTailAlone) {
  const std::array<uint8_t, 8> key = {1, 2, 3, 4, 5, 6, 7, 8};
  const Blowfish cipher(key);
  std::vector<uint8_t> data = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  const std::vector<uint8_t> original = data;
  cipher.Encrypt(data);
  EXPECT_NE(std::vector<uint8_t>(data.begin(), data.begin() + 16),
            std::vector<uint8_t>(original.begin(), original.begin() + 16));
  EXPECT_EQ(std::vector<uint8_t>(data.begin() + 16, data.end()),
            std::vector<uint8_t>(original.begin() + 16, original.end()));
  cipher.Decrypt(data);
  EXPECT_EQ(data, original);

  std::vector<uint8_t> tiny = {1, 2, 3};
  cipher.Encrypt(tiny);
  EXPECT_EQ(tiny, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(BlowfishTest, SealAndOpenRoundTripEveryPaddingLength) {
  const std::array<uint8_t, 8> key = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
  const Blowfish cipher(key);
  for (size_t size = 0; size <= 20; ++size) {
    std::vector<uint8_t> plain(size);
    for (size_t i = 0; i < size; ++i) plain[i] = static_cast<uint8_t>(0xA0 + i);
    const std::vector<uint8_t> sealed = BlowfishSeal(cipher, plain);
    EXPECT_EQ(sealed.size() % 8, 0u) << size;
    EXPECT_GE(sealed.size(), size + 4) << size;
    EXPECT_LE(sealed.size(), size + 11) << size;
    EXPECT_EQ(BlowfishOpen(cipher, sealed), plain) << size;
  }
}

// Seals a block whose trailer claims `length` for a total of `total` bytes.
std::vector<uint8_t> SealWithClaimedLength(const Blowfish& cipher, size_t total, uint32_t length) {
  std::vector<uint8_t> data(total, 0x5A);
  for (int i = 0; i < 4; ++i) data[total - 4 + i] = static_cast<uint8_t>(length >> (8 * i));
  cipher.Encrypt(data);
  return data;
}

TEST(BlowfishTest, OpenRejectsBadSizesAndLengths) {
  const std::array<uint8_t, 8> key = {0, 0, 0, 0, 0, 0, 0, 0};
  const Blowfish cipher(key);
  const std::vector<uint8_t> sealed = BlowfishSeal(cipher, std::vector<uint8_t>(10, 7));

  EXPECT_TRUE(BlowfishOpen(cipher, {}).empty());
  EXPECT_TRUE(BlowfishOpen(cipher, std::span(sealed).first(sealed.size() - 1)).empty());
  EXPECT_TRUE(BlowfishOpen(cipher, std::vector<uint8_t>(7, 0)).empty());

  struct Case {
    size_t total;
    uint32_t length;
    bool accepted;
  };
  const Case cases[] = {
      {16, 12, true}, {16, 4, true}, {16, 13, false},        {16, 3, false},  {8, 4, true},
      {8, 0, true},   {8, 5, false}, {8, 0xFFFFFFFF, false}, {24, 11, false}, {24, 12, true},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> opened =
        BlowfishOpen(cipher, SealWithClaimedLength(cipher, c.total, c.length));
    if (c.accepted) {
      EXPECT_EQ(opened, std::vector<uint8_t>(c.length, 0x5A)) << c.total << "/" << c.length;
    } else {
      EXPECT_TRUE(opened.empty()) << c.total << "/" << c.length;
    }
  }
}

}  // namespace
}  // namespace qs
