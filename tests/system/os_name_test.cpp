// The running system as the installer reads it, against what ntdll reports (RtlGetVersion tells
// the truth whatever the program's manifest says). The expected names are kept here, keyed on
// that version, so a prefix set to another Windows version checks the reading end to end.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "files/os_name_win.h"
#include "harness_win.h"

namespace qs {
namespace {

struct TrueSystem {
  uint32_t major = 0;
  uint32_t minor = 0;
  bool workstation = true;
  std::string servicePack;
  bool native64 = false;
  DWORD productType = 0;  // GetProductInfo's number; 0 when not asked
};

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using GetProductInfoFunction = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);

TrueSystem ReadTrueSystem() {
  TrueSystem system;
  OSVERSIONINFOEXW version;
  std::memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (rtlGetVersion == nullptr || rtlGetVersion(&version) != 0) return system;
  system.major = version.dwMajorVersion;
  system.minor = version.dwMinorVersion;
  system.workstation = version.wProductType == VER_NT_WORKSTATION;
  for (const wchar_t* c = version.szCSDVersion; *c != 0; ++c) {
    system.servicePack += static_cast<char>(*c);
  }
  system.native64 = systest::SystemIs64Bit();
  auto getProductInfo = reinterpret_cast<GetProductInfoFunction>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetProductInfo")));
  if (system.major >= 6 && getProductInfo != nullptr) {
    getProductInfo(system.major, system.minor, 0, 0, &system.productType);
  }
  return system;
}

struct KnownSystem {
  uint32_t major, minor;
  bool workstation;
  const char* name;  // without edition words, " x64" and service pack
  uint32_t bit;
};

// What winecfg can set a prefix to (the workstation versions from Vista on, and a few servers).
constexpr KnownSystem kKnownSystems[] = {
    {10, 0, true, "Windows 10", 0x8000},         {6, 3, true, "Windows 8.1", 0x2000},
    {6, 2, true, "Windows 8", 0x2000},           {6, 1, true, "Windows 7", 0x1000},
    {6, 0, true, "Windows Vista", 0x400},        {6, 1, false, "Windows Server 2008 R2", 0x800},
    {6, 0, false, "Windows Server 2008", 0x800},
};

const KnownSystem* FindKnown(const TrueSystem& system) {
  for (const KnownSystem& known : kKnownSystems) {
    if (known.major == system.major && known.minor == system.minor &&
        known.workstation == system.workstation) {
      return &known;
    }
  }
  return nullptr;
}

// The product types Wine and common systems report, with their edition words.
const char* KnownEditionWords(DWORD productType) {
  switch (productType) {
    case 0x01:
      return " Ultimate";
    case 0x07:
      return " Server Standard";
    case 0x1C:
      return " Ultimate N";
    case 0x30:
      return " Professional";
    default:
      return nullptr;
  }
}

// The whole check, shared by the suites that run in the different prefixes.
void ExpectNameAndBitOf(const TrueSystem& system) {
  const KnownSystem* known = FindKnown(system);
  ASSERT_NE(known, nullptr) << "no expected name for " << system.major << "." << system.minor;

  const OsFacts& facts = RunningSystem();
  EXPECT_EQ(facts.platform, OsPlatform::kWindowsNt);
  EXPECT_EQ(facts.major, system.major);
  EXPECT_EQ(facts.minor, system.minor);
  EXPECT_EQ(facts.nativeIs64, system.native64);
  EXPECT_EQ(UnsupportedSystemBit(facts), known->bit);

  const std::string x64 = system.native64 ? " x64" : "";
  const std::string servicePack = system.servicePack.empty() ? "" : " " + system.servicePack;
  EXPECT_EQ(RunningSystemName(3), known->name + x64);
  EXPECT_EQ(RunningSystemName(2), known->name + x64 + servicePack);
  if (const char* edition = KnownEditionWords(system.productType)) {
    EXPECT_EQ(RunningSystemName(0), known->name + std::string(edition) + x64 + servicePack);
  }
}

TEST(OsName, NameAndRefusedSystemBitFollowTheSystemsVersion) {
  ExpectNameAndBitOf(ReadTrueSystem());
  // Read once: the same record every time.
  EXPECT_EQ(&RunningSystem(), &RunningSystem());
}

TEST(Prefix32OsName, ThirtyTwoBitSystemHasNoX64) {
  const TrueSystem system = ReadTrueSystem();
  if (system.native64) GTEST_SKIP() << "needs a 32-bit prefix";
  ExpectNameAndBitOf(system);
  EXPECT_FALSE(RunningSystem().nativeIs64);
  EXPECT_EQ(RunningSystemName(0).find("x64"), std::string::npos) << RunningSystemName(0);
}

TEST(Win7PrefixOsName, Windows7IsToldApart) {
  const TrueSystem system = ReadTrueSystem();
  if (system.major != 6 || system.minor != 1 || !system.workstation) {
    GTEST_SKIP() << "needs a prefix set to Windows 7";
  }
  ExpectNameAndBitOf(system);
  EXPECT_EQ(UnsupportedSystemBit(RunningSystem()), 0x1000u);
  EXPECT_EQ(RunningSystemName(3).rfind("Windows 7", 0), 0u) << RunningSystemName(3);
}

TEST(Win10PrefixOsName, ManifestLetsTheProgramSeeWindows10) {
  const TrueSystem system = ReadTrueSystem();
  if (system.major != 10) GTEST_SKIP() << "needs a prefix set to Windows 10";
  // Without the manifest's compatibility list GetVersionEx would say 6.2 here.
  ExpectNameAndBitOf(system);
  EXPECT_EQ(UnsupportedSystemBit(RunningSystem()), 0x8000u);
  EXPECT_EQ(RunningSystemName(3).rfind("Windows 10", 0), 0u) << RunningSystemName(3);
}

}  // namespace
}  // namespace qs
