// The tools read installers that may be damaged in any byte: every damage must end in a
// reported error or a clean read, never a crash or a read out of bounds (the sanitizers
// watch this test).
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "builder/container_writer.h"
#include "builder/installer_reader.h"
#include "builder/pe_section_writer.h"
#include "builder/settings_writer.h"
#include "core/payload_format.h"
#include "tests/support/pe_fixture.h"
#include "tests/support/settings_fixture.h"

namespace qs::builder {
namespace {

std::vector<uint8_t> MakeInstaller(bool compress, bool encipher, bool fileDataFromFile = false,
                                   bool pe32Plus = false) {
  std::vector<PayloadFile> files(3);
  files[0].name = "a.txt";
  files[0].content.assign(300, 'a');
  files[1].name = "dir\\b.bin";
  files[1].flags = kEntryDesktop;
  files[1].icon = "b.ico";
  files[2].name = "c.msi";
  files[2].kind = kMsiPackage;
  files[2].content.assign(70, 'c');
  ContainerOptions options;
  options.compressBlocks = compress;
  options.blockSize = 64;
  if (encipher) options.blowfishKey = std::array<uint8_t, 8>{1, 1, 2, 3, 5, 8, 13, 21};
  ProductSettings product = test_support::FullSettings();
  product.ProductFlags = kFlagVerifyInstallerImage | (compress ? kFlagCompressedBlocks : 0);
  product.masterName.clear();
  product.masterKey.clear();
  product.uninstallerIcon.clear();
  product.fileDataFromFile = fileDataFromFile ? 1 : 0;
  std::vector<uint8_t> settings;
  std::string error;
  EXPECT_TRUE(WriteSettingsStream(product, settings, error)) << error;
  std::vector<uint8_t> payload;
  PayloadLayout layout;
  EXPECT_TRUE(BuildPayload(settings, files, options, payload, error, &layout)) << error;
  std::vector<uint8_t> installer;
  EXPECT_TRUE(BuildInstallerImage(test_support::MakeTestStub({.pe32Plus = pe32Plus}), payload, true,
                                  layout.installerChecksumOffset, installer, error,
                                  fileDataFromFile ? SectionEnd::kAtPayload : SectionEnd::kPadded))
      << error;
  return installer;
}

int ReadAll(std::vector<uint8_t> bytes, int* entries = nullptr) {
  InstallerFile installer;
  ReadResult result = OpenInstallerBytes(std::move(bytes), installer);
  if (result.error != 0) return result.error;
  int count = 0;
  result = ReadEntries(installer, [&](const PayloadEntry&, int) { ++count; });
  if (entries) *entries = count;
  return result.error;
}

TEST(InstallerReader, ReadsWhatTheBuilderWrote) {
  for (bool pe32Plus : {false, true}) {
    for (bool compress : {false, true}) {
      for (bool encipher : {false, true}) {
        SCOPED_TRACE(testing::Message() << "pe32Plus " << pe32Plus << " compress " << compress
                                        << " encipher " << encipher);
        int entries = 0;
        EXPECT_EQ(ReadAll(MakeInstaller(compress, encipher, false, pe32Plus), &entries), 0);
        EXPECT_EQ(entries, 3);
      }
    }
  }
}

TEST(InstallerReader, NamesTheKindOfProgram) {
  struct Row {
    bool pe32Plus;
    PeKind kind;
    uint16_t machine;
    const char* description;
  };
  for (const Row& row : {Row{false, PeKind::kPe32, kMachineI386, "PE32 (x86)"},
                         Row{true, PeKind::kPe32Plus, kMachineAmd64, "PE32+ (x64)"}}) {
    SCOPED_TRACE(row.description);
    InstallerFile installer;
    ReadResult result =
        OpenInstallerBytes(MakeInstaller(true, false, false, row.pe32Plus), installer);
    ASSERT_EQ(result.error, 0) << result.message;
    EXPECT_EQ(installer.program.kind, row.kind);
    EXPECT_EQ(installer.program.machine, row.machine);
    EXPECT_EQ(DescribeImage(installer.program), row.description);
  }
}

// Headers that Windows would not have loaded are reported as such, and before a missing
// `.setup` section; the installer's own checks of its headers come first, with their numbers.
TEST(InstallerReader, DamagedProgramHeaders) {
  const size_t pe = test_support::kTestPeOffset;
  const size_t optional = pe + 24;
  struct Row {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    int error;
    const char* message;
  };
  const Row rows[] = {
      {"UnknownMagic", [&](auto& b) { test_support::Put16At(b, optional, 0x10C); },
       kReadNotAProgram, "unknown optional header magic 0x10C"},
      {"OptionalHeaderTruncated", [&](auto& b) { test_support::Put16At(b, pe + 20, 100); },
       kReadNotAProgram, "the PE32+ optional header is truncated"},
      {"FileEndsInTheOptionalHeader", [&](auto& b) { b.resize(optional + 50); }, kReadNotAProgram,
       "the PE32+ optional header is truncated"},
      {"NoPeSignature", [&](auto& b) { b[pe] = 'X'; }, kReadNotAProgram, "no PE signature"},
      {"NoMz", [&](auto& b) { b[0] = 'X'; }, kReadNotAProgram, "no MZ header"},
      {"SectionCountFirst",
       [&](auto& b) {
         test_support::Put16At(b, optional, 0x10C);
         b[pe + 6] = 100;
       },
       kErrorSectionCount, nullptr},
  };
  const std::vector<uint8_t> good = MakeInstaller(true, false, false, /*pe32Plus=*/true);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<uint8_t> bytes = good;
    row.damage(bytes);
    InstallerFile installer;
    ReadResult result = OpenInstallerBytes(std::move(bytes), installer);
    EXPECT_EQ(result.error, row.error) << result.message;
    if (row.message) {
      EXPECT_NE(result.message.find(row.message), std::string::npos) << result.message;
    }
  }
}

// A section whose virtual size runs far past its raw data is refused, not allocated (found by
// fuzz_installer: a virtual size of 4 GiB); up to the limit the section is read on, here to the
// image checksum, which the changed header no longer matches.
TEST(InstallerReader, ZeroFilledSectionTailIsBounded) {
  const std::vector<uint8_t> good = MakeInstaller(true, false);
  InstallerFile installer;
  ASSERT_EQ(OpenInstallerBytes(good, installer).error, 0);
  const SetupSectionLocation section = installer.section;
  const size_t virtualSizeAt = section.sectionTableOffset + 40 * section.sectionIndex + 8;
  struct Row {
    uint64_t tail;
    int error;
  };
  const Row rows[] = {{kMaxSectionZeroFill, kErrorImageChecksum},
                      {kMaxSectionZeroFill + 1ull, kReadSectionTooLarge},
                      {UINT32_MAX - section.rawSize, kReadSectionTooLarge}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tail);
    std::vector<uint8_t> bytes = good;
    test_support::Put32At(bytes, virtualSizeAt, static_cast<uint32_t>(section.rawSize + row.tail));
    const ReadResult result = OpenInstallerBytes(std::move(bytes), installer);
    EXPECT_EQ(result.error, row.error) << result.message;
  }
}

