#include "core/pe_sections.h"

#include <cstring>

#include "core/payload_checksum.h"
#include "core/payload_cursor.h"
#include "core/payload_format.h"

namespace qs {
namespace {

bool ReadU16(ByteSource& file, uint64_t offset, uint32_t& value) {
  uint8_t bytes[2];
  if (!file.ReadAt(offset, bytes, 2)) return false;
  value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8;
  return true;
}

uint16_t LoadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
void StoreU16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

bool MemoryByteSource::ReadAt(uint64_t offset, void* out, size_t size) {
  if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
  std::memcpy(out, bytes_.data() + offset, size);
  return true;
}

uint32_t InstallerImageChecksum(std::span<const uint8_t> image, uint32_t peHeaderOffset) {
  const size_t start = size_t{peHeaderOffset} + kImageChecksumStart;
  if (start >= image.size()) return PayloadChecksum(nullptr, 0);
  return PayloadChecksum(image.data() + start, static_cast<int64_t>(image.size() - start));
}

SectionLookup LocateSetupSection(ByteSource& file, SetupSectionLocation& out, int& error) {
  out = SetupSectionLocation{};
  error = 0;
  uint32_t peOffset = 0;
  if (!ReadU16(file, 60, peOffset) || peOffset < 64 || peOffset > 4096) {
    error = kErrorPeHeaderOffset;
    return SectionLookup::kCorrupt;
  }
  uint32_t count = 0;
  uint32_t optionalSize = 0;
  if (!ReadU16(file, peOffset + 6, count) || count < 4 || count > 99 ||
      !ReadU16(file, peOffset + 20, optionalSize)) {
    error = kErrorSectionCount;
    return SectionLookup::kCorrupt;
  }
  out.peHeaderOffset = peOffset;
  out.sectionCount = count;
  out.sectionTableOffset = peOffset + 24 + optionalSize;

  for (uint32_t i = 0; i < count; ++i) {
    uint8_t entry[kSectionEntrySize];
    // A section table cut off by the end of the file has no more sections to offer.
    if (!file.ReadAt(out.sectionTableOffset + uint64_t{i} * kSectionEntrySize, entry,
                     sizeof entry)) {
      break;
    }
    char name[9] = {};
    std::memcpy(name, entry, 8);
    if (std::strcmp(name, kSetupSectionName) != 0) continue;
    out.sectionIndex = i;
    out.virtualSize = LoadU32(entry + 8);
    out.virtualAddress = LoadU32(entry + 12);
    out.rawSize = LoadU32(entry + 16);
    out.rawOffset = LoadU32(entry + 20);
    if (out.rawOffset == 0) {
      error = kErrorNoRawData;
      return SectionLookup::kCorrupt;
    }
    return SectionLookup::kFound;
  }
  return SectionLookup::kNotFound;
}

int MakePayloadStrippedCopy(std::vector<uint8_t>& image, const SetupSectionLocation& section,
                            ByteSource& file) {
  const uint64_t fileSize = file.Size();
  const uint64_t sectionEnd = uint64_t{section.rawOffset} + section.rawSize;
  if (fileSize > sectionEnd) {
    const size_t trailing = static_cast<size_t>(fileSize - sectionEnd);
    const size_t before = image.size();
    image.resize(before + trailing);
    if (!file.ReadAt(sectionEnd, image.data() + before, trailing)) {
      image.resize(before);
      return kErrorTrailingBytes;
    }
  }

  // The headers being edited must lie inside the image, including the slot after the last
  // section entry that is shifted down.
  const uint64_t pe = section.peHeaderOffset;
  const uint64_t tableEnd =
      uint64_t{section.sectionTableOffset} + uint64_t{section.sectionCount + 1} * kSectionEntrySize;
  if (pe + 84 > image.size() || tableEnd > image.size()) return kErrorTrailingBytes;

  // SizeOfInitializedData and SizeOfImage lie ahead of the fields PE32+ widens, at the same
  // place in the 32-bit and the 64-bit program.
  uint8_t* header = image.data() + pe;
  StoreU16(header + 6, static_cast<uint16_t>(LoadU16(header + 6) - 1));
  StoreU32(header + 32, LoadU32(header + 32) - section.rawSize);
  StoreU32(header + 80, LoadU32(header + 80) - section.rawSize);

  uint8_t* table = image.data() + section.sectionTableOffset;
  for (uint32_t slot = section.sectionIndex; slot < section.sectionCount; ++slot) {
    uint8_t* entry = table + slot * kSectionEntrySize;
    std::memmove(entry, entry + kSectionEntrySize, kSectionEntrySize);
    if (slot + 1 < section.sectionCount) {
      StoreU32(entry + 20, LoadU32(entry + 20) - section.rawSize);
    }
  }
  return 0;
}

}  // namespace qs
