#pragma once
// Reads a built installer the way the stub reads itself: the `.setup` section, the header,
// the settings stream and the entries, with the same checks and error numbers.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builder/pe_image.h"
#include "core/payload_container.h"
#include "core/payload_entry.h"
#include "core/pe_sections.h"
#include "core/product_settings.h"

namespace qs::builder {

struct InstallerFile {
  std::vector<uint8_t> bytes;
  PeImage program;  // the installer program's headers: PE32 (x86) or PE32+ (x64)
  SetupSectionLocation section;
  std::vector<uint8_t> sectionBytes;  // as Windows maps it: virtual size, zero-filled past raw
  PayloadHeader header;
  std::vector<uint8_t> settings;  // unpacked settings stream
  ProductSettings product;        // the settings as stored, without the installer's defaults
  uint64_t productFlags = 0;
};

// Errors of the tools' own, beside the installer's corrupt-report numbers.
inline constexpr int kReadCannotOpen = -2;
inline constexpr int kReadNoSetupSection = -3;
inline constexpr int kReadNotAProgram = -4;      // headers Windows would not load
inline constexpr int kReadSectionTooLarge = -5;  // see kMaxSectionZeroFill

// The tools hold the `.setup` section in memory as Windows maps it, with zeros after the raw
// data up to its virtual size. The builder never leaves such a tail; a section whose headers
// ask for more zeros than this (up to 4 GiB) is refused rather than allocated.
inline constexpr uint32_t kMaxSectionZeroFill = 64u << 20;

struct ReadResult {
  int error = 0;        // a corrupt-report number, kVersionMismatch, one of the above, or 0
  std::string message;  // what went wrong, for people
};

// Loads the file and runs the start-up checks: section, header, settings (47, 25, and every
// check of the settings stream), the installer-image checksum when the settings ask for it (40).
// Past the installer's own checks of its headers (43, 44, 9), the headers must be those of a
// PE32 or PE32+ program, which is all Windows would have started.
ReadResult OpenInstaller(const std::string& path, InstallerFile& installer);
// The same for an installer already in memory.
ReadResult OpenInstallerBytes(std::vector<uint8_t> bytes, InstallerFile& installer);

// Walks every entry from the file-data area, mapped or read from the file as the product
// says (46, 55, then 60-63, 70-72, 100, 110),
// handing each decoded entry to `visit`.
ReadResult ReadEntries(const InstallerFile& installer,
                       const std::function<void(const PayloadEntry&, int index)>& visit);

// The bytes each text of an entry read by ReadEntries was stored as.
StoredEntryForms StoredFormsOf(const PayloadEntry& entry);

// A short description of a corrupt-report number.
const char* DescribeCorruptError(int error);

}  // namespace qs::builder
