#include "core/payload_startup_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/fatal.h"
#include "base/text.h"
#include "core/installer_state_win.h"
#include "core/payload_checksum.h"
#include "core/payload_format.h"
#include "core/product_win.h"
#include "ui/messages_win.h"

namespace qs {
namespace {

// The header of the image the loader mapped for this process.
const IMAGE_NT_HEADERS* MappedImageHeaders(const uint8_t* base) {
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}

// The section found in the file must be one the loader mapped: same name, same place. Only
// then may the header be read from memory; anything else is not this program's payload.
ByteSpan MappedSection(const SetupSectionLocation& location) {
  auto* base = reinterpret_cast<const uint8_t*>(::GetModuleHandleW(nullptr));
  const IMAGE_NT_HEADERS* headers = MappedImageHeaders(base);
  const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(headers);
  uint32_t imageSize = headers->OptionalHeader.SizeOfImage;
  for (unsigned i = 0; i < headers->FileHeader.NumberOfSections; ++i) {
    const IMAGE_SECTION_HEADER& section = sections[i];
    if (std::memcmp(section.Name, kSetupSectionName, sizeof(kSetupSectionName)) != 0 ||
        section.VirtualAddress != location.virtualAddress) {
      continue;
    }
    // A virtual size of 0 means the raw size, as the loader reads it.
    uint32_t size =
        section.Misc.VirtualSize != 0 ? section.Misc.VirtualSize : section.SizeOfRawData;
    if (size == 0 || section.VirtualAddress > imageSize ||
        size > imageSize - section.VirtualAddress) {
      break;
    }
    return ByteSpan(base + section.VirtualAddress, size);
  }
  ReportCorrupt(kErrorNoRawData);
}

// Systems that draw the modern page look: the NT family from version 6, from 5.3, or 5.2 in a
// server edition. Elsewhere the look's flag is cleared.
bool SystemHasModernLook() {
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) return false;
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return false;
  if (version.dwMajorVersion >= 6) return true;
  if (version.dwMajorVersion == 5 && version.dwMinorVersion >= 3) return true;
  return version.dwMajorVersion == 5 && version.dwMinorVersion == 2 &&
         version.wProductType != VER_NT_WORKSTATION;
}

[[noreturn]] void ReportArchiveReadFailure(int64_t size, uint64_t position) {
  FatalError("Error code 2: failed to read archive data\r\nsize=%d pos=%d", static_cast<int>(size),
             static_cast<int>(position));
}

// The corrupt report in the product's language (kTextCorruptReport) when it has one that takes the
// number, else the built-in English report.
std::string CorruptReport(int error) {
  std::u16string report;
  if (Texts().Format(kTextCorruptReport, {int64_t{error}}, report)) {
    return ToBarNarrow(report);
  }
  char buffer[sizeof(kCorruptReportFormat) + 16];
  std::snprintf(buffer, sizeof(buffer), kCorruptReportFormat, error);
  return buffer;
}

}  // namespace

void ReportCorrupt(int error) {
  FatalError("%s", CorruptReport(error).c_str());
}

void LocatePayloadSection(PayloadContext& payload) {
  int error = 0;
  switch (LocateSetupSection(*payload.file, payload.section, error)) {
    case SectionLookup::kFound:
      break;
    case SectionLookup::kNotFound:
      FatalError("%s", kNoInstallationDataText);
    case SectionLookup::kCorrupt:
      ReportCorrupt(error);
  }
  if (!payload.file->Seek(payload.section.rawOffset)) ReportCorrupt(kErrorSeek);
  payload.sectionBytes = MappedSection(payload.section);
}

void ReadPayloadHeaderInPlace(PayloadContext& payload) {
  int result = ReadPayloadHeader(payload.sectionBytes, payload.header);
  if (result == kVersionMismatch) {
    const std::string title = ToBarNarrow(GetInstallerState().title);
    FatalError(kVersionMismatchFormat, title.c_str(), payload.header.formatVersion.c_str(),
               title.c_str());
  }
  if (result != 0) ReportCorrupt(result);
}

