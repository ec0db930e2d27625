// The Uninstall.DAT reader on a file's bytes, and the writer on what it read; the uninstaller's
// checks of the lines read, and the registry script they keep, which checked again must lose
// nothing more (the next run would report it again and never complete).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "uninstall/record_line_checks.h"
#include "uninstall/uninstall_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const qs::UninstallRecord record = qs::ParseUninstallRecord(bytes);
  std::string removalList;
  for (const std::string& entry : record.removalEntries) removalList += entry + "\r\n";
  qs::ParseUninstallRecord(qs::FormatUninstallRecord(removalList, record));

  for (const std::string& entry : record.removalEntries) {
    if (!entry.empty() && entry.front() == '!') {
      qs::IsRemovableRegistryValue(std::string_view(entry).substr(1));
    }
  }
  for (const std::string& line : record.registryLines) qs::IsRemovableRegistryValue(line);
  for (const qs::RecordedAssociation& association : record.associations) {
    qs::IsRemovableAssociation(association);
  }
  qs::IsOwnProductRegistryKey(bytes);
  std::vector<std::string> refused;
  const std::string kept = qs::WithoutRefusedScriptRecords(record.registry2Text, refused);
  std::vector<std::string> again;
  if (qs::WithoutRefusedScriptRecords(kept, again) != kept || !again.empty()) __builtin_trap();
  return 0;
}
