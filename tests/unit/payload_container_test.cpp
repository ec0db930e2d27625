// The container reader against payloads made by the builder's writer: round trips in every
// storage form, and one row per damage that the reader must report by its number.
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

#include "base/text.h"
#include "builder/container_writer.h"
#include "builder/installer_reader.h"
#include "core/payload_checksum.h"
#include "core/payload_container.h"
#include "core/payload_cursor.h"
#include "core/payload_entry.h"
#include "core/payload_format.h"
#include "core/target_path.h"
#include "tests/support/payload_damage.h"

namespace qs {
namespace {

using builder::BuildPayload;
using builder::ContainerOptions;
using builder::PayloadFile;
using builder::PayloadLayout;
using test_support::GetU32;
using test_support::RefreshChecksums;
using test_support::SetU32;

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::vector<uint8_t> SettingsWithFlags(uint64_t flags, size_t extra = 0) {
  std::vector<uint8_t> settings(8 + extra, 0x5A);
  for (int i = 0; i < 8; ++i) settings[i] = static_cast<uint8_t>(flags >> (8 * i));
  return settings;
}

// A narrow field as the installer reads it, with Latin-1 standing for the code page.
std::u16string Narrow(const std::string& stored) {
  return FromBarNarrow(stored, DecodeLatin1);
}

PayloadFile File(std::string name, std::string content) {
  PayloadFile file;
  file.name = std::move(name);
  file.content = Bytes(content);
  file.dateTime = {2019, 7, 5, 9, 3, 7};
  return file;
}

struct Built {
  std::vector<uint8_t> section;
  PayloadLayout layout;
};

Built Build(const std::vector<PayloadFile>& files, const ContainerOptions& options,
            const std::vector<uint8_t>& settings = SettingsWithFlags(0)) {
  Built built;
  std::string error;
  EXPECT_TRUE(BuildPayload(settings, files, options, built.section, error, &built.layout)) << error;
  return built;
}

// Reads a section the way the stub does, stopping at the first error.
struct ReadOutcome {
  int error = 0;
  PayloadHeader header;
  std::vector<uint8_t> settings;
  std::vector<PayloadEntry> entries;
  std::vector<std::vector<uint8_t>> contents;
  int blocksRead = 0;
};

ReadOutcome Read(ByteSpan section, bool compressed) {
  ReadOutcome out;
  if ((out.error = ReadPayloadHeader(section, out.header)) != 0) return out;
  if ((out.error = UnpackSettings(section, out.header, out.settings)) != 0) return out;
  if (PayloadChecksum(out.settings.data(), static_cast<int64_t>(out.settings.size())) !=
      out.header.settingsChecksum) {
    out.error = kErrorSettingsChecksum;
    return out;
  }
  FileDataArea area = MappedFileDataArea(section, out.header);
  if ((out.error = CheckFileDataArea(area, out.header)) != 0) return out;
  FileDataReader reader(area.bytes, out.header, compressed);
  for (int i = 0; i < out.header.entryCount; ++i) {
    ByteSpan record;
    if ((out.error = reader.NextEntry(record)) != 0) break;
    PayloadEntry entry;
    if ((out.error = ParsePayloadEntry(record, out.header.contentSizes[i], entry)) != 0) break;
    TargetPath target;
    PayloadEntry resolved = entry;
    if ((out.error = ResolveTargetPath(resolved, {}, nullptr, target)) != 0) break;
    out.contents.emplace_back(entry.content.begin(), entry.content.end());
    entry.content = {};
    out.entries.push_back(entry);
  }
  out.blocksRead = reader.BlocksRead();
  return out;
}

std::vector<PayloadFile> SampleFiles() {
  PayloadFile shortcut = File("bin\\app.exe", std::string(3000, 'x') + "tail");
  shortcut.flags = 0x1 | (3 << 2) | 0x20;
  shortcut.attributes = 0x21;
  shortcut.text = "My App";
  shortcut.icon = "app.ico";
  shortcut.command = "--start";
  shortcut.destination = "%InstallDir%\\";
  shortcut.extra = "extra text";
  PayloadFile package = File("setup.msi", "MSI");
  package.kind = kMsiPackage;
  package.msiUiLevel = 3;
  PayloadFile noTime = File("readme.txt", "read me");
  noTime.dateTime = {2020, 1, 2, -1, 0, 0};
  return {shortcut, File("empty.dat", ""), package, noTime};
}

struct StorageForm {
  const char* name;
  bool compress;
  bool encipher;
  size_t blockSize;
};

class RoundTrip : public ::testing::TestWithParam<StorageForm> {};

TEST_P(RoundTrip, EveryEntryComesBackAsWritten) {
  const StorageForm form = GetParam();
  ContainerOptions options;
  options.compressBlocks = form.compress;
  options.blockSize = form.blockSize;
  if (form.encipher) options.blowfishKey = std::array<uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<PayloadFile> files = SampleFiles();
  const std::vector<uint8_t> settings =
      SettingsWithFlags(form.compress ? kFlagCompressedBlocks : 0, 1001);
  Built built = Build(files, options, settings);

  ReadOutcome out = Read(built.section, form.compress);
  ASSERT_EQ(out.error, 0);
  EXPECT_EQ(out.settings, settings);
  EXPECT_EQ(out.header.Enciphered(), form.encipher);
  ASSERT_EQ(out.entries.size(), files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i].name);
    const PayloadEntry& e = out.entries[i];
    EXPECT_EQ(e.name, Narrow(files[i].name));
    EXPECT_EQ(e.kind, files[i].kind);
    EXPECT_EQ(e.flags, files[i].flags);
    EXPECT_EQ(e.attributes, files[i].attributes);
    EXPECT_EQ(e.dateTime.year, files[i].dateTime.year);
    EXPECT_EQ(e.dateTime.hour, files[i].dateTime.hour);
    EXPECT_EQ(e.dateTime.second, files[i].dateTime.second);
    EXPECT_EQ(e.text, Utf8ToUtf16(files[i].text));
    EXPECT_EQ(e.icon, Narrow(files[i].icon));
    EXPECT_EQ(e.command, Narrow(files[i].command));
    EXPECT_EQ(e.destination, Narrow(files[i].destination));
    EXPECT_EQ(e.extra, Narrow(files[i].extra));
    EXPECT_EQ(e.msiUiLevel, files[i].msiUiLevel);
    EXPECT_EQ(out.contents[i], files[i].content);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, RoundTrip,
    ::testing::Values(StorageForm{"Plain", false, false, 1 << 20},
                      StorageForm{"Compressed", true, false, 1 << 20},
                      StorageForm{"Enciphered", false, true, 1 << 20},
                      StorageForm{"CompressedEnciphered", true, true, 1 << 20},
                      // Entries cross block boundaries, some blocks hold only part of one.
                      StorageForm{"TinyBlocks", false, false, 7},
                      StorageForm{"TinyCompressedBlocks", true, true, 100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EntryReading, ReadsBlocksOnlyWhenTheNextEntryIsIncomplete) {
  ContainerOptions options;
  options.compressBlocks = false;
  options.blockSize = 200;
  // Three records of about 50 bytes lie in the first block; the fourth runs into the third.
  std::vector<PayloadFile> files = {File("a", "1"), File("b", "2"), File("c", ""),
                                    File("d", std::string(300, 'd'))};
  Built built = Build(files, options);
  PayloadHeader header;
  ASSERT_EQ(ReadPayloadHeader(built.section, header), 0);
  FileDataArea area = MappedFileDataArea(built.section, header);
  FileDataReader reader(area.bytes, header, false);
  ByteSpan record;
  std::vector<int> blocksAfterEach;
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(reader.NextEntry(record), 0);
    blocksAfterEach.push_back(reader.BlocksRead());
  }
  EXPECT_EQ(blocksAfterEach, (std::vector<int>{1, 1, 1, 3}));
  EXPECT_EQ(reader.RemainingBytes(), 0u);
}

// A block's stored length must be positive as a signed 32-bit number (61 for zero and for
// every length from 2^31 on) and must not exceed the rest of the area after the block's
// checksum field (63), counted from where the block stands. The block under test has a wrong
// checksum, so a length that passes both checks ends in 62. An area cut inside the checksum
// field is overrun (63); one cut inside the length field has no block to give (61).
TEST(EntryReading, BlockLengthsAtTheBoundaries) {
  constexpr uint32_t kRest = 16;  // stored bytes after the block's checksum field
  constexpr size_t kWhole = 8 + kRest;
  struct Case {
    const char* name;
    uint32_t length;
    size_t present;  // bytes of the block inside the area
    int error;
  };
  const Case cases[] = {
      {"Zero", 0, kWhole, kErrorBlockLength},
      {"One", 1, kWhole, kErrorBlockChecksum},
      {"TheRest", kRest, kWhole, kErrorBlockChecksum},
      {"OneMoreThanTheRest", kRest + 1, kWhole, kErrorBlockOverrun},
      {"LargestPositive", 0x7FFFFFFF, kWhole, kErrorBlockOverrun},
      {"TwoToThe31", 0x80000000, kWhole, kErrorBlockLength},
      {"AboveTwoToThe31", 0x80000001, kWhole, kErrorBlockLength},
      {"Largest", 0xFFFFFFFF, kWhole, kErrorBlockLength},
      {"AreaEndsInTheChecksum", 1, 6, kErrorBlockOverrun},
      {"AreaEndsInTheLength", 1, 2, kErrorBlockLength},
  };
  // A whole block before it, holding the start of an entry that needs the next block.
  std::vector<uint8_t> firstBlock(16, 0);
  StoreU32(firstBlock.data(), 8);
  StoreU32(firstBlock.data() + 8, 100);
  StoreU32(firstBlock.data() + 4, PayloadChecksum(firstBlock.data() + 8, 8));
  for (const Case& c : cases) {
    for (bool second : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (second ? " after a block" : ""));
      std::vector<uint8_t> area = second ? firstBlock : std::vector<uint8_t>();
      const size_t start = area.size();
      area.resize(start + kWhole, 0);
      StoreU32(area.data() + start, c.length);
      area.resize(start + c.present);
      const PayloadHeader header;
      FileDataReader reader(area, header, false);
      ByteSpan entry;
      EXPECT_EQ(reader.NextEntry(entry), c.error);
      EXPECT_EQ(reader.BlocksRead(), second ? 1 : 0);
    }
  }
}

TEST(EntryQueue, HandsOutOnlyWholeEntries) {
  EntryQueue queue;
  ByteSpan entry;
  EXPECT_FALSE(queue.TakeEntry(entry));
  const uint8_t first[] = {3, 0, 0, 0, 'a', 'b'};
  queue.Append(first, 0);
  EXPECT_FALSE(queue.TakeEntry(entry));
  EXPECT_EQ(queue.BufferedBytes(), 6u);  // nothing consumed
  const uint8_t second[] = {'c', 0, 0, 0, 0, 1};
  queue.Append(second, 0);
  ASSERT_TRUE(queue.TakeEntry(entry));
  EXPECT_EQ(std::string(entry.begin(), entry.end()), "abc");
  ASSERT_TRUE(queue.TakeEntry(entry));  // a zero-length entry
  EXPECT_TRUE(entry.empty());
  EXPECT_FALSE(queue.TakeEntry(entry));
  EXPECT_EQ(queue.BufferedBytes(), 1u);
}

// A large entry arriving block by block is collected in room set aside once its length is
// known, never by doubling; a damaged length reserves no more than the limit allows, and the
// room of a large entry is given back once small entries follow.
TEST(EntryQueue, LargeEntryIsCollectedWithoutDoubling) {
  constexpr size_t kBlock = 256 * 1024;
  constexpr uint32_t kLength = 40 * kBlock + 5;
  std::vector<uint8_t> stream(4 + kLength, 0x5A);
  StoreU32(stream.data(), kLength);
  const uint8_t small[] = {1, 0, 0, 0, 'z'};
  stream.insert(stream.end(), std::begin(small), std::end(small));

  EntryQueue queue;
  ByteSpan entry;
  size_t largestRoom = 0;
  size_t taken = 0;
  for (size_t offset = 0; offset < stream.size(); offset += kBlock) {
    const size_t size = std::min(kBlock, stream.size() - offset);
    queue.Append(ByteSpan(stream.data() + offset, size), kLength + 64);
    largestRoom = std::max(largestRoom, queue.Capacity());
    while (queue.TakeEntry(entry)) ++taken;
  }
  EXPECT_EQ(taken, 2u);
  EXPECT_LE(largestRoom, 4 + kLength + kBlock);

  // A length far beyond the limit: the room stays near what was given.
  EntryQueue damaged;
  uint8_t head[8] = {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4};
  damaged.Append(head, 0);
  damaged.Append(head, 1000);
  EXPECT_LE(damaged.Capacity(), 4u + 1000u);
  EXPECT_FALSE(damaged.TakeEntry(entry));

  // Small entries after a large one: the room shrinks again.
  queue.Append(small, 0);
  queue.Append(small, 0);
  EXPECT_LT(queue.Capacity(), kLength / 2);
}

// A header that claims a content of 1 GiB and an entry whose length claims as much, in an area
// of two small blocks (found by fuzz_container): once the length is known the reader sets aside
// no more room than the area can unpack to, stored or compressed, and reports the missing block.
TEST(EntryReading, DamagedLengthReservesNoMoreThanTheAreaHolds) {
  std::vector<uint8_t> first(14, 'x');
  StoreU32(first.data(), 0x40000000);
  const std::vector<uint8_t> second(14, 'y');
  for (bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "compressed" : "stored");
    std::vector<uint8_t> area;
    for (const std::vector<uint8_t>& unpacked : {first, second}) {
      std::vector<uint8_t> stored = unpacked;
      if (compressed) {
        uLongf size = compressBound(unpacked.size());
        stored.resize(size);
        ASSERT_EQ(compress2(stored.data(), &size, unpacked.data(), unpacked.size(), 9), Z_OK);
        stored.resize(size);
      }
      const size_t block = area.size();
      area.resize(block + 8);
      StoreU32(area.data() + block, static_cast<uint32_t>(stored.size()));
      StoreU32(area.data() + block + 4,
               PayloadChecksum(stored.data(), static_cast<int64_t>(stored.size())));
      area.insert(area.end(), stored.begin(), stored.end());
    }
    PayloadHeader header;
    header.contentSizes = {0x40000000};
    FileDataReader reader(area, header, compressed);
    ByteSpan entry;
    EXPECT_EQ(reader.NextEntry(entry), kErrorBlockLength);
    EXPECT_EQ(reader.BlocksRead(), 2);
    EXPECT_LE(reader.Queue().Capacity(), 4 + first.size() + second.size());
  }
}

