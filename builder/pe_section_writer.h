#pragma once
// Appends a `.setup` section to a copy of the stub so that Windows maps it with the image.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qs::builder {

struct AppendedSection {
  uint32_t peHeaderOffset = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawOffset = 0;
  uint32_t rawSize = 0;
};

// How the file ends after the payload.
enum class SectionEnd {
  kPadded,     // padded to the file alignment, as linkers write sections
  kAtPayload,  // the file ends with the payload's last byte: for products that read their
               // file data from the file, whose size must then match exactly
};

// The stub may be a PE32 (x86) or a PE32+ (x64) program. False with a message when it is
// neither, is damaged or signed, already has `.setup`, or has no room in its headers for one
// more section entry.
bool AppendSetupSection(std::span<const uint8_t> stub, std::span<const uint8_t> payload,
                        std::vector<uint8_t>& installer, AppendedSection& section,
                        std::string& error, SectionEnd end = SectionEnd::kPadded);

// Makes an installer: appends the payload and, when `writeInstallerChecksum` is set, stores
// the installer-image checksum in the payload header at `installerChecksumOffset`.
bool BuildInstallerImage(std::span<const uint8_t> stub, std::span<const uint8_t> payload,
                         bool writeInstallerChecksum, size_t installerChecksumOffset,
                         std::vector<uint8_t>& installer, std::string& error,
                         SectionEnd end = SectionEnd::kPadded);

}  // namespace qs::builder
