#pragma once
// What the tests of restart-time work share: a file held open as a running program holds it,
// the system's list of pending operations, and the restart of the prefix.
//
// Restarting (`wineboot -r`) carries out every pending operation of the prefix, so the tests
// that register or restart run only in the prefix made for them (QS_PREFIX_NAME "restart";
// ctest entry system_tests_restart). Their suites are named RestartPrefix...
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/handle_win.h"
#include "base/registry_view_win.h"
#include "base/text_win.h"
#include "files/pending_operations.h"
#include "files/pending_operations_win.h"

namespace qs::systest {

// Opens `path` for reading without sharing, so that deleting or replacing it fails.
inline UniqueFileHandle LockFile(const std::filesystem::path& path) {
  return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
}

inline bool InRestartPrefix() {
  const char* prefix = std::getenv("QS_PREFIX_NAME");
  return prefix != nullptr && std::string_view(prefix) == "restart";
}

// The strings of "PendingFileRenameOperations"; none when the value is missing.
inline std::vector<std::u16string> PendingOperations() {
  std::vector<std::u16string> operations;
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      InProgramView(KEY_QUERY_VALUE), key.Receive()) != ERROR_SUCCESS) {
    return operations;
  }
  DWORD size = 0;
  if (::RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr, nullptr,
                         &size) != ERROR_SUCCESS) {
    return operations;
  }
  std::u16string units(size / sizeof(char16_t) + 1, u'\0');
  size = static_cast<DWORD>(units.size() * sizeof(char16_t));
  if (::RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(units.data()), &size) == ERROR_SUCCESS) {
    units.resize(size / sizeof(char16_t));
    operations = ParseMultiString(units);
  }
  return operations;
}

// The pending pairs as (source, target), each without its prefix characters and lower-cased; a
// pending deletion has an empty target.
inline std::set<std::pair<std::u16string, std::u16string>> PendingPairs() {
  std::vector<std::u16string> list = PendingOperations();
  if (list.size() % 2 != 0) list.emplace_back();
  std::set<std::pair<std::u16string, std::u16string>> pairs;
  for (size_t i = 0; i < list.size(); i += 2) {
    pairs.emplace(NormalizePendingPath(list[i], LowerCasePath),
                  NormalizePendingPath(list[i + 1], LowerCasePath));
  }
  return pairs;
}

// `path` lower-cased as the pending pairs are.
inline std::u16string LowerPath(const std::filesystem::path& path) {
  return LowerCasePath(AsU16(path.wstring()));
}

// `wineboot -r`: the prefix restarts and carries out what is pending.
inline bool RestartPrefix() {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring program = std::wstring(system) + L"\\wineboot.exe";
  std::wstring commandLine = L"\"" + program + L"\" -r";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start wineboot: " << ::GetLastError();
    return false;
  }
  const UniqueHandle processHandle(process.hProcess);
  const UniqueHandle threadHandle(process.hThread);
  if (::WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "wineboot -r did not end";
    return false;
  }
  return true;
}

}  // namespace qs::systest
