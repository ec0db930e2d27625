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

// The x86 program is PE32 and the x64 one PE32+: what differs between them lies in the
// optional header, which the writer reads around.
constexpr struct Kind {
  const char* name;
  bool pe32Plus;
} kKinds[] = {{"PE32", false}, {"PE32+", true}};

TEST(SetupSection, AppendedSectionIsFoundWhereWindowsWillMapIt) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const TestStubOptions options{.pe32Plus = kind.pe32Plus};
    const std::vector<uint8_t> stub = MakeTestStub(options);
    const std::vector<uint8_t> payload(5000, 0xAB);
    std::vector<uint8_t> installer;
    builder::AppendedSection appended;
    std::string error;
    ASSERT_TRUE(builder::AppendSetupSection(stub, payload, installer, appended, error)) << error;

    MemoryByteSource source(installer);
    SetupSectionLocation found;
    int code = 0;
    ASSERT_EQ(LocateSetupSection(source, found, code), SectionLookup::kFound);
    const uint32_t table = test_support::TestSectionTable(options);
    EXPECT_EQ(found.sectionTableOffset, table);
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
    EXPECT_EQ(std::memcmp(&installer[table + 4 * 40], ".setup\0\0", 8), 0);
    EXPECT_EQ(GetU32(installer, table + 4 * 40 + 36), 0x40000040u);
    // Everything else in the headers, the 64-bit image base among it, is the stub's.
    std::vector<uint8_t> headers(installer.begin(), installer.begin() + 0x1000);
    std::vector<uint8_t> expected(stub.begin(), stub.begin() + 0x1000);
    const size_t count = test_support::kTestPeOffset + 6;
    for (size_t at : {count, opt + 8, opt + 56}) {
      std::memcpy(&headers[at], &expected[at], at == count ? 2 : 4);
    }
    std::fill_n(headers.begin() + table + 4 * 40, 40, 0);
    EXPECT_EQ(headers, expected);
  }
}

