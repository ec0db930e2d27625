#include "uninstall/uninstall_record.h"

namespace qs {

std::string FormatUninstallRecord(std::string_view removalList, const UninstallRecord&) {
  return std::string(removalList);
}

UninstallRecord ParseUninstallRecord(std::string_view) {
  return {};
}

std::string QuoteRecordField(std::string_view field) {
  return std::string(field);
}

std::vector<std::string> SplitRecordFields(std::string_view) {
  return {};
}

}  // namespace qs
