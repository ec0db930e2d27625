#include "builder/pe_image.h"

#include <cstdio>
#include <cstring>

namespace qs::builder {
namespace {

constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;

// Where the kinds differ: PE32+ drops BaseOfData and widens the image base and the four
// stack and heap sizes to 64 bits, which moves everything from NumberOfRvaAndSizes on.
constexpr uint32_t kPe32DataDirectoryCount = 92;
constexpr uint32_t kPe32PlusDataDirectoryCount = 108;
constexpr uint32_t kDataDirectorySize = 8;

uint32_t Get16(std::span<const uint8_t> b, size_t at) {
  return b[at] | b[at + 1] << 8;
}
uint32_t Get32(std::span<const uint8_t> b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

}  // namespace

bool ReadPeImage(std::span<const uint8_t> file, PeImage& image, std::string& error) {
  image = PeImage{};
  auto fail = [&](const std::string& message) {
    error = message;
    return false;
  };
  if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z')
    return fail("not a Windows executable (no MZ header)");
  const uint64_t pe = Get32(file, 60);
  // The installer looks for its header through the low 16 bits of this offset.
  if (pe < 64 || pe > 4096 || pe + 24 > file.size()) return fail("PE header offset out of range");
  if (std::memcmp(file.data() + pe, "PE\0\0", 4) != 0) return fail("no PE signature");
  image.peHeaderOffset = static_cast<uint32_t>(pe);
  image.machine = static_cast<uint16_t>(Get16(file, pe + 4));
  image.sectionCount = Get16(file, pe + 6);
  image.optionalHeaderSize = Get16(file, pe + 20);
  image.optionalHeaderOffset = image.peHeaderOffset + 24;
  image.sectionTableOffset = image.optionalHeaderOffset + image.optionalHeaderSize;

  const size_t optional = image.optionalHeaderOffset;
  if (image.optionalHeaderSize < 2 || optional + 2 > file.size())
    return fail("the optional header is missing");
  const uint32_t magic = Get16(file, optional);
  uint32_t countAt = 0;
  if (magic == kMagicPe32) {
    image.kind = PeKind::kPe32;
    countAt = kPe32DataDirectoryCount;
  } else if (magic == kMagicPe32Plus) {
    image.kind = PeKind::kPe32Plus;
    countAt = kPe32PlusDataDirectoryCount;
  } else {
    return fail("unknown optional header magic " + Hex(magic) + " (neither PE32 nor PE32+)");
  }
  const char* kindName = image.kind == PeKind::kPe32 ? "PE32" : "PE32+";
  const uint32_t fixedSize = countAt + 4;
  if (image.optionalHeaderSize < fixedSize || optional + image.optionalHeaderSize > file.size()) {
    return fail(std::string("the ") + kindName + " optional header is truncated (" +
                std::to_string(image.optionalHeaderSize) + " bytes, at least " +
                std::to_string(fixedSize) + " needed)");
  }
  image.dataDirectoryCount = Get32(file, optional + countAt);
  image.dataDirectoryOffset = image.optionalHeaderOffset + fixedSize;
  if (uint64_t{image.dataDirectoryCount} * kDataDirectorySize >
      image.optionalHeaderSize - fixedSize) {
    return fail(std::string("the ") + kindName + " optional header has no room for its " +
                std::to_string(image.dataDirectoryCount) + " data directories");
  }
  if (image.dataDirectoryCount > kCertificateDirectory) {
    const size_t entry = image.dataDirectoryOffset + kCertificateDirectory * kDataDirectorySize;
    image.certificateOffset = Get32(file, entry);
    image.certificateSize = Get32(file, entry + 4);
  }
  return true;
}

std::optional<Arch> ArchFromName(std::string_view name) {
  if (name == "x86") return Arch::kX86;
  if (name == "x64") return Arch::kX64;
  return std::nullopt;
}

const char* ArchName(Arch arch) {
  return arch == Arch::kX64 ? "x64" : "x86";
}

std::optional<Arch> ArchOfImage(const PeImage& image) {
  if (image.kind == PeKind::kPe32 && image.machine == kMachineI386) return Arch::kX86;
  if (image.kind == PeKind::kPe32Plus && image.machine == kMachineAmd64) return Arch::kX64;
  return std::nullopt;
}

std::string DescribeImage(const PeImage& image) {
  const char* kind = image.kind == PeKind::kPe32 ? "PE32" : "PE32+";
  if (std::optional<Arch> arch = ArchOfImage(image)) {
    return std::string(kind) + " (" + ArchName(*arch) + ")";
  }
  return std::string(kind) + " (machine " + Hex(image.machine) + ")";
}

bool CheckInstallerProgram(std::span<const uint8_t> program, std::optional<Arch> arch,
                           std::string& error) {
  PeImage image;
  if (!ReadPeImage(program, image, error)) {
    error = "the installer program is unusable: " + error;
    return false;
  }
  const std::optional<Arch> found = ArchOfImage(image);
  if (!found) {
    error = "the installer program is " + DescribeImage(image) +
            ", neither PE32 (x86, machine 0x14C) nor PE32+ (x64, machine 0x8664)";
    return false;
  }
  if (arch && *found != *arch) {
    error = std::string("the installer program is ") + DescribeImage(image) + ", not the " +
            ArchName(*arch) + " program (" +
            (*arch == Arch::kX64 ? "PE32+, machine 0x8664" : "PE32, machine 0x14C") +
            ") the build asks for";
    return false;
  }
  return true;
}

}  // namespace qs::builder