TEST(XorScramble, WholeWordsThenTailBytesWithTheLowKeyBytes) {
  std::vector<uint8_t> data = {0, 0, 0, 0, 0, 0, 0};
  XorScramble(data, 0x44332211);
  EXPECT_EQ(data, (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0x11, 0x22, 0x33}));
  XorScramble(data, 0x44332211);
  EXPECT_EQ(data, (std::vector<uint8_t>(7, 0)));
}

TEST(PayloadHeader, VersionMismatchIsNotACorruptReport) {
  ContainerOptions options;
  options.formatVersion = "29.0.5";
  Built built = Build({File("a", "1")}, options);
  PayloadHeader header;
  EXPECT_EQ(ReadPayloadHeader(built.section, header), kVersionMismatch);
  EXPECT_EQ(header.formatVersion, "29.0.5");
  // Compared as versions, not as texts.
  options.formatVersion = "29.0.06";
  built = Build({File("a", "1")}, options);
  EXPECT_EQ(ReadPayloadHeader(built.section, header), 0);
}

// One row per check. Damage inside the file-data area is followed by fresh outer checksums
// where the row says so, so that it reaches the check under test.
struct Damage {
  const char* name;
  int expected;
  std::function<void(std::vector<uint8_t>&, const PayloadLayout&)> apply;
  bool refreshChecksums = false;
  bool encipher = false;
  bool compress = false;
};

