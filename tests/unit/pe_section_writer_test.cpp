// Appending `.setup` to a stub, finding it again, and taking it out for the uninstaller copy.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "builder/pe_section_writer.h"
#include "core/payload_checksum.h"
#include "core/payload_format.h"
#include "core/pe_sections.h"
#include "tests/support/payload_damage.h"
#include "tests/support/pe_fixture.h"

namespace qs {
namespace {

using test_support::GetU32;
using test_support::MakeTestStub;
using test_support::TestStubOptions;

uint32_t U16(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8;
}

TEST(SetupSection, AppendedSectionIsFoundWhereWindowsWillMapIt) {
  const std::vector<uint8_t> stub = MakeTestStub();
  const std::vector<uint8_t> payload(5000, 0xAB);
  std::vector<uint8_t> installer;
  builder::AppendedSection appended;
  std::string error;
  ASSERT_TRUE(builder::AppendSetupSection(stub, payload, installer, appended, error)) << error;

  MemoryByteSource source(installer);
  SetupSectionLocation found;
  int code = 0;
  ASSERT_EQ(LocateSetupSection(source, found, code), SectionLookup::kFound);
  EXPECT_EQ(found.sectionIndex, 4u);
  EXPECT_EQ(found.rawOffset, stub.size());  // already file-aligned
  EXPECT_EQ(found.rawSize, 0x2000u);
  EXPECT_EQ(found.virtualSize, 5000u);
  EXPECT_EQ(found.virtualAddress, 0x5000u);  // after the last section, section-aligned
  EXPECT_EQ(installer.size(), found.rawOffset + found.rawSize);
  EXPECT_EQ(std::vector<uint8_t>(installer.begin() + found.rawOffset,
                                 installer.begin() + found.rawOffset + payload.size()),
            payload);
  const size_t opt = test_support::kTestPeOffset + 24;
  EXPECT_EQ(U16(installer, test_support::kTestPeOffset + 6), 5u);
  EXPECT_EQ(GetU32(installer, opt + 56), 0x7000u);                        // size of image
  EXPECT_EQ(GetU32(installer, opt + 8), GetU32(stub, opt + 8) + 0x2000);  // initialized data
  EXPECT_EQ(GetU32(installer, test_support::kTestSectionTable + 4 * 40 + 36), 0x40000040u);
}

TEST(SetupSection, StrippedCopyIsTheStubAgain) {
  const std::vector<uint8_t> stub = MakeTestStub();
  std::vector<uint8_t> installer;
  builder::AppendedSection appended;
  std::string error;
  ASSERT_TRUE(
      builder::AppendSetupSection(stub, std::vector<uint8_t>(100, 1), installer, appended, error));
  // A signature added after the payload travels into the uninstaller copy.
  const std::vector<uint8_t> signature = {'S', 'I', 'G', '!'};
  installer.insert(installer.end(), signature.begin(), signature.end());

  MemoryByteSource source(installer);
  SetupSectionLocation found;
  int code = 0;
  ASSERT_EQ(LocateSetupSection(source, found, code), SectionLookup::kFound);
  std::vector<uint8_t> image(installer.begin(), installer.begin() + found.rawOffset);
  ASSERT_EQ(MakePayloadStrippedCopy(image, found, source), 0);
  std::vector<uint8_t> expected = stub;
  expected.insert(expected.end(), signature.begin(), signature.end());
  EXPECT_EQ(image, expected);
}

TEST(SetupSection, SectionsAfterTheSetupEntryMoveDownInTheCopy) {
  // `.setup` in the middle of the table, with a section whose data follows it in the file.
  std::vector<uint8_t> file = MakeTestStub({.sectionCount = 5, .lastSectionName = ".tail"});
  const size_t middle = test_support::kTestSectionTable + 3 * 40;
  std::memcpy(&file[middle], ".setup\0\0", 8);
  MemoryByteSource source(file);
  SetupSectionLocation found;
  int code = 0;
  ASSERT_EQ(LocateSetupSection(source, found, code), SectionLookup::kFound);
  ASSERT_EQ(found.sectionIndex, 3u);
  std::vector<uint8_t> image(file.begin(), file.begin() + found.rawOffset);
  ASSERT_EQ(MakePayloadStrippedCopy(image, found, source), 0);
  EXPECT_EQ(U16(image, test_support::kTestPeOffset + 6), 4u);
  EXPECT_EQ(std::memcmp(&image[middle], ".tail", 5), 0);
  EXPECT_EQ(GetU32(image, middle + 20), found.rawOffset);  // moved into the freed space
  EXPECT_EQ(image.size(), file.size() - 0x1000);
  EXPECT_EQ(image[found.rawOffset], 0x94);  // the tail section's first byte
}

TEST(SetupSection, LookupErrors) {
  struct Row {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    SectionLookup lookup;
    int error;
  };
  const Row rows[] = {
      {"PeOffsetBelow64", [](auto& b) { b[0x3C] = 63; }, SectionLookup::kCorrupt, 43},
      {"PeOffsetAbove4096", [](auto& b) { test_support::Put16At(b, 0x3C, 4097); },
       SectionLookup::kCorrupt, 43},
      {"FileTooShort", [](auto& b) { b.resize(50); }, SectionLookup::kCorrupt, 43},
      {"ThreeSections", [](auto& b) { b[test_support::kTestPeOffset + 6] = 3; },
       SectionLookup::kCorrupt, 44},
      {"HundredSections", [](auto& b) { b[test_support::kTestPeOffset + 6] = 100; },
       SectionLookup::kCorrupt, 44},
      {"NoRawData",
       [](auto& b) {
         std::memcpy(&b[test_support::kTestSectionTable + 40], ".setup\0\0", 8);
         test_support::Put32At(b, test_support::kTestSectionTable + 40 + 20, 0);
       },
       SectionLookup::kCorrupt, 9},
      {"NameIsCaseSensitive",
       [](auto& b) { std::memcpy(&b[test_support::kTestSectionTable], ".SETUP\0\0", 8); },
       SectionLookup::kNotFound, 0},
      {"TableCutOff", [](auto& b) { b.resize(test_support::kTestSectionTable + 60); },
       SectionLookup::kNotFound, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<uint8_t> file = MakeTestStub();
    row.damage(file);
    MemoryByteSource source(file);
    SetupSectionLocation found;
    int error = -1;
    EXPECT_EQ(LocateSetupSection(source, found, error), row.lookup);
    EXPECT_EQ(error, row.error);
  }
}

TEST(SetupSection, UnusableStubsAreRefused) {
  struct Row {
    const char* name;
    std::vector<uint8_t> stub;
    const char* message;
  };
  std::vector<uint8_t> withSetup = MakeTestStub({.lastSectionName = ".setup"});
  // Headers that end right after the section table leave no slot for another entry.
  std::vector<uint8_t> full = MakeTestStub();
  test_support::Put32At(full, test_support::kTestPeOffset + 24 + 60,
                        test_support::kTestSectionTable + 4 * 40);
  std::vector<uint8_t> notPe(4096, 0);
  const Row rows[] = {
      {"AlreadyHasSetup", withSetup, "already has a .setup section"},
      {"NoRoomForAnEntry", full, "no room"},
      {"NotAnExecutable", notPe, "not a Windows executable"},
      {"TooFewSections", MakeTestStub({.sectionCount = 2}), "between 3 and 98 sections"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<uint8_t> installer;
    builder::AppendedSection appended;
    std::string error;
    EXPECT_FALSE(builder::AppendSetupSection(row.stub, std::vector<uint8_t>(10), installer,
                                             appended, error));
    EXPECT_NE(error.find(row.message), std::string::npos) << error;
  }
}

TEST(SetupSection, InstallerChecksumCoversTheImageAfterTheChecksumField) {
  const std::vector<uint8_t> stub = MakeTestStub();
  std::vector<uint8_t> payload(64, 0);
  std::vector<uint8_t> installer;
  std::string error;
  ASSERT_TRUE(builder::BuildInstallerImage(stub, payload, true, 16, installer, error)) << error;
  const size_t start = test_support::kTestPeOffset + kImageChecksumStart;
  EXPECT_EQ(GetU32(installer, stub.size() + 16),
            PayloadChecksum(installer.data() + start, static_cast<int64_t>(stub.size() - start)));
}

}  // namespace
}  // namespace qs

namespace qs {
namespace {

// A file that shrinks between taking its size and reading its tail.
class ShrunkFile : public MemoryByteSource {
 public:
  using MemoryByteSource::MemoryByteSource;
  uint64_t Size() const override { return MemoryByteSource::Size() + 100; }
};

TEST(SetupSection, UnreadableTrailingBytesAreError42) {
  std::vector<uint8_t> installer;
  builder::AppendedSection appended;
  std::string error;
  ASSERT_TRUE(builder::AppendSetupSection(test_support::MakeTestStub(), std::vector<uint8_t>(10),
                                          installer, appended, error));
  ShrunkFile file(installer);
  SetupSectionLocation found;
  int code = 0;
  ASSERT_EQ(LocateSetupSection(file, found, code), SectionLookup::kFound);
  std::vector<uint8_t> image(installer.begin(), installer.begin() + found.rawOffset);
  EXPECT_EQ(MakePayloadStrippedCopy(image, found, file), kErrorTrailingBytes);
  EXPECT_EQ(image.size(), found.rawOffset);  // nothing half-appended
}

}  // namespace
}  // namespace qs
