// The Uninstall.DAT reader on a file's bytes, and the writer on what it read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "uninstall/uninstall_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const qs::UninstallRecord record = qs::ParseUninstallRecord(bytes);
  std::string removalList;
  for (const std::string& entry : record.removalEntries) removalList += entry + "\r\n";
  qs::ParseUninstallRecord(qs::FormatUninstallRecord(removalList, record));
  return 0;
}