class CorruptPayload : public ::testing::TestWithParam<Damage> {};

TEST_P(CorruptPayload, IsReportedByItsNumber) {
  const Damage& damage = GetParam();
  ContainerOptions options;
  options.compressBlocks = damage.compress;
  options.blockSize = 32;
  if (damage.encipher) options.blowfishKey = std::array<uint8_t, 8>{9, 8, 7, 6, 5, 4, 3, 2};
  std::vector<PayloadFile> files = {File("first.txt", "first file"),
                                    File("second.txt", std::string(80, 's'))};
  files[1].kind = damage.expected == kErrorEntryKind ? 2 : 0;
  Built built =
      Build(files, options, SettingsWithFlags(damage.compress ? kFlagCompressedBlocks : 0));
  damage.apply(built.section, built.layout);
  if (damage.refreshChecksums) RefreshChecksums(built.section, built.layout);
  EXPECT_EQ(Read(built.section, damage.compress).error, damage.expected);
}

// Offset of byte `n` of the entry stream (blocks of 32 unpacked bytes, stored plainly).
size_t StreamByte(const PayloadLayout& layout, size_t n) {
  return test_support::StreamByteOffset(layout, 32, n);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CorruptPayload,
    ::testing::Values(
        Damage{"Magic", kErrorMagic, [](auto& s, auto&) { s[0] ^= 1; }},
        Damage{"VersionWithoutEnd", kErrorMagic,
               [](auto& s, auto&) { s.resize(4 + 3); }},
        Damage{"SettingsSizeZero", kErrorSettingsSize,
               [](auto& s, auto& l) { SetU32(s, l.settingsPackedSizeOffset, 0); }},
        Damage{"SettingsSizeAtLimit", kErrorSettingsSize,
               [](auto& s, auto& l) { SetU32(s, l.settingsPackedSizeOffset, 0x3200000); }},
        Damage{"SettingsPastSection", kErrorSettingsSize,
               [](auto& s, auto& l) { s.resize(l.settingsBlobOffset + 2); }},
        Damage{"NegativePayloadEnd", kErrorPayloadEnd,
               [](auto& s, auto& l) { SetU32(s, l.payloadEndOffset, 0x80000000); }},
        Damage{"NegativeEntryCount", kErrorEntryCount,
               [](auto& s, auto& l) { SetU32(s, l.entryCountOffset, 0xFFFFFFFF); }},
        Damage{"NegativeFileDataSize", kErrorFileDataSize,
               [](auto& s, auto& l) { SetU32(s, l.fileDataSizeOffset, 0xFFFFFFFE); }},
        Damage{"ContentSizeAboveLimit", kErrorContentSizeTable,
               [](auto& s, auto& l) { SetU32(s, l.contentSizesOffset + 4, 0x40000001); }},
        Damage{"ContentSizeNegative", kErrorContentSizeTable,
               [](auto& s, auto& l) { SetU32(s, l.contentSizesOffset, 0xFFFFFFFF); }},
        Damage{"HugeEntryCountPastSection", kErrorContentSizeTable,
               [](auto& s, auto& l) { SetU32(s, l.entryCountOffset, 0x7FFFFFFF); }},
        Damage{"SettingsDoNotInflate", kErrorSettingsInflate,
               [](auto& s, auto& l) { s[l.settingsBlobOffset] ^= 0xFF; }},
        // With a cipher the checksum is not the scrambling key, so it can be wrong alone.
        Damage{"SettingsChecksum", kErrorSettingsChecksum,
               [](auto& s, auto& l) { s[l.settingsChecksumOffset] ^= 1; }, false, true},
        Damage{"FileDataSizeDiffers", kErrorFileDataSizeMismatch,
               [](auto& s, auto& l) {
                 SetU32(s, l.fileDataSizeOffset, GetU32(s, l.fileDataSizeOffset) - 1);
               }},
        Damage{"PayloadEndPastSection", kErrorFileDataSizeMismatch,
               [](auto& s, auto& l) {
                 SetU32(s, l.payloadEndOffset, static_cast<uint32_t>(s.size() + 16));
                 SetU32(s, l.fileDataSizeOffset,
                        static_cast<uint32_t>(s.size() + 16 - l.fileDataOffset));
               }},
        Damage{"FileDataChecksum", kErrorFileDataChecksum,
               [](auto& s, auto& l) { s[l.payloadEnd - 1] ^= 1; }},
        Damage{"BlockLengthZero", kErrorBlockLength,
               [](auto& s, auto& l) { SetU32(s, l.blockOffsets[1], 0); }, true},
        Damage{"BlockLengthNegative", kErrorBlockLength,
               [](auto& s, auto& l) { SetU32(s, l.blockOffsets[1], 0x80000000); }, true},
        Damage{"BlockPastArea", kErrorBlockOverrun,
               [](auto& s, auto& l) { SetU32(s, l.blockOffsets.back(), 1000); }, true},
        Damage{"BlockChecksum", kErrorBlockChecksum,
               [](auto& s, auto& l) {
                 s[l.blockOffsets[1] + 8] ^= 1;
                 test_support::RefreshAreaChecksum(s, l);
               }},
        Damage{"BlockDoesNotInflate", kErrorBlockInflate,
               [](auto& s, auto& l) { s[l.blockOffsets[0] + 8] ^= 0xFF; }, true, false, true},
        Damage{"EncipheredBlockGarbage", kErrorBlockInflate,
               [](auto& s, auto& l) { s[l.blockOffsets[0] + 8 + 7] ^= 0x10; }, true, true, true},
        Damage{"EmptyName", kErrorEntryName,
               [](auto& s, auto& l) { s[StreamByte(l, 4)] = 0; }, true},
        Damage{"ContentChecksum", kErrorContentChecksum,
               [](auto& s, auto& l) {
                 // The content starts after the length, the name (10 bytes), nine 32-bit
                 // fields and four empty strings.
                 s[StreamByte(l, 4 + 10 + 36 + 4 + 5)] ^= 1;
               },
               true},
        Damage{"KindOutsideTable", kErrorEntryKind, [](auto&, auto&) {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PayloadEntry, RecordsThatDoNotMatchTheirLengthAreMalformed) {
  PayloadFile file = File("a.txt", "abc");
  std::vector<uint8_t> record = builder::EncodePayloadEntry(file);
  PayloadEntry entry;
  ASSERT_EQ(ParsePayloadEntry(record, 3, entry), 0);
  EXPECT_EQ(ParsePayloadEntry(record, -1, entry), kErrorContentSizeNegative);
  EXPECT_EQ(ParsePayloadEntry(record, 0x40000001, entry), kErrorContentSizeTooLarge);
  // The table says more content than the record holds, or less.
  EXPECT_EQ(ParsePayloadEntry(record, 4, entry), kErrorEntryName);
  EXPECT_EQ(ParsePayloadEntry(record, 2, entry), kErrorEntryName);
  // Every truncation is refused without reading past the record.
  for (size_t size = 0; size < record.size(); ++size) {
    EXPECT_NE(ParsePayloadEntry(ByteSpan(record.data(), size), 3, entry), 0) << size;
  }
}

// A builder never writes a name or destination that leaves its folder: such an entry is
// malformed like one without a name.
TEST(PayloadEntry, NamesAndDestinationsThatLeaveTheirFolderAreMalformed) {
  struct Case {
    const char* name;
    const char* destination;
    int error;
  };
  const Case cases[] = {
      {"a.txt", "%InstallDir%\\bin\\", 0},
      {"a.txt", "C:\\Data\\", 0},
      {"a.txt", "b.txt", 0},
      {"..\\..\\a.txt", "", kErrorEntryName},
      {"sub/../../a.txt", "", kErrorEntryName},
      {"a.txt:hidden", "", kErrorEntryName},
      {"a.txt", "%InstallDir%\\..\\..\\", kErrorEntryName},
      {"a.txt", "..", kErrorEntryName},       // a new name that steps up
      {"a.txt", "b.txt:x", kErrorEntryName},  // a new name with a stream
  };
  for (const Case& c : cases) {
    PayloadFile file = File(c.name, "abc");
    file.destination = c.destination;
    const std::vector<uint8_t> record = builder::EncodePayloadEntry(file);
    PayloadEntry entry;
    EXPECT_EQ(ParsePayloadEntry(record, 3, entry), c.error) << c.name << " " << c.destination;
  }
}

// Settings that inflate beyond any real product (here a few kilobytes that unpack to more than
// 64 MiB) are reported by their own number, before a 32-bit process would run out of memory.
TEST(PayloadSettings, InflatingBeyondTheLimitIsItsOwnError) {
  for (size_t size : {kSettingsSizeLimit, kSettingsSizeLimit + 1}) {
    const std::vector<uint8_t> plain(size, 0);
    uLongf packedSize = compressBound(static_cast<uLong>(plain.size()));
    std::vector<uint8_t> packed(packedSize);
    ASSERT_EQ(
        compress2(packed.data(), &packedSize, plain.data(), static_cast<uLong>(plain.size()), 9),
        Z_OK);
    packed.resize(packedSize);
    PayloadHeader header;
    header.settingsChecksum = 0x12345678;
    header.settingsPackedSize = static_cast<uint32_t>(packed.size());
    XorScramble(packed, header.settingsChecksum);
    std::vector<uint8_t> stream;
    EXPECT_EQ(UnpackSettings(packed, header, stream),
              size > kSettingsSizeLimit ? kErrorSettingsInflate : 0)
        << size;
  }
}

// Texts are decoded where the entry is read: a name in the code page and its "|" + UTF-8 form
// are one text, and the text field is UTF-8 without a bar. A tool keeps the bytes that its own
// form of the text would change, so that a printed project builds the same record again.
TEST(PayloadEntry, TextsAreDecodedOnceAndToolsKeepTheirBytes) {
  struct Case {
    const char* label;
    std::string stored;      // as the record holds it
    std::u16string decoded;  // the name, or the text
    bool kept;               // the tool keeps the bytes
  };
  const Case names[] = {
      {"Ascii", "a.txt", u"a.txt", false},
      {"CodePage", "\xE9t\xE9.txt", u"\u00E9t\u00E9.txt", true},
      {"Bar", "|\xC3\xA9t\xC3\xA9.txt", u"\u00E9t\u00E9.txt", false},
      {"BarAscii", "|a.txt", u"a.txt", true},
  };
  for (const Case& c : names) {
    SCOPED_TRACE(c.label);
    PayloadFile file = File(c.stored, "abc");
    file.destination = c.stored.starts_with('|') ? "|D:\\\xC3\xA9\\" : "D:\\x\\";
    const std::vector<uint8_t> record = builder::EncodePayloadEntry(file);
    PayloadEntry entry;
    ASSERT_EQ(ParsePayloadEntry(record, 3, entry), 0);
    EXPECT_EQ(entry.name, c.decoded);
    EXPECT_TRUE(entry.storedForms.name.empty());  // the installer keeps nothing
    ASSERT_EQ(ParsePayloadEntry(record, 3, entry, {.keepStoredForms = true}), 0);
    EXPECT_EQ(entry.storedForms.name, c.kept ? c.stored : "");
    EXPECT_EQ(builder::StoredFormsOf(entry).name, c.stored);
    EXPECT_EQ(builder::StoredFormsOf(entry).destination, file.destination);
  }
  const Case texts[] = {
      {"Utf8", "Caf\xC3\xA9", u"Caf\u00E9", false},
      {"BarIsPartOfTheText", "|x", u"|x", false},
      {"NotUtf8", "\xFF", u"\uFFFD", true},
  };
  for (const Case& c : texts) {
    SCOPED_TRACE(c.label);
    PayloadFile file = File("a.lnk", "abc");
    file.kind = kShortcutFile;
    file.text = c.stored;
    const std::vector<uint8_t> record = builder::EncodePayloadEntry(file);
    PayloadEntry entry;
    ASSERT_EQ(ParsePayloadEntry(record, 3, entry, {.keepStoredForms = true}), 0);
    EXPECT_EQ(entry.text, c.decoded);
    EXPECT_EQ(entry.storedForms.text, c.kept ? c.stored : "");
    EXPECT_EQ(builder::StoredFormsOf(entry).text, c.stored);
  }
}

TEST(PayloadEntry, ZeroContentIsValid) {
  std::vector<uint8_t> record = builder::EncodePayloadEntry(File("empty", ""));
  PayloadEntry entry;
  ASSERT_EQ(ParsePayloadEntry(record, 0, entry), 0);
  EXPECT_EQ(entry.contentChecksum, kPayloadChecksumSeed);
}

}  // namespace
}  // namespace qs
