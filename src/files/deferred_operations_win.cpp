#include "files/deferred_operations_win.h"

namespace qs {

DWORD DeleteFileWithOptions(const std::string&, uint32_t) {
  return ERROR_CALL_NOT_IMPLEMENTED;
}
DWORD MoveFileWithOptions(const std::string&, const std::string&, uint32_t) {
  return ERROR_CALL_NOT_IMPLEMENTED;
}
bool ReplaceAtRestart(const std::string&, const std::string&) {
  return false;
}
bool ReplaceAtRestart(const std::wstring&, const std::wstring&) {
  return false;
}
bool DeleteAtRestart(const std::string&) {
  return false;
}
bool DeleteAtRestart(const std::wstring&) {
  return false;
}
bool WriteWininitRename(const std::string&, const std::string&) {
  return false;
}
bool ReplaceLockedFile(const std::string&, ByteSpan, const DateTime&, std::string&) {
  return false;
}
void MarkRestartPending(const std::string&) {}

}  // namespace qs
