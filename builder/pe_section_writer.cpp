#include "builder/pe_section_writer.h"

#include <algorithm>
#include <cstring>

#include "builder/pe_image.h"
#include "core/payload_format.h"
#include "core/pe_sections.h"

namespace qs::builder {
namespace {

constexpr uint32_t kInitializedData = 0x00000040;
constexpr uint32_t kMemoryRead = 0x40000000;

uint32_t Get32(std::span<const uint8_t> b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}
bool IsPowerOfTwo(uint32_t v) {
  return v != 0 && (v & (v - 1)) == 0;
}

}  // namespace

bool AppendSetupSection(std::span<const uint8_t> stub, std::span<const uint8_t> payload,
                        std::vector<uint8_t>& installer, AppendedSection& section,
                        std::string& error, SectionEnd end) {
  auto fail = [&](const char* message) {
    error = message;
    return false;
  };
  PeImage image;
  std::string problem;
  if (!ReadPeImage(stub, image, problem)) {
    error = "the stub is unusable: " + problem;
    return false;
  }
  // A signature covers the file as it was; the certificate table would end up before the
  // payload, where signing tools no longer look for it.
  if (image.certificateOffset != 0 || image.certificateSize != 0)
    return fail("the stub is signed: build with the unsigned program and sign the installer");
  const uint32_t pe = image.peHeaderOffset;
  const uint32_t count = image.sectionCount;
  const size_t optional = image.optionalHeaderOffset;
  const uint32_t sectionAlignment = Get32(stub, optional + kOptionalSectionAlignment);
  const uint32_t fileAlignment = Get32(stub, optional + kOptionalFileAlignment);
  const uint32_t sizeOfHeaders = Get32(stub, optional + kOptionalHeadersSize);
  if (!IsPowerOfTwo(sectionAlignment) || !IsPowerOfTwo(fileAlignment))
    return fail("the stub's alignments are not powers of two");
  if (count + 1 < 4 || count + 1 > 99) return fail("the stub must have between 3 and 98 sections");

  const size_t table = image.sectionTableOffset;
  if (table + size_t{count + 1} * kSectionEntrySize > stub.size())
    return fail("the stub's section table is truncated");
  uint64_t firstRaw = UINT64_MAX;
  uint64_t imageEnd = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = table + i * kSectionEntrySize;
    char name[9] = {};
    std::memcpy(name, stub.data() + entry, 8);
    if (std::strcmp(name, kSetupSectionName) == 0)
      return fail("the stub already has a .setup section");
    const uint32_t virtualSize = Get32(stub, entry + 8);
    const uint32_t virtualAddress = Get32(stub, entry + 12);
    const uint32_t rawSize = Get32(stub, entry + 16);
    const uint32_t rawOffset = Get32(stub, entry + 20);
    if (rawSize != 0 && rawOffset != 0) firstRaw = std::min<uint64_t>(firstRaw, rawOffset);
    imageEnd =
        std::max<uint64_t>(imageEnd, uint64_t{virtualAddress} + std::max(virtualSize, rawSize));
  }
  const size_t newEntry = table + count * kSectionEntrySize;
  if (newEntry + kSectionEntrySize > std::min<uint64_t>(sizeOfHeaders, firstRaw)) {
    return fail("the stub has no room in its headers for one more section entry");
  }
  for (size_t i = 0; i < kSectionEntrySize; ++i) {
    if (stub[newEntry + i] != 0) return fail("the stub has no free slot after its section table");
  }

  section.peHeaderOffset = pe;
  section.virtualAddress = static_cast<uint32_t>(AlignUp(imageEnd, sectionAlignment));
  section.rawOffset = static_cast<uint32_t>(AlignUp(stub.size(), fileAlignment));
  section.rawSize = static_cast<uint32_t>(
      end == SectionEnd::kPadded ? AlignUp(payload.size(), fileAlignment) : payload.size());
  const uint64_t sizeOfImage =
      AlignUp(uint64_t{section.virtualAddress} + payload.size(), sectionAlignment);
  if (uint64_t{section.rawOffset} + section.rawSize > UINT32_MAX || sizeOfImage > UINT32_MAX) {
    return fail("the installer would exceed 4 GiB");
  }

  installer.assign(stub.begin(), stub.end());
  installer.resize(section.rawOffset, 0);
  installer.insert(installer.end(), payload.begin(), payload.end());
  installer.resize(size_t{section.rawOffset} + section.rawSize, 0);

  std::memcpy(installer.data() + newEntry, kSetupSectionName, sizeof kSetupSectionName);
  Put32(installer, newEntry + 8, static_cast<uint32_t>(payload.size()));
  Put32(installer, newEntry + 12, section.virtualAddress);
  Put32(installer, newEntry + 16, section.rawSize);
  Put32(installer, newEntry + 20, section.rawOffset);
  Put32(installer, newEntry + 36, kInitializedData | kMemoryRead);
  Put16(installer, pe + 6, count + 1);
  Put32(installer, optional + kOptionalInitializedDataSize,
        Get32(stub, optional + kOptionalInitializedDataSize) + section.rawSize);
  Put32(installer, optional + kOptionalImageSize, static_cast<uint32_t>(sizeOfImage));
  // CheckSum stays the stub's: the uninstaller cut from the installer must be the stub again,
  // byte for byte, and Windows checks the sum of drivers only.
  return true;
}

bool BuildInstallerImage(std::span<const uint8_t> stub, std::span<const uint8_t> payload,
                         bool writeInstallerChecksum, size_t installerChecksumOffset,
                         std::vector<uint8_t>& installer, std::string& error, SectionEnd end) {
  AppendedSection section;
  if (!AppendSetupSection(stub, payload, installer, section, error, end)) return false;
  if (writeInstallerChecksum) {
    if (installerChecksumOffset + 4 > payload.size()) {
      error = "the installer checksum field lies outside the payload";
      return false;
    }
    const std::span<const uint8_t> image(installer.data(), section.rawOffset);
    Put32(installer, section.rawOffset + installerChecksumOffset,
          InstallerImageChecksum(image, section.peHeaderOffset));
  }
  return true;
}

}  // namespace qs::builder
