#include "files/file_queries_win.h"

namespace qs {

FileOpen OpenFileForLayer(const std::wstring&, DWORD, DWORD, DWORD, DWORD, bool) {
  return {};
}
bool FileExists(const std::string&) {
  return false;
}
bool FileExists(const std::wstring&) {
  return false;
}
bool GetFileDate(const std::string&, DateTime&) {
  return false;
}
std::string GetFileVersion(const std::string&) {
  return {};
}
DateTime DateTimeFromSystemTime(const SYSTEMTIME&) {
  return {};
}
bool FileTimeFromDateTime(const DateTime&, FILETIME&) {
  return false;
}

}  // namespace qs
