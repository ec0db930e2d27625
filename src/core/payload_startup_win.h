#pragma once
// Finding, checking and unpacking the payload of the running installer. Every check that fails
// ends the run with its message.
#include <cstdint>
#include <vector>

#include "base/byte_span.h"
#include "base/file_win.h"
#include "core/payload_container.h"
#include "core/pe_sections.h"
#include "core/settings_reader.h"

namespace qs {

struct PayloadContext {
  InputFile* file = nullptr;  // the program's own file, open for the whole run
  SetupSectionLocation section;
  ByteSpan sectionBytes;  // the section as the loader mapped it
  PayloadHeader header;
  std::vector<uint8_t> settingsStream;
  // The program without its payload, when the product wants its uninstaller written that way;
  // otherwise empty and the uninstaller is a copy of the program's file.
  std::vector<uint8_t> strippedProgram;
  uint64_t uninstallerSize = 0;
  std::vector<uint8_t> fileDataBuffer;  // holds the file data when read from the file
  FileDataArea fileDataArea;
};

// The corrupt-installer message with its error number; ends the run.
[[noreturn]] void ReportCorrupt(int error);

// The `.setup` section of the open file, and the same section in the mapped image. Without a
// section: the "no installation data" message.
void LocatePayloadSection(PayloadContext& payload);
// Reads and checks the header in place in the mapped image.
void ReadPayloadHeaderInPlace(PayloadContext& payload);
// Unpacks the settings stream.
void UnpackPayloadSettings(PayloadContext& payload);
// The settings are read into Product() in two steps. The first fields come before the stream's
// checksum is verified; they set the flag words and the automatic mode.
void ReadLeadingSettings(PayloadContext& payload, SettingsReader& reader);
// Verifies the checksum, reads the rest and starts the product's texts.
void ReadRemainingSettings(PayloadContext& payload, SettingsReader& reader,
                           const SettingsEnvironment& environment);
// Reads the program's image before the section: checks it when the product asks for it, and
// makes the payload-stripped program from it.
void ReadInstallerImage(PayloadContext& payload);
// Establishes the file-data area, from the mapped image or (when the product stores it so)
// read from the file, and checks its size. The checksum is checked separately.
void EstablishFileDataArea(PayloadContext& payload, bool fromFile);
void VerifyFileDataArea(const PayloadContext& payload);

}  // namespace qs
