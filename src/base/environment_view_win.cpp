#include "base/environment_view_win.h"

#include <windows.h>

#include <string>

namespace qs {
namespace {

#if defined(_WIN64)
// A variable's value; false when it is not set.
bool EnvironmentVariable(const wchar_t* name, std::wstring& value) {
  DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return false;
  value.assign(size, L'\0');
  DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
  if (length == 0 || length >= size) return false;
  value.resize(length);
  return true;
}

// `name` takes the value of `source` when that is set.
void CopyVariable(const wchar_t* source, const wchar_t* name) {
  std::wstring value;
  if (EnvironmentVariable(source, value)) ::SetEnvironmentVariableW(name, value.c_str());
}
#endif

}  // namespace

void AdoptProgramEnvironment() {
#if defined(_WIN64)
  CopyVariable(L"ProgramFiles(x86)", L"ProgramFiles");
  CopyVariable(L"CommonProgramFiles(x86)", L"CommonProgramFiles");
  std::wstring architecture;
  if (EnvironmentVariable(L"PROCESSOR_ARCHITECTURE", architecture) && architecture != L"x86") {
    ::SetEnvironmentVariableW(L"PROCESSOR_ARCHITEW6432", architecture.c_str());
    ::SetEnvironmentVariableW(L"PROCESSOR_ARCHITECTURE", L"x86");
  }
#endif
}

}  // namespace qs