void UnpackPayloadSettings(PayloadContext& payload) {
  int result = UnpackSettings(payload.sectionBytes, payload.header, payload.settingsStream);
  if (result != 0) ReportCorrupt(result);
}

void ReadLeadingSettings(PayloadContext& payload, SettingsReader& reader) {
  ProductSettings& product = Product();
  reader.ReadLeadingFields();
  product.ProductFlags2 = payload.header.productFlags2;
  if (!SystemHasModernLook()) product.ProductFlags2 &= ~kFlags2ModernLook;
  InstallerState& state = GetInstallerState();
  state.automaticMode = EffectiveAutomaticMode(product.automaticOverride, state.automaticMode);
  SetShowErrorsInAutomaticMode((product.ProductFlags & kFlagShowErrorsInAutomaticMode) != 0);
}

void ReadRemainingSettings(PayloadContext& payload, SettingsReader& reader,
                           const SettingsEnvironment& environment) {
  const std::vector<uint8_t>& stream = payload.settingsStream;
  if (PayloadChecksum(stream.data(), static_cast<int64_t>(stream.size())) !=
      payload.header.settingsChecksum) {
    ReportCorrupt(kErrorSettingsChecksum);
  }
  int result = reader.ReadRemainingFields();
  if (result != 0) ReportCorrupt(result);
  StartTexts(environment);
}

void ReadInstallerImage(PayloadContext& payload) {
  InputFile& file = *payload.file;
  const SetupSectionLocation& section = payload.section;
  // The image is everything before the section's raw data; it cannot be longer than the file.
  if (section.rawOffset > file.Size()) ReportCorrupt(kErrorImageUnreadable);
  std::vector<uint8_t> image(section.rawOffset);
  if (!file.ReadAt(0, image.data(), image.size())) ReportCorrupt(kErrorImageUnreadable);

  if ((Product().ProductFlags & kFlagVerifyInstallerImage) != 0) {
    if (InstallerImageChecksum(image, section.peHeaderOffset) != payload.header.installerChecksum) {
      ReportCorrupt(kErrorImageChecksum);
    }
  }

  if ((Product().ProductFlags2 & kFlags2StrippedUninstaller) != 0) {
    int result = MakePayloadStrippedCopy(image, section, file);
    if (result != 0) ReportCorrupt(result);
    payload.uninstallerSize = image.size();
    payload.strippedProgram = std::move(image);
  } else {
    payload.uninstallerSize = file.Size();
  }
}

void EstablishFileDataArea(PayloadContext& payload, bool fromFile) {
  const PayloadHeader& header = payload.header;
  if (!fromFile) {
    payload.fileDataArea = MappedFileDataArea(payload.sectionBytes, header);
  } else {
    // The area runs from its place in the file to the end of the file. Its size is compared
    // before anything is read, so the buffer never receives more than the payload declares.
    InputFile& file = *payload.file;
    uint64_t position = uint64_t{payload.section.rawOffset} + header.fileDataOffset;
    int64_t size = static_cast<int64_t>(file.Size()) - static_cast<int64_t>(position);
    if (size < 0) ReportArchiveReadFailure(size, position);
    payload.fileDataArea.foundSize = size;
    if (size == header.fileDataSize) {
      payload.fileDataBuffer.resize(static_cast<size_t>(size));
      if (size > 0 &&
          !file.ReadAt(position, payload.fileDataBuffer.data(), payload.fileDataBuffer.size())) {
        ReportArchiveReadFailure(size, position);
      }
      payload.fileDataArea.bytes = ByteSpan(payload.fileDataBuffer);
    }
  }
  if (int result = CheckFileDataAreaSize(payload.fileDataArea, header); result != 0) {
    ReportCorrupt(result);
  }
}

void VerifyFileDataArea(const PayloadContext& payload) {
  int result = CheckFileDataAreaChecksum(payload.fileDataArea, payload.header);
  if (result != 0) ReportCorrupt(result);
}

}  // namespace qs
