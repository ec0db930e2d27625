#include "files/os_name_win.h"

#include <windows.h>

#include <cstring>

namespace qs {
namespace {

using GetNativeSystemInfoFunction = void(WINAPI*)(SYSTEM_INFO*);
using GetProductInfoFunction = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);

// kernel32 is in every process from its start; looking a function up in it loads nothing.
template <typename Function>
Function Kernel32Function(const char* name) {
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(kernel, name)));
}

std::string TrimmedBlanks(const char* text) {
  std::string result(text, ::strnlen(text, 128));
  size_t begin = result.find_first_not_of(' ');
  if (begin == std::string::npos) return std::string();
  size_t end = result.find_last_not_of(' ');
  return result.substr(begin, end - begin + 1);
}

OsFacts ReadRunningSystem() {
  OsFacts facts;
  OSVERSIONINFOEXA version;
  std::memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  // The extended structure is known from NT 4 SP6 and 98 on; older systems refuse it.
  bool extended = ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)) != FALSE;
  if (!extended) {
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) return facts;
  }
  switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      facts.platform = OsPlatform::kWin32s;
      break;
    case VER_PLATFORM_WIN32_WINDOWS:
      facts.platform = OsPlatform::kWindows9x;
      break;
    default:
      facts.platform = OsPlatform::kWindowsNt;
      break;
  }
  facts.major = version.dwMajorVersion;
  facts.minor = version.dwMinorVersion;
  // The older family keeps the major and minor version in the build number's high word.
  facts.build = facts.platform == OsPlatform::kWindowsNt ? version.dwBuildNumber
                                                         : LOWORD(version.dwBuildNumber);
  // The older family reports an update letter between blanks (" B ") here.
  facts.servicePack = TrimmedBlanks(version.szCSDVersion);
  if (extended && facts.platform == OsPlatform::kWindowsNt) {
    facts.productType = version.wProductType;
    facts.suiteMask = version.wSuiteMask;
  }
  if (facts.platform != OsPlatform::kWindowsNt) return facts;

  if (facts.major >= 5) {
    // GetNativeSystemInfo (XP and later) tells the machine's processor to a 32-bit process
    // under WOW64; GetSystemInfo would tell the emulated one.
    auto getNativeSystemInfo = Kernel32Function<GetNativeSystemInfoFunction>("GetNativeSystemInfo");
    if (getNativeSystemInfo != nullptr) {
      SYSTEM_INFO system;
      std::memset(&system, 0, sizeof system);
      getNativeSystemInfo(&system);
      facts.nativeIs64 = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                         system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    }
  }
  if (facts.major >= 6) {
    auto getProductInfo = Kernel32Function<GetProductInfoFunction>("GetProductInfo");
    DWORD productType = 0;
    if (getProductInfo != nullptr && getProductInfo(facts.major, facts.minor, 0, 0, &productType)) {
      facts.productInfo = productType;
    }
  }
  facts.serverR2 = ::GetSystemMetrics(SM_SERVERR2) != 0;
  facts.mediaCenter = ::GetSystemMetrics(SM_MEDIACENTER) != 0;
  facts.starter = ::GetSystemMetrics(SM_STARTER) != 0;
  facts.tabletPc = ::GetSystemMetrics(SM_TABLETPC) != 0;
  return facts;
}

}  // namespace

const OsFacts& RunningSystem() {
  // Read on first use, on the main thread; the system does not change while the program runs.
  static const OsFacts facts = ReadRunningSystem();
  return facts;
}

std::string RunningSystemName(uint32_t options) {
  return OperatingSystemName(RunningSystem(), options);
}

}  // namespace qs
