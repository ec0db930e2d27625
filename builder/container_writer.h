#pragma once
// Writes the `.setup` section: header, scrambled or enciphered settings blob, and the file
// data in checksummed blocks.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/date_time.h"

namespace qs::builder {

struct PayloadFile {
  std::string name;
  uint32_t kind = 0;
  uint32_t flags = 0;
  uint32_t attributes = 0xFFFFFFFF;
  DateTime dateTime;
  std::string text;
  std::string icon;
  std::string command;
  std::string destination;
  std::string extra;
  uint32_t msiUiLevel = 0;
  std::vector<uint8_t> content;
};

struct ContainerOptions {
  std::string formatVersion = "29.0.6";
  uint32_t productFlags2 = 0;  // 0x1000 is set by the writer when a key is given
  bool compressBlocks = true;  // must agree with `ProductFlags` bit 5 of the settings
  int compressionLevel = 9;
  size_t blockSize = 1 << 20;  // unpacked bytes per block
  std::optional<std::array<uint8_t, 8>> blowfishKey;
};

// Where the writer put things, as offsets from the start of the section. Tests use it to
// damage a payload on purpose.
struct PayloadLayout {
  size_t flags2Offset = 0;
  size_t settingsPackedSizeOffset = 0;
  size_t settingsChecksumOffset = 0;
  size_t installerChecksumOffset = 0;
  size_t payloadEndOffset = 0;
  size_t entryCountOffset = 0;
  size_t fileDataSizeOffset = 0;
  size_t fileDataChecksumOffset = 0;
  size_t contentSizesOffset = 0;
  size_t settingsBlobOffset = 0;
  size_t fileDataOffset = 0;
  std::vector<size_t> blockOffsets;  // each block's storedLength field
  size_t payloadEnd = 0;
};

// Builds the section bytes. `settings` is the unpacked settings stream. False with a message
// when something cannot be stored (a file over 1 GiB, a settings blob over the limit, a
// payload past the 2 GiB that 32-bit offsets reach, a block size out of range).
bool BuildPayload(const std::vector<uint8_t>& settings, const std::vector<PayloadFile>& files,
                  const ContainerOptions& options, std::vector<uint8_t>& section,
                  std::string& error, PayloadLayout* layout = nullptr);

inline constexpr size_t kMaxBlockSize = 64u << 20;

// The entry record of one file (without its u32 length prefix).
std::vector<uint8_t> EncodePayloadEntry(const PayloadFile& file);

}  // namespace qs::builder
