// The payload container as the running stub reads it: the format version, every check of the
// header and the blocks (each damaged on purpose, expecting its error number), and entries
// that cross block boundaries.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "core/payload_checksum.h"
#include "core/payload_container.h"
#include "core/payload_format.h"
#include "harness_win.h"
#include "tests/support/payload_damage.h"

namespace qs::systest {
namespace {

using qs::test_support::GetU32;
using qs::test_support::RefreshChecksums;
using qs::test_support::SetU32;

class PayloadTest : public SystemTest {};

TEST_F(PayloadTest, OtherFormatVersionIsAVersionMessageNotACorruptReport) {
  builder::ContainerOptions options;
  options.formatVersion = "29.0.5";
  RunResult result = RunInstaller(MakeInstaller(MakePayload({MakeFile("a.txt", "a")}, options)));
  EXPECT_TRUE(EndedWithError(result, 1,
                             "The installer version (29.0.6) does not match the version of "
                             "Quillonet Setup (29.0.5).  Close all applications and reinstall "
                             "Quillonet Setup."))
      << result;
}

// Entries whose records are longer than a block: every one begins in one block and ends in a
// later one. All are installed, in order, with the progress of each; none is reported corrupt.
TEST_F(PayloadTest, EntriesSpanningBlocksAreReadInOrder) {
  const std::vector<builder::PayloadFile> files = {
      MakeFile("first.txt", std::string(100, 'x')),
      MakeFile("empty.txt", ""),
      MakeFile("docs\\second.txt", "The second file, long enough to cross a block or two."),
      MakeFile("last.bin", std::string("\0\1\2\3\xff\xfe", 6)),
  };
  for (bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "compressed blocks" : "stored blocks");
    builder::ContainerOptions options;
    options.compressBlocks = compressed;
    options.blockSize = 16;
    TestPayload payload = MakePayload(files, options);
    ASSERT_GT(payload.layout.blockOffsets.size(), files.size());

    const std::filesystem::path target = Folder() / (compressed ? "compressed" : "stored");
    RunResult result = RunInstaller(MakeInstaller(payload), L"/a /d:\"" + target.wstring() + L"\"");
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_FALSE(result.timedOut);
    EXPECT_TRUE(result.MessageTexts().empty()) << result;
    std::vector<std::string> destinations;
    for (const builder::PayloadFile& file : files) {
      destinations.push_back(WideToUtf8(target.wstring()) + "\\" + file.name);
      std::ifstream in(target / Utf8ToWide(file.name), std::ios::binary);
      const std::vector<uint8_t> content{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
      EXPECT_EQ(content, file.content) << file.name;
    }
    EXPECT_EQ(result.Items(), destinations) << result;
    // Each entry's progress step (28 to 90) comes before the entry, in order.
    std::vector<int> progress;
    for (const TranscriptRecord& record : result.Records("progress")) {
      const int percent = std::stoi(record.Field(0));
      if (percent >= 28 && percent <= 90) progress.push_back(percent);
    }
    EXPECT_EQ(progress, (std::vector<int>{28, 43, 59, 74})) << result;
  }
}

// ---- Damaged payloads ----

// The payload every damage starts from: two files in several small blocks.
TestPayload BasePayload(bool compressed) {
  builder::ContainerOptions options;
  options.compressBlocks = compressed;
  options.blockSize = 64;
  return MakePayload({MakeFile("readme.txt", std::string(150, 'r')),
                      MakeFile("data\\values.bin", std::string(90, '\x5a'))},
                     options);
}

void AddToU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t delta) {
  SetU32(bytes, offset, GetU32(bytes, offset) + delta);
}

// After damaging a block's own fields, only the checksum of the whole area is made right again,
// so that the damage reaches the block checks.
void RefreshFileDataChecksum(TestPayload& p) {
  qs::test_support::RefreshAreaChecksum(p.section, p.layout);
}

// The offset of byte `streamOffset` of the unpacked entry stream (stored blocks only).
size_t StreamByte(const TestPayload& p, size_t streamOffset) {
  return qs::test_support::StreamByteOffset(p.layout, 64, streamOffset);
}

struct Corruption {
  const char* name;
  bool compressed;
  int error;
  void (*damage)(TestPayload& payload);
};

const Corruption kCorruptions[] = {
    {"Magic", true, kErrorMagic, [](TestPayload& p) { SetU32(p.section, 0, 0x12345678); }},
    {"SettingsSizeZero", true, kErrorSettingsSize,
     [](TestPayload& p) { SetU32(p.section, p.layout.settingsPackedSizeOffset, 0); }},
    {"SettingsSizeAtLimit", true, kErrorSettingsSize,
     [](TestPayload& p) {
       SetU32(p.section, p.layout.settingsPackedSizeOffset, kSettingsPackedSizeLimit);
     }},
    {"PayloadEndNegative", true, kErrorPayloadEnd,
     [](TestPayload& p) { SetU32(p.section, p.layout.payloadEndOffset, 0xFFFFFFF0); }},
    {"EntryCountNegative", true, kErrorEntryCount,
     [](TestPayload& p) { SetU32(p.section, p.layout.entryCountOffset, 0xFFFFFFFF); }},
    {"FileDataSizeNegative", true, kErrorFileDataSize,
     [](TestPayload& p) { SetU32(p.section, p.layout.fileDataSizeOffset, 0x80000000); }},
    {"ContentSizeAboveLimit", true, kErrorContentSizeTable,
     [](TestPayload& p) { SetU32(p.section, p.layout.contentSizesOffset + 4, 0x40000001); }},
    {"ContentSizeNegative", true, kErrorContentSizeTable,
     [](TestPayload& p) { SetU32(p.section, p.layout.contentSizesOffset, 0xFFFFFFFF); }},
    // A flipped byte in the blob: the stream does not inflate.
    {"SettingsBlobDamaged", true, kErrorSettingsInflate,
     [](TestPayload& p) { p.section[p.layout.settingsBlobOffset + 4] ^= 0x55; }},
    // The blob still unscrambles and inflates, but its checksum is not the stored one.
    {"SettingsChecksumDiffers", true, kErrorSettingsChecksum,
     [](TestPayload& p) {
       const size_t at = p.layout.settingsChecksumOffset;
       const size_t blob = p.layout.settingsBlobOffset;
       std::span<uint8_t> bytes(p.section.data() + blob, p.layout.fileDataOffset - blob);
       XorScramble(bytes, GetU32(p.section, at));
       AddToU32(p.section, at, 1);
       XorScramble(bytes, GetU32(p.section, at));
     }},
    {"FileDataSizeDiffers", true, kErrorFileDataSizeMismatch,
     [](TestPayload& p) { AddToU32(p.section, p.layout.fileDataSizeOffset, 0xFFFFFFFF); }},
    {"FileDataChecksum", true, kErrorFileDataChecksum,
     [](TestPayload& p) { AddToU32(p.section, p.layout.fileDataChecksumOffset, 1); }},
    {"BlockChecksum", true, kErrorBlockChecksum,
     [](TestPayload& p) {
       AddToU32(p.section, p.layout.blockOffsets[0] + 4, 1);
       RefreshFileDataChecksum(p);
     }},
    {"SecondBlockChecksum", false, kErrorBlockChecksum,
     [](TestPayload& p) {
       AddToU32(p.section, p.layout.blockOffsets[1] + 4, 1);
       RefreshFileDataChecksum(p);
     }},
    {"BlockLengthZero", true, kErrorBlockLength,
     [](TestPayload& p) {
       SetU32(p.section, p.layout.blockOffsets[0], 0);
       RefreshFileDataChecksum(p);
     }},
    {"BlockLongerThanArea", true, kErrorBlockOverrun,
     [](TestPayload& p) {
       SetU32(p.section, p.layout.blockOffsets[0], 0x00100000);
       RefreshFileDataChecksum(p);
     }},
    // Checksums made right again: the block itself is bad zlib.
    {"BlockDoesNotInflate", true, kErrorBlockInflate,
     [](TestPayload& p) {
       p.section[p.layout.blockOffsets[0] + 8 + 2] ^= 0x55;
       RefreshChecksums(p.section, p.layout);
     }},
    // Byte 4 of the stream is the first byte of the first entry's name.
    {"EmptyEntryName", false, kErrorEntryName,
     [](TestPayload& p) {
       p.section[StreamByte(p, 4)] = 0;
       RefreshChecksums(p.section, p.layout);
     }},
    // The name "readme.txt\0", kind, flags, attributes, six date fields, four empty strings,
    // then the content.
    {"ContentChecksum", false, kErrorContentChecksum,
     [](TestPayload& p) {
       p.section[StreamByte(p, 4 + 11 + 4 * 9 + 4 + 10)] ^= 0x01;
       RefreshChecksums(p.section, p.layout);
     }},
    {"EntryKindOutsideTable", false, kErrorEntryKind,
     [](TestPayload& p) {
       SetU32(p.section, StreamByte(p, 4 + 11), 2);
       RefreshChecksums(p.section, p.layout);
     }},
};

class PayloadCorruption : public SystemTest, public ::testing::WithParamInterface<Corruption> {};

TEST_P(PayloadCorruption, IsReportedByItsNumber) {
  const Corruption& c = GetParam();
  TestPayload payload = BasePayload(c.compressed);
  c.damage(payload);
  RunResult result = RunInstaller(MakeInstaller(payload));
  EXPECT_TRUE(EndedWithCorruptReport(result, c.error)) << result;
}

INSTANTIATE_TEST_SUITE_P(Stub, PayloadCorruption, ::testing::ValuesIn(kCorruptions),
                         [](const auto& info) { return std::string(info.param.name); });

// The installer-image checksum covers the program before its payload; it is checked only when
// the product asks for it.
TEST_F(PayloadTest, DamagedImageIsReportedWhenTheProductChecksIt) {
  for (bool checked : {false, true}) {
    SCOPED_TRACE(checked ? "checked" : "not checked");
    TestPayload payload =
        MakePayload({MakeFile("a.txt", "a")}, {}, checked ? kFlagVerifyInstallerImage : 0);
    std::vector<uint8_t> installer = MakeInstaller(payload, /*checksumImage=*/true);
    // The last byte of the header area: padding that the loader ignores.
    const uint32_t peHeader = GetU32(installer, 60);
    const uint32_t sizeOfHeaders = GetU32(installer, peHeader + 24 + 60);
    installer[sizeOfHeaders - 1] ^= 0xFF;
    const std::filesystem::path target = Folder() / (checked ? "checked" : "unchecked");
    RunResult result = RunInstaller(installer, L"/a /d:\"" + target.wstring() + L"\"");
    if (checked) {
      EXPECT_TRUE(EndedWithCorruptReport(result, kErrorImageChecksum)) << result;
    } else {
      EXPECT_EQ(result.exitCode, 1u) << result;
      EXPECT_TRUE(result.MessageTexts().empty()) << result;
      EXPECT_EQ(result.Items(), std::vector<std::string>{WideToUtf8(target.wstring()) + "\\a.txt"})
          << result;
    }
  }
}

}  // namespace
}  // namespace qs::systest
