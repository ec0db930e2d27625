#include "base/registry_read_win.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/handle_win.h"
#include "base/registry_view_win.h"
#include "base/text_win.h"

namespace qs {
namespace {

bool OpenForReading(HKEY root, std::wstring_view key, REGSAM view, UniqueRegKey& opened) {
  std::wstring path(key);
  return ::RegOpenKeyExW(root, path.c_str(), 0, InProgramView(KEY_QUERY_VALUE | view),
                         opened.Receive()) == ERROR_SUCCESS;
}

bool StartsWithRoot(std::wstring_view path, std::wstring_view root) {
  if (path.size() <= root.size() || path[root.size()] != L'\\') return false;
  for (size_t i = 0; i < root.size(); ++i) {
    wchar_t c = path[i];
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c != root[i]) return false;
  }
  return true;
}

}  // namespace

bool RegistryKeyExists(HKEY root, std::wstring_view key, REGSAM view) {
  UniqueRegKey opened;
  return OpenForReading(root, key, view, opened);
}

bool ReadRegistryValueUnits(HKEY key, const wchar_t* name, DWORD& type, std::u16string& units) {
  DWORD size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  // An empty value still gets a buffer, so that growth meanwhile is refused rather than passed
  // over.
  std::vector<BYTE> data;
  LSTATUS status = ERROR_MORE_DATA;
  for (int attempt = 0; status == ERROR_MORE_DATA && attempt < 4; ++attempt) {
    data.resize(std::max<DWORD>(size, sizeof(char16_t)));
    size = static_cast<DWORD>(data.size());
    status = ::RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
  }
  if (status != ERROR_SUCCESS) return false;
  units.assign(size / sizeof(char16_t), u'\0');
  if (!units.empty()) std::memcpy(units.data(), data.data(), units.size() * sizeof(char16_t));
  return true;
}

bool ReadKeyText(HKEY key, const wchar_t* name, std::wstring& value) {
  value.clear();
  DWORD type = 0;
  std::u16string units;
  if (!ReadRegistryValueUnits(key, name, type, units)) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  // Stored strings need not end with a zero, and may end with more than one.
  while (!units.empty() && units.back() == u'\0') units.pop_back();
  value = AsWide(units);
  return true;
}

bool ReadKeyNumber(HKEY key, const wchar_t* name, DWORD& value) {
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof data) {
    return false;
  }
  value = data;
  return true;
}

bool ReadRegistryText(HKEY root, std::wstring_view key, std::wstring_view valueName,
                      std::wstring& value, REGSAM view) {
  value.clear();
  UniqueRegKey opened;
  if (!OpenForReading(root, key, view, opened)) return false;
  return ReadKeyText(opened.Get(), std::wstring(valueName).c_str(), value);
}

std::wstring RegistryText(HKEY root, std::wstring_view key, std::wstring_view valueName,
                          REGSAM view) {
  std::wstring value;
  ReadRegistryText(root, key, valueName, value, view);
  return value;
}

bool SplitRegistryValuePath(std::wstring_view path, HKEY& root, std::wstring& key,
                            std::wstring& valueName) {
  struct RootName {
    const wchar_t* name;
    HKEY root;
  };
  static const RootName kRoots[] = {
      {L"HKLM", HKEY_LOCAL_MACHINE},
      {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
      {L"HKAU", HKEY_LOCAL_MACHINE},
      {L"HKCU", HKEY_CURRENT_USER},
      {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {L"HKCR", HKEY_CLASSES_ROOT},
      {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
      {L"HKU", HKEY_USERS},
      {L"HKEY_USERS", HKEY_USERS},
      {L"HKCC", HKEY_CURRENT_CONFIG},
      {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
      {L"HKDD", HKEY_DYN_DATA},
      {L"HKEY_DYN_DATA", HKEY_DYN_DATA},
  };
  while (!path.empty() && path.front() == L'\\') path.remove_prefix(1);
  for (const RootName& candidate : kRoots) {
    std::wstring_view name = candidate.name;
    if (!StartsWithRoot(path, name)) continue;
    std::wstring_view rest = path.substr(name.size() + 1);
    size_t last = rest.rfind(L'\\');
    root = candidate.root;
    key.assign(last == std::wstring_view::npos ? std::wstring_view{} : rest.substr(0, last));
    valueName.assign(last == std::wstring_view::npos ? rest : rest.substr(last + 1));
    return true;
  }
  return false;
}

}  // namespace qs