TEST(SetupSection, StrippedCopyIsTheStubAgain) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const std::vector<uint8_t> stub = MakeTestStub({.pe32Plus = kind.pe32Plus});
    std::vector<uint8_t> installer;
    builder::AppendedSection appended;
    std::string error;
    ASSERT_TRUE(builder::AppendSetupSection(stub, std::vector<uint8_t>(100, 1), installer, appended,
                                            error));
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
    std::function<void(std::vector<uint8_t>&, size_t table)> damage;
    SectionLookup lookup;
    int error;
  };
  const Row rows[] = {
      {"PeOffsetBelow64", [](auto& b, size_t) { b[0x3C] = 63; }, SectionLookup::kCorrupt, 43},
      {"PeOffsetAbove4096", [](auto& b, size_t) { test_support::Put16At(b, 0x3C, 4097); },
       SectionLookup::kCorrupt, 43},
      {"FileTooShort", [](auto& b, size_t) { b.resize(50); }, SectionLookup::kCorrupt, 43},
      {"ThreeSections", [](auto& b, size_t) { b[test_support::kTestPeOffset + 6] = 3; },
       SectionLookup::kCorrupt, 44},
      {"HundredSections", [](auto& b, size_t) { b[test_support::kTestPeOffset + 6] = 100; },
       SectionLookup::kCorrupt, 44},
      {"NoOptionalHeaderSize", [](auto& b, size_t) { b.resize(test_support::kTestPeOffset + 20); },
       SectionLookup::kCorrupt, 44},
      {"NoRawData",
       [](auto& b, size_t table) {
         std::memcpy(&b[table + 40], ".setup\0\0", 8);
         test_support::Put32At(b, table + 40 + 20, 0);
       },
       SectionLookup::kCorrupt, 9},
      {"NameIsCaseSensitive",
       [](auto& b, size_t table) { std::memcpy(&b[table], ".SETUP\0\0", 8); },
       SectionLookup::kNotFound, 0},
      {"TableCutOff", [](auto& b, size_t table) { b.resize(table + 60); }, SectionLookup::kNotFound,
       0},
      // The table lies where SizeOfOptionalHeader says, whatever the kind's usual size.
      {"SetupAfterAShortOptionalHeader",
       [](auto& b, size_t table) {
         test_support::Put16At(b, test_support::kTestPeOffset + 20, 96);
         const size_t entry = test_support::kTestPeOffset + 24 + 96 + 40;
         std::memcpy(&b[entry], ".setup\0\0", 8);
         test_support::Put32At(b, entry + 20, 0x3000);
         std::memcpy(&b[table + 40], ".setup\0\0", 8);
         test_support::Put32At(b, table + 40 + 20, 0);  // not this one
       },
       SectionLookup::kFound, 0},
  };
  for (const Kind& kind : kKinds) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(kind.name) + " " + row.name);
      const TestStubOptions options{.pe32Plus = kind.pe32Plus};
      std::vector<uint8_t> file = MakeTestStub(options);
      row.damage(file, test_support::TestSectionTable(options));
      MemoryByteSource source(file);
      SetupSectionLocation found;
      int error = -1;
      EXPECT_EQ(LocateSetupSection(source, found, error), row.lookup);
      EXPECT_EQ(error, row.error);
    }
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
  const size_t optional = test_support::kTestPeOffset + 24;
  const auto stub64 = [&](const std::function<void(std::vector<uint8_t>&)>& change) {
    std::vector<uint8_t> b = MakeTestStub({.pe32Plus = true});
    change(b);
    return b;
  };
  const auto stub32 = [&](const std::function<void(std::vector<uint8_t>&)>& change) {
    std::vector<uint8_t> b = MakeTestStub();
    change(b);
    return b;
  };
  const auto optionalSize = [](uint16_t size) {
    return [size](std::vector<uint8_t>& b) {
      test_support::Put16At(b, test_support::kTestPeOffset + 20, size);
    };
  };
  // The certificate directory is the fifth: at 128 in a PE32 optional header, 144 in PE32+.
  std::vector<uint8_t> signed32 = MakeTestStub();
  test_support::Put32At(signed32, optional + 128, 0x5000);
  test_support::Put32At(signed32, optional + 132, 0x200);
  const Row rows[] = {
      {"AlreadyHasSetup", withSetup, "already has a .setup section"},
      {"NoRoomForAnEntry", full, "no room"},
      {"NotAnExecutable", notPe, "not a Windows executable"},
      {"TooFewSections", MakeTestStub({.sectionCount = 2}), "between 3 and 98 sections"},
      {"TooFewSections64", MakeTestStub({.sectionCount = 2, .pe32Plus = true}),
       "between 3 and 98 sections"},
      {"UnknownMagic", stub64([](auto& b) { test_support::Put16At(b, optional, 0x107); }),
       "unknown optional header magic 0x107"},
      // 96 bytes hold a PE32 optional header's fixed part but not a PE32+ one's.
      {"TruncatedOptionalHeader64", stub64(optionalSize(96)),
       "the PE32+ optional header is truncated (96 bytes, at least 112 needed)"},
      {"TruncatedOptionalHeader32", stub32(optionalSize(64)),
       "the PE32 optional header is truncated (64 bytes, at least 96 needed)"},
      {"OptionalHeaderPastTheFile",
       stub64([](auto& b) { b.resize(test_support::kTestPeOffset + 24 + 200); }),
       "the PE32+ optional header is truncated"},
      {"MoreDirectoriesThanRoom",
       stub64([](auto& b) { test_support::Put32At(b, optional + 108, 17); }),
       "no room for its 17 data directories"},
      {"Signed32", signed32, "the stub is signed"},
      {"Signed64", stub64([](auto& b) {
         test_support::Put32At(b, optional + 144, 0x5000);
         test_support::Put32At(b, optional + 148, 0x200);
       }),
       "the stub is signed"},
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

TEST(SetupSection, DirectoriesAreReadWhereTheKindHasThem) {
  // A directory at the offset the other kind keeps its certificate directory at: PE32+ has its
  // resource directory at 128, PE32 its debug directory at 144. Neither is a signature.
  const size_t optional = test_support::kTestPeOffset + 24;
  for (const auto& [kind, at] : {std::pair{kKinds[0], 144}, std::pair{kKinds[1], 128}}) {
    SCOPED_TRACE(kind.name);
    std::vector<uint8_t> stub = MakeTestStub({.pe32Plus = kind.pe32Plus});
    test_support::Put32At(stub, optional + at, 0x4000);
    test_support::Put32At(stub, optional + at + 4, 0x100);
    std::vector<uint8_t> installer;
    builder::AppendedSection appended;
    std::string error;
    EXPECT_TRUE(
        builder::AppendSetupSection(stub, std::vector<uint8_t>(10), installer, appended, error))
        << error;
  }
}

TEST(SetupSection, InstallerChecksumCoversTheImageAfterTheChecksumField) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    const std::vector<uint8_t> stub = MakeTestStub({.pe32Plus = kind.pe32Plus});
    std::vector<uint8_t> payload(64, 0);
    std::vector<uint8_t> installer;
    std::string error;
    ASSERT_TRUE(builder::BuildInstallerImage(stub, payload, true, 16, installer, error)) << error;
    // The field after CheckSum, at the same place in both kinds of optional header.
    const size_t start = test_support::kTestPeOffset + kImageChecksumStart;
    EXPECT_EQ(GetU32(installer, stub.size() + 16),
              PayloadChecksum(installer.data() + start, static_cast<int64_t>(stub.size() - start)));
  }
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
