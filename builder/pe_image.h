#pragma once
// The headers of a Windows program as the builder needs them: which kind of program it is
// (PE32 for x86, PE32+ for x64), where its section table lies, and the fields that differ in
// place between the two kinds.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qs::builder {

enum class PeKind { kPe32, kPe32Plus };

inline constexpr uint16_t kMachineI386 = 0x14C;
inline constexpr uint16_t kMachineAmd64 = 0x8664;

// The optional header fields that sit at the same place in both kinds.
inline constexpr size_t kOptionalInitializedDataSize = 8;
inline constexpr size_t kOptionalSectionAlignment = 32;
inline constexpr size_t kOptionalFileAlignment = 36;
inline constexpr size_t kOptionalImageSize = 56;
inline constexpr size_t kOptionalHeadersSize = 60;
inline constexpr size_t kOptionalCheckSum = 64;

inline constexpr uint32_t kCertificateDirectory = 4;

struct PeImage {
  PeKind kind = PeKind::kPe32;
  uint16_t machine = 0;
  uint32_t peHeaderOffset = 0;
  uint32_t sectionCount = 0;
  uint32_t optionalHeaderOffset = 0;  // file offsets
  uint32_t optionalHeaderSize = 0;
  uint32_t sectionTableOffset = 0;
  uint32_t dataDirectoryCount = 0;  // NumberOfRvaAndSizes
  uint32_t dataDirectoryOffset = 0;
  // The certificate directory holds a file offset, not an address; 0 and 0 when unsigned.
  uint32_t certificateOffset = 0;
  uint32_t certificateSize = 0;
};

// Reads the MZ and PE headers and the optional header's fixed part. False with a message
// naming what is wrong when `file` is not a PE32 or PE32+ image or its headers are cut off;
// the section table itself is not checked.
bool ReadPeImage(std::span<const uint8_t> file, PeImage& image, std::string& error);

// The two kinds of installer program.
enum class Arch { kX86, kX64 };

std::optional<Arch> ArchFromName(std::string_view name);  // "x86" or "x64"
const char* ArchName(Arch arch);
// The arch whose program `image` is: PE32 for i386 or PE32+ for AMD64; none for other
// machines or a kind that does not fit the machine.
std::optional<Arch> ArchOfImage(const PeImage& image);
// "PE32 (x86)", "PE32+ (x64)", or the kind and the machine number for other programs.
std::string DescribeImage(const PeImage& image);

// Whether `program` can carry an installer: a supported program, and of `arch` when given.
// False with a message naming the program's kind and the arch asked for.
bool CheckInstallerProgram(std::span<const uint8_t> program, std::optional<Arch> arch,
                           std::string& error);

}  // namespace qs::builder
