#include "files/shared_files.h"

namespace qs {

SharedFileEntry SplitSharedMarker(std::string_view pathWithMarker) {
  return {std::string(pathWithMarker), 0};
}
std::string QuoteSharedEntry(std::string_view pathWithMarker) {
  return "\"" + std::string(pathWithMarker) + "\"";
}
bool ListsSharedEntry(std::string_view, std::string_view) {
  return false;
}
void AppendSharedEntry(std::string&, std::string_view) {}
std::vector<SharedFileEntry> ParseSharedFiles(std::string_view) {
  return {};
}

}  // namespace qs
