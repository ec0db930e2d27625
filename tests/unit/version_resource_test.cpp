// Reading a file's version from the version resource of its PE image, and not being misled by
// damaged images.
#include "builder/version_resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/pe_fixture.h"

namespace qs::builder {
namespace {

using test_support::Put16At;
using test_support::Put32At;

// A block of a version resource, written the way resource compilers write it.
struct VersionBlock {
  std::u16string key;
  std::vector<uint8_t> value;  // bytes; UTF-16 with its NUL for text values
  bool text = false;
  std::vector<VersionBlock> children;
  std::optional<uint16_t> length;  // a wrong stated length, for damaged resources
};

void Pad4(std::vector<uint8_t>& out) {
  out.resize((out.size() + 3) & ~size_t{3}, 0);
}

std::vector<uint8_t> Serialize(const VersionBlock& block) {
  std::vector<uint8_t> out(6, 0);
  for (char16_t unit : block.key + u'\0') {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  }
  Pad4(out);
  out.insert(out.end(), block.value.begin(), block.value.end());
  for (const VersionBlock& child : block.children) {
    Pad4(out);
    const std::vector<uint8_t> bytes = Serialize(child);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  const size_t valueLength = block.text ? block.value.size() / 2 : block.value.size();
  Put16At(out, 0, block.length.value_or(static_cast<uint16_t>(out.size())));
  Put16At(out, 2, static_cast<uint16_t>(valueLength));
  Put16At(out, 4, block.text ? 1 : 0);
  return out;
}

std::vector<uint8_t> Text(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  for (char16_t unit : std::u16string(text) + u'\0') {
    bytes.push_back(static_cast<uint8_t>(unit));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return bytes;
}

std::vector<uint8_t> FixedInfo(uint32_t versionHigh, uint32_t versionLow,
                               uint32_t signature = 0xFEEF04BD) {
  std::vector<uint8_t> bytes(52, 0);
  Put32At(bytes, 0, signature);
  Put32At(bytes, 4, 0x10000);
  Put32At(bytes, 8, versionHigh);
  Put32At(bytes, 12, versionLow);
  return bytes;
}

VersionBlock Binary(std::u16string key, std::vector<uint8_t> value,
                    std::vector<VersionBlock> children = {}) {
  VersionBlock block;
  block.key = std::move(key);
  block.value = std::move(value);
  block.children = std::move(children);
  return block;
}

// StringFileInfo, a string table or VarFileInfo: text blocks without a value of their own.
VersionBlock Group(std::u16string key, std::vector<VersionBlock> children) {
  VersionBlock block = Binary(std::move(key), {}, std::move(children));
  block.text = true;
  return block;
}

VersionBlock StringEntry(std::u16string key, std::u16string_view value) {
  VersionBlock block = Binary(std::move(key), Text(value));
  block.text = true;
  return block;
}

// Version 1.2.3.4 with a FileVersion text that says so in its own words.
VersionBlock SampleVersionInfo() {
  return Binary(
      u"VS_VERSION_INFO", FixedInfo(0x00010002, 0x00030004),
      {Group(u"StringFileInfo",
             {Group(u"040904B0", {StringEntry(u"CompanyName", u"Acme"),
                                  StringEntry(u"FileVersion", u"1, 2, 3, 4 (release)")})}),
       Group(u"VarFileInfo", {Binary(u"Translation", {0x09, 0x04, 0xB0, 0x04})})});
}

// The image: headers, a code section and a resource section whose tree holds one resource of
// type `resourceType`, name 1, language 0x409. Offsets below are from the resource root.
constexpr uint32_t kRsrcRaw = 0x400;
constexpr uint32_t kRsrcRva = 0x2000;
constexpr uint32_t kTypeEntryTarget = 0x14;
constexpr uint32_t kNameDirectory = 0x18;
constexpr uint32_t kNameEntryTarget = 0x2C;
constexpr uint32_t kDataEntry = 0x48;
constexpr uint32_t kVersionData = 0x58;
constexpr uint32_t kPe = test_support::kTestPeOffset;

struct ImageOptions {
  bool pe64 = false;
  bool withResources = true;
  uint32_t resourceType = 16;
  VersionBlock info = SampleVersionInfo();
};

size_t OptionalHeader() {
  return kPe + 24;
}
size_t DataDirectoryCount(bool pe64) {
  return OptionalHeader() + (pe64 ? 108 : 92);
}

std::vector<uint8_t> MakeImage(const ImageOptions& o = {}) {
  const std::vector<uint8_t> version = Serialize(o.info);
  const uint32_t rsrcSize = static_cast<uint32_t>((kVersionData + version.size() + 0x1FF) & ~0x1FF);
  std::vector<uint8_t> b(kRsrcRaw + rsrcSize, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32At(b, 0x3C, kPe);
  Put32At(b, kPe, 0x00004550);
  const uint16_t optionalSize = o.pe64 ? 240 : 224;
  Put16At(b, kPe + 4, o.pe64 ? 0x8664 : 0x14C);
  Put16At(b, kPe + 6, 2);
  Put16At(b, kPe + 20, optionalSize);
  const size_t opt = OptionalHeader();
  Put16At(b, opt, o.pe64 ? 0x20B : 0x10B);
  Put32At(b, opt + 32, 0x1000);  // section alignment
  Put32At(b, opt + 36, 0x200);   // file alignment
  Put32At(b, opt + 56, kRsrcRva + 0x1000);
  Put32At(b, opt + 60, 0x200);
  Put32At(b, DataDirectoryCount(o.pe64), 16);
  if (o.withResources) {
    Put32At(b, DataDirectoryCount(o.pe64) + 4 + 2 * 8, kRsrcRva);
    Put32At(b, DataDirectoryCount(o.pe64) + 4 + 2 * 8 + 4, rsrcSize);
  }
  const size_t sections = opt + optionalSize;
  const char* names[] = {".text", ".rsrc"};
  for (uint32_t i = 0; i < 2; ++i) {
    const size_t entry = sections + 40 * i;
    std::memcpy(&b[entry], names[i], 5);
    Put32At(b, entry + 8, i == 0 ? 0x200 : rsrcSize);
    Put32At(b, entry + 12, 0x1000 * (i + 1));
    Put32At(b, entry + 16, i == 0 ? 0x200 : rsrcSize);
    Put32At(b, entry + 20, 0x200 * (i + 1));
  }

  // Three levels, one entry each: type, name, language, then the data entry and the data.
  const size_t root = kRsrcRaw;
  const uint32_t ids[] = {o.resourceType, 1, 0x409};
  for (uint32_t level = 0; level < 3; ++level) {
    const size_t directory = root + 0x18 * level;
    Put16At(b, directory + 14, 1);
    Put32At(b, directory + 16, ids[level]);
    Put32At(b, directory + 20, level < 2 ? (0x18 * (level + 1)) | 0x80000000u : kDataEntry);
  }
  Put32At(b, root + kDataEntry, kRsrcRva + kVersionData);
  Put32At(b, root + kDataEntry + 4, static_cast<uint32_t>(version.size()));
  std::copy(version.begin(), version.end(), b.begin() + root + kVersionData);
  return b;
}

using Damage = std::function<void(std::vector<uint8_t>&)>;

Damage SetRsrc32(uint32_t offset, uint32_t value) {
  return [=](std::vector<uint8_t>& b) { Put32At(b, kRsrcRaw + offset, value); };
}

struct Case {
  const char* name;
  ImageOptions image;
  Damage damage;
  std::optional<std::string> version;
  std::optional<std::string> text;
};

const char* const kSampleText = "1, 2, 3, 4 (release)";

VersionBlock WithCompanyNameLength(uint16_t length) {
  VersionBlock info = SampleVersionInfo();
  info.children[0].children[0].children[0].length = length;
  return info;
}

TEST(VersionResource, ReadsTheVersionOrNothing) {
  VersionBlock withoutStrings = SampleVersionInfo();
  withoutStrings.children.erase(withoutStrings.children.begin());
  VersionBlock badSignature = SampleVersionInfo();
  badSignature.value = FixedInfo(0x00010002, 0x00030004, 0x12345678);

  const Case cases[] = {
      {"PE32", {}, {}, "1.2.3.4", kSampleText},
      {"PE32+", {.pe64 = true}, {}, "1.2.3.4", kSampleText},
      {"every half-word in full",
       {.info = Binary(u"VS_VERSION_INFO", FixedInfo(0xFFFF0000, 0x8000FFFF))},
       {},
       "65535.0.32768.65535",
       std::nullopt},
      {"no string table", {.info = withoutStrings}, {}, "1.2.3.4", std::nullopt},
      {"fixed part without its signature", {.info = badSignature}, {}, std::nullopt, kSampleText},
      {"no resource directory", {.withResources = false}, {}, std::nullopt, std::nullopt},
      {"resources but no version resource", {.resourceType = 24}, {}, std::nullopt, std::nullopt},
      {"not an MZ file", {}, [](auto& b) { b[0] = 'X'; }, std::nullopt, std::nullopt},
      {"PE header offset past the end",
       {},
       [](auto& b) { Put32At(b, 0x3C, 0xFFFFFFF0); },
       std::nullopt,
       std::nullopt},
      {"fewer data directories than the resource one",
       {},
       [](auto& b) { Put32At(b, DataDirectoryCount(false), 2); },
       std::nullopt,
       std::nullopt},
      {"section count beyond the file",
       {},
       [](auto& b) { Put16At(b, kPe + 6, 0xFFFF); },
       "1.2.3.4",
       kSampleText},
      {"type entry leads back to the root",
       {},
       SetRsrc32(kTypeEntryTarget, 0x80000000),
       std::nullopt,
       std::nullopt},
      {"name directory leads to itself",
       {},
       SetRsrc32(kNameEntryTarget, kNameDirectory | 0x80000000),
       std::nullopt,
       std::nullopt},
      {"data outside every section", {}, SetRsrc32(kDataEntry, 0x9000), std::nullopt, std::nullopt},
      {"data longer than its section",
       {},
       SetRsrc32(kDataEntry + 4, 0x10000),
       std::nullopt,
       std::nullopt},
      {"version block longer than the data",
       {.info =
            [] {
              VersionBlock info = SampleVersionInfo();
              info.length = 0xFFFF;
              return info;
            }()},
       {},
       std::nullopt,
       std::nullopt},
      {"fixed part cut off by the end of the data",
       {.info =
            [] {
              VersionBlock info = SampleVersionInfo();
              info.length = 0x30;
              return info;
            }()},
       SetRsrc32(kDataEntry + 4, 0x30),
       std::nullopt,
       std::nullopt},
      {"string of zero length", {.info = WithCompanyNameLength(0)}, {}, "1.2.3.4", std::nullopt},
      {"string longer than its table",
       {.info = WithCompanyNameLength(0x7FFF)},
       {},
       "1.2.3.4",
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> image = MakeImage(c.image);
    if (c.damage) c.damage(image);
    EXPECT_EQ(ReadFileVersion(image), c.version);
    EXPECT_EQ(ReadFileVersionString(image), c.text);
  }
}

// Each prefix and each single-byte change is copied into an allocation of its own size, so
// that the sanitizers see any read past its end.
TEST(VersionResource, DamagedImagesNeverReadOutside) {
  for (bool pe64 : {false, true}) {
    SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
    const std::vector<uint8_t> image = MakeImage({.pe64 = pe64});
    for (size_t size = 0; size < image.size(); ++size) {
      const std::vector<uint8_t> prefix(image.begin(), image.begin() + size);
      const auto version = ReadFileVersion(prefix);
      const auto text = ReadFileVersionString(prefix);
      if (version) {
        EXPECT_EQ(*version, "1.2.3.4") << size;
      }
      if (text) {
        EXPECT_EQ(*text, kSampleText) << size;
      }
    }
    for (size_t at = 0; at < image.size(); ++at) {
      for (uint8_t value : {0x00, 0x7F, 0xFF}) {
        std::vector<uint8_t> damaged = image;
        damaged[at] = value;
        ReadFileVersion(damaged);
        ReadFileVersionString(damaged);
      }
    }
  }
}

TEST(VersionResource, ReadsTheStubsOwnVersion) {
  std::ifstream in(QS_SOURCE_DIR "/build/win32/src/quillonet-setup.exe", std::ios::binary);
  if (!in) GTEST_SKIP() << "the Windows build's stub is not there";
  const std::vector<uint8_t> stub{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(ReadFileVersion(stub), "29.0.6.0");
  EXPECT_EQ(ReadFileVersionString(stub), "29.0.6.0");
}

}  // namespace
}  // namespace qs::builder
