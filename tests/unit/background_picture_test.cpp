// The background picture as the window draws it: rows top first, palette colours looked up, and
// the transparent index turned into a mask.
#include "ui/background_picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/bmp_fixture.h"

namespace qs {
namespace {

using test_support::Bmp;

// 3 x 2 at 8 bits: palette red, green, blue, white; bottom row stored first, each row padded
// to 4 bytes.
std::vector<uint8_t> EightBit() {
  return Bmp(3, 2, 8, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
             {/* bottom */ 2, 2, 3, 0, /* top */ 0, 1, 2, 0});
}

TEST(BackgroundPictureDecoding, PaletteRowsComeTopFirst) {
  const BackgroundPicture picture = DecodeBackgroundPicture(EightBit(), -1);
  EXPECT_EQ(picture.width, 3);
  EXPECT_EQ(picture.height, 2);
  EXPECT_EQ(picture.pixels,
            (std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0x0000FF, 0x0000FF, 0xFFFFFF}));
  EXPECT_TRUE(picture.mask.empty());
}

TEST(BackgroundPictureDecoding, TheTransparentIndexIsBlackInTheImageAndWhiteInTheMask) {
  const BackgroundPicture picture = DecodeBackgroundPicture(EightBit(), 2);
  EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{0xFF0000, 0x00FF00, 0, 0, 0, 0xFFFFFF}));
  EXPECT_EQ(picture.mask, (std::vector<uint32_t>{0, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0}));
  // An index the palette does not have masks nothing.
  const BackgroundPicture unused = DecodeBackgroundPicture(EightBit(), 200);
  EXPECT_EQ(unused.mask, std::vector<uint32_t>(6, 0));
}

TEST(BackgroundPictureDecoding, OtherDepthsAndTopDownRows) {
  // 1 bit: 10 pixels in two bytes, padded to four; index 1 transparent.
  const BackgroundPicture mono =
      DecodeBackgroundPicture(Bmp(10, 1, 1, {0x000000, 0xFFFFFF}, {0xA0, 0x40, 0, 0}), 1);
  EXPECT_EQ(mono.pixels, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(mono.mask, (std::vector<uint32_t>{0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0xFFFFFF}));
  // 4 bits: the high nibble first.
  const BackgroundPicture nibbles =
      DecodeBackgroundPicture(Bmp(3, 1, 4, {0x111111, 0x222222, 0x333333}, {0x21, 0x00, 0, 0}), -1);
  EXPECT_EQ(nibbles.pixels, (std::vector<uint32_t>{0x333333, 0x222222, 0x111111}));
  // 24 bits top-down (negative height): blue, green, red in the file; the transparent index
  // means nothing without a palette.
  const BackgroundPicture direct =
      DecodeBackgroundPicture(Bmp(1, -2, 24, {}, {0x30, 0x20, 0x10, 0, 0x03, 0x02, 0x01, 0}), 0);
  EXPECT_EQ(direct.pixels, (std::vector<uint32_t>{0x102030, 0x010203}));
  EXPECT_TRUE(direct.mask.empty());
  // 16 bits, 5-5-5: full red and full blue.
  const BackgroundPicture high =
      DecodeBackgroundPicture(Bmp(2, 1, 16, {}, {0x00, 0x7C, 0x1F, 0x00}), -1);
  EXPECT_EQ(high.pixels, (std::vector<uint32_t>{0xFF0000, 0x0000FF}));
}

TEST(BackgroundPictureDecoding, WhatCannotBeDrawnGivesNoPicture) {
  std::vector<uint8_t> cut = EightBit();
  cut.pop_back();
  std::vector<uint8_t> notBmp = EightBit();
  notBmp[0] = 'X';
  const std::vector<std::vector<uint8_t>> files = {
      {},
      cut,
      notBmp,
      Bmp(3, 2, 8, {0xFF0000}, {2, 2, 3, 0, 0, 1, 2, 0}, /* RLE8 */ 1),
      Bmp(0, 2, 24, {}, {}),
      Bmp(3, 2, 2, {0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}),
      Bmp(100000, 100000, 24, {}, {}),
  };
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(i);
    const BackgroundPicture picture = DecodeBackgroundPicture(files[i], -1);
    EXPECT_EQ(picture.width, 0);
    EXPECT_TRUE(picture.pixels.empty());
  }
}

}  // namespace
}  // namespace qs
