#include "core/install_sequence_win.h"

#include <string>

#include "base/fatal.h"
#include "base/text_win.h"
#include "core/exit_win.h"
#include "core/payload_entry.h"
#include "core/payload_format.h"
#include "core/product_win.h"
#include "core/target_path.h"
#include "ui/user_interface_win.h"

namespace qs {

void RunInstallation(InputFile& ownFile, const CommandLineOptions& options) {
  PayloadContext payload;
  payload.file = &ownFile;
  LocatePayloadSection(payload);
  ReadPayloadHeaderInPlace(payload);
  UnpackPayloadSettings(payload);
  {
    SettingsEnvironment environment = SystemSettingsEnvironment();
    SettingsReader reader(payload.settingsStream, environment, Product());
    ReadLeadingSettings(payload, reader);
    ReadRemainingSettings(payload, reader, environment);
  }
  // The settings stream is fully read: free it before the file data is touched.
  std::vector<uint8_t>().swap(payload.settingsStream);
  ReadInstallerImage(payload);

  // Without a language page the language named "English" (or the first) is used.
  UseLanguage(Product().languages.defaultLanguage);

  EstablishFileDataArea(payload, Product().fileDataFromFile != 0);
  Ui().SetProgress(21);
  VerifyFileDataArea(payload);
  Ui().SetProgress(26);
  Ui().SetProgress(27);

  InstallPayloadFiles(payload);
  ExitInstaller(1);
}

void InstallPayloadFiles(PayloadContext& payload) {
  const PayloadHeader& header = payload.header;
  const int32_t count = header.entryCount;
  QS_CHECK(header.contentSizes.size() == static_cast<size_t>(count));
  FileDataReader reader(payload.fileDataArea.bytes, header,
                        (Product().ProductFlags & kFlagCompressedBlocks) != 0);
  const TargetFolders folders;
  const PathExpander keepAsWritten = [](std::string_view text) { return std::string(text); };

  for (int32_t i = 0; i < count; ++i) {
    Ui().SetProgress(static_cast<int>(28 + int64_t{62} * i / count));
    ByteSpan record;
    int result = reader.NextEntry(record);
    if (result != 0) ReportCorrupt(result);
    PayloadEntry entry;
    result = ParsePayloadEntry(record, header.contentSizes[static_cast<size_t>(i)], entry);
    if (result != 0) ReportCorrupt(result);
    std::string storedName = entry.name;
    TargetPath target;
    result = ResolveTargetPath(entry, folders, keepAsWritten, target);
    if (result != 0) ReportCorrupt(result);
    Ui().ShowCurrentItem(Widen(storedName));
  }
}

}  // namespace qs