// File data kept out of the mapped image is read from the file, which must end with it.
TEST(InstallerReader, FileDataFromTheFile) {
  std::vector<uint8_t> bytes = MakeInstaller(true, false, /*fileDataFromFile=*/true);
  int entries = 0;
  EXPECT_EQ(ReadAll(bytes, &entries), 0);
  EXPECT_EQ(entries, 3);
  bytes.push_back(0);
  EXPECT_EQ(ReadAll(bytes), kErrorFileDataSizeMismatch);
}

TEST(InstallerReader, ImageChecksumCatchesAChangedStub) {
  std::vector<uint8_t> bytes = MakeInstaller(true, false);
  bytes[0x1000] ^= 1;  // first byte of the first section's data
  EXPECT_EQ(ReadAll(bytes), kErrorImageChecksum);
}

TEST(InstallerReader, SurvivesDamageInAnyByte) {
  for (bool compress : {false, true}) {
    for (bool encipher : {false, true}) {
      const std::vector<uint8_t> good = MakeInstaller(compress, encipher);
      std::mt19937 random(compress * 2 + encipher);
      for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> bytes = good;
        const int flips = 1 + round % 4;
        for (int i = 0; i < flips; ++i) {
          bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        }
        if (round % 7 == 0) bytes.resize(random() % bytes.size());
        ReadAll(std::move(bytes));  // any outcome but a crash
      }
    }
  }
}

// The headers are small beside the payload: damage aimed at them, in both kinds, cut short
// anywhere in them too.
TEST(InstallerReader, SurvivesDamageInTheHeaders) {
  for (bool pe32Plus : {false, true}) {
    const std::vector<uint8_t> good = MakeInstaller(true, false, false, pe32Plus);
    std::mt19937 random(pe32Plus);
    for (int round = 0; round < 1000; ++round) {
      std::vector<uint8_t> bytes = good;
      // Up to the section table: damage to a section's sizes would only make this slow.
      const size_t headers = test_support::kTestSectionTable64;
      bytes[random() % headers] ^= static_cast<uint8_t>(1 + random() % 255);
      if (round % 5 == 0) bytes.resize(random() % headers);
      ReadAll(std::move(bytes));  // any outcome but a crash
    }
  }
}

}  // namespace
}  // namespace qs::builder
