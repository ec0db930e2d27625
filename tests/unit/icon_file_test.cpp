// Icon files as the uninstaller's icon arrives, and the group resource made from them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "uninstall/icon_file.h"

namespace qs {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

struct Image {
  uint8_t width;
  uint8_t height;
  uint16_t bitCount;
  std::vector<uint8_t> data;
};

// An icon file with its images after the directory, in order.
std::vector<uint8_t> IconFile(const std::vector<Image>& images, uint16_t type = 1) {
  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, type);
  Put16(file, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const Image& image : images) {
    file.push_back(image.width);
    file.push_back(image.height);
    file.push_back(0);  // colours
    file.push_back(0);
    Put16(file, 1);  // planes
    Put16(file, image.bitCount);
    Put32(file, static_cast<uint32_t>(image.data.size()));
    Put32(file, offset);
    offset += static_cast<uint32_t>(image.data.size());
  }
  for (const Image& image : images) file.insert(file.end(), image.data.begin(), image.data.end());
  return file;
}

TEST(IconFile, ImagesAndTheirGroup) {
  const std::vector<uint8_t> file =
      IconFile({{16, 16, 32, {1, 2, 3}}, {0, 0, 32, {4, 5, 6, 7, 8}}});
  std::vector<IconImage> images;
  ASSERT_TRUE(ParseIconFile(file, images));
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].width, 16);
  EXPECT_EQ(images[0].bitCount, 32);
  EXPECT_EQ(std::vector<uint8_t>(images[0].data.begin(), images[0].data.end()),
            (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(images[1].width, 0);  // 256 pixels
  EXPECT_EQ(std::vector<uint8_t>(images[1].data.begin(), images[1].data.end()),
            (std::vector<uint8_t>{4, 5, 6, 7, 8}));

  const std::vector<uint8_t> group = IconGroupResource(images, {7, 300});
  const std::vector<uint8_t> expected = {
      0,  0,  1, 0, 2, 0,                                 // reserved, icon, two images
      16, 16, 0, 0, 1, 0, 32, 0, 3, 0, 0, 0, 7,    0,     // 16 x 16, 3 bytes, RT_ICON 7
      0,  0,  0, 0, 1, 0, 32, 0, 5, 0, 0, 0, 0x2C, 0x01,  // 256 x 256, 5 bytes, RT_ICON 300
  };
  EXPECT_EQ(group, expected);
  std::vector<uint16_t> ids;
  ASSERT_TRUE(IconGroupIds(group, ids));
  EXPECT_EQ(ids, (std::vector<uint16_t>{7, 300}));
}

TEST(IconFile, DamagedFilesAreRefused) {
  std::vector<uint8_t> good = IconFile({{32, 32, 8, {9, 9, 9, 9}}});
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
  };
  std::vector<Case> cases = {
      {"Empty", {}},
      {"ShortDirectory", {0, 0, 1, 0, 1}},
      {"Cursor", IconFile({{32, 32, 8, {1}}}, 2)},
      {"NoImages", IconFile({})},
      {"EntriesCut", std::vector<uint8_t>(good.begin(), good.begin() + 6 + 15)},
      {"DataCut", std::vector<uint8_t>(good.begin(), good.end() - 1)},
  };
  std::vector<uint8_t> reserved = good;
  reserved[0] = 1;
  cases.push_back({"ReservedNotZero", reserved});
  std::vector<uint8_t> farOffset = good;
  farOffset[6 + 12] = 0xF0;  // the offset points past the end
  farOffset[6 + 15] = 0xFF;
  cases.push_back({"OffsetPastTheEnd", farOffset});
  std::vector<uint8_t> hugeSize = good;
  hugeSize[6 + 8] = 0xFF;  // offset + size wraps around 32 bits
  hugeSize[6 + 9] = 0xFF;
  hugeSize[6 + 10] = 0xFF;
  hugeSize[6 + 11] = 0xFF;
  cases.push_back({"SizeWraps", hugeSize});
  std::vector<uint8_t> zeroSize = good;
  zeroSize[6 + 8] = 0;
  cases.push_back({"EmptyImage", zeroSize});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<IconImage> images;
    EXPECT_FALSE(ParseIconFile(c.file, images));
    EXPECT_TRUE(images.empty());
  }
  std::vector<IconImage> images;
  EXPECT_TRUE(ParseIconFile(good, images));
}

TEST(IconFile, ShortGroupsAreRefused) {
  std::vector<uint16_t> ids;
  EXPECT_FALSE(IconGroupIds(std::vector<uint8_t>{0, 0, 1, 0}, ids));
  // Two images announced, one there.
  EXPECT_FALSE(IconGroupIds(
      std::vector<uint8_t>{0, 0, 1, 0, 2, 0, 16, 16, 0, 0, 1, 0, 32, 0, 3, 0, 0, 0, 7, 0}, ids));
  EXPECT_TRUE(IconGroupIds(std::vector<uint8_t>{0, 0, 1, 0, 0, 0}, ids));
  EXPECT_TRUE(ids.empty());
}

}  // namespace
}  // namespace qs
