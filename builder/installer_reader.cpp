#include "builder/installer_reader.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/text.h"
#include "core/payload_checksum.h"
#include "core/payload_format.h"
#include "core/settings_reader.h"
#include "core/target_path.h"

namespace qs::builder {
namespace {

ReadResult Corrupt(int error) {
  return {error, "error code " + std::to_string(error) + ": " + DescribeCorruptError(error)};
}

}  // namespace

const char* DescribeCorruptError(int error) {
  switch (error) {
    case kErrorNoRawData:
      return ".setup section has no raw data";
    case kErrorSeek:
      return "cannot seek to the section's raw data";
    case kErrorMagic:
      return "wrong payload magic";
    case kErrorSettingsSize:
      return "settings blob size out of range";
    case kErrorSettingsChecksum:
      return "settings checksum mismatch";
    case kErrorEntryCount:
      return "negative entry count";
    case kErrorContentSizeTable:
      return "content size out of range";
    case kErrorFileDataSize:
      return "negative file-data size";
    case kErrorSettingsEnd:
      return "settings end marker missing";
    case kErrorImageUnreadable:
      return "installer image unreadable";
    case kErrorImageChecksum:
      return "installer image checksum mismatch";
    case kErrorTrailingBytes:
      return "bytes after the payload section unreadable";
    case kErrorPeHeaderOffset:
      return "PE header offset out of range";
    case kErrorSectionCount:
      return "section count out of range";
    case kErrorPayloadEnd:
      return "negative payload end";
    case kErrorFileDataSizeMismatch:
      return "file-data size differs from the header";
    case kErrorSettingsInflate:
      return "settings blob does not inflate";
    case kErrorFileDataChecksum:
      return "file-data checksum mismatch";
    case kErrorBlockInflate:
      return "block does not inflate";
    case kErrorBlockLength:
      return "block length not positive";
    case kErrorBlockChecksum:
      return "block checksum mismatch";
    case kErrorBlockOverrun:
      return "block longer than the rest of the area";
    case kErrorEntryName:
      return "malformed entry (empty name or fields past its end)";
    case kErrorContentSizeNegative:
      return "content size below 0";
    case kErrorContentSizeTooLarge:
      return "content size above 1 GiB";
    case kErrorContentChecksum:
      return "content checksum mismatch";
    case kErrorEntryKind:
      return "entry kind outside the table";
    default:
      return "damaged payload";
  }
}

ReadResult OpenInstaller(const std::string& path, InstallerFile& installer) {
  installer = InstallerFile{};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {kReadCannotOpen, "cannot open '" + path + "'"};
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return {kReadCannotOpen, "cannot read '" + path + "'"};
  ReadResult result = OpenInstallerBytes(std::move(bytes), installer);
  if (result.error == kReadNoSetupSection) result.message = "'" + path + "' has no .setup section";
  return result;
}

ReadResult OpenInstallerBytes(std::vector<uint8_t> bytes, InstallerFile& installer) {
  installer = InstallerFile{};
  installer.bytes = std::move(bytes);
  MemoryByteSource source(installer.bytes);
  int error = 0;
  const SectionLookup lookup = LocateSetupSection(source, installer.section, error);
  if (lookup == SectionLookup::kCorrupt) return Corrupt(error);
  if (std::string problem; !ReadPeImage(installer.bytes, installer.program, problem)) {
    return {kReadNotAProgram, "the installer program's headers are damaged: " + problem};
  }
  if (lookup == SectionLookup::kNotFound) {
    return {kReadNoSetupSection, "the file has no .setup section"};
  }
  const SetupSectionLocation& s = installer.section;
  if (s.rawOffset > installer.bytes.size()) return Corrupt(kErrorSeek);
  const size_t mapped = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
  const size_t available =
      std::min<size_t>({mapped, s.rawSize, installer.bytes.size() - s.rawOffset});
  if (mapped - available > kMaxSectionZeroFill) {
    return {kReadSectionTooLarge, "the .setup section maps " + std::to_string(mapped) +
                                      " bytes, of which the file holds " +
                                      std::to_string(available) + ": more zeros than the " +
                                      std::to_string(kMaxSectionZeroFill >> 20) +
                                      " MiB this tool fills in"};
  }
  installer.sectionBytes.assign(mapped, 0);
  std::copy_n(installer.bytes.begin() + s.rawOffset, available, installer.sectionBytes.begin());

  error = ReadPayloadHeader(installer.sectionBytes, installer.header);
  if (error == kVersionMismatch) {
    return {kVersionMismatch, "payload format version " + installer.header.formatVersion +
                                  " does not match " + kPayloadFormatVersion};
  }
  if (error != 0) return Corrupt(error);
  if (int e = UnpackSettings(installer.sectionBytes, installer.header, installer.settings); e) {
    return Corrupt(e);
  }
  const std::vector<uint8_t>& st = installer.settings;
  if (PayloadChecksum(st.data(), static_cast<int64_t>(st.size())) !=
      installer.header.settingsChecksum) {
    return Corrupt(kErrorSettingsChecksum);
  }
  SettingsEnvironment asStored;
  asStored.applyDefaults = false;
  if (int e = ReadSettingsStream(st, asStored, installer.product); e != 0) return Corrupt(e);
  installer.productFlags = installer.product.ProductFlags;

  if (installer.productFlags & kFlagVerifyInstallerImage) {
    const ByteSpan image(installer.bytes.data(), s.rawOffset);
    if (InstallerImageChecksum(image, s.peHeaderOffset) != installer.header.installerChecksum) {
      return Corrupt(kErrorImageChecksum);
    }
  }
  return {};
}

StoredEntryForms StoredFormsOf(const PayloadEntry& entry) {
  const StoredEntryForms& kept = entry.storedForms;
  auto narrow = [](const std::string& bytes, std::u16string_view text) {
    return bytes.empty() ? ToBarNarrow(text) : bytes;
  };
  return {narrow(kept.name, entry.name),
          kept.text.empty() ? Utf16ToUtf8(entry.text) : kept.text,
          narrow(kept.icon, entry.icon),
          narrow(kept.command, entry.command),
          narrow(kept.destination, entry.destination),
          narrow(kept.extra, entry.extra)};
}

ReadResult ReadEntries(const InstallerFile& installer,
                       const std::function<void(const PayloadEntry&, int index)>& visit) {
  const PayloadHeader& header = installer.header;
  FileDataArea area;
  if (installer.product.fileDataFromFile == 0) {
    area = MappedFileDataArea(installer.sectionBytes, header);
  } else {
    // From the area's place in the file to the end of the file, which must be the payload's.
    const uint64_t start = uint64_t{installer.section.rawOffset} + header.fileDataOffset;
    if (start > installer.bytes.size()) return Corrupt(kErrorFileDataSizeMismatch);
    area.bytes = ByteSpan(installer.bytes).subspan(static_cast<size_t>(start));
    area.foundSize = static_cast<int64_t>(area.bytes.size());
  }
  if (int error = CheckFileDataArea(area, header); error != 0) return Corrupt(error);
  FileDataReader reader(area.bytes.first(static_cast<size_t>(header.fileDataSize)), header,
                        (installer.productFlags & kFlagCompressedBlocks) != 0);
  for (int i = 0; i < header.entryCount; ++i) {
    ByteSpan record;
    if (int error = reader.NextEntry(record); error != 0) return Corrupt(error);
    PayloadEntry entry;
    if (int error = ParsePayloadEntry(record, header.contentSizes[i], entry,
                                      {.decodeAnsi = DecodeLatin1, .keepStoredForms = true});
        error != 0) {
      return Corrupt(error);
    }
    TargetPath target;
    PayloadEntry resolved = entry;
    if (int error = ResolveTargetPath(resolved, TargetFolders{}, nullptr, target); error != 0) {
      return Corrupt(error);
    }
    visit(entry, i);
  }
  return {};
}

}  // namespace qs::builder
