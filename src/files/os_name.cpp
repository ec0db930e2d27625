#include "files/os_name.h"

#include <cstdio>

namespace qs {
namespace {

// VER_SUITE_* bits of the system's suite mask (winnt.h values; this file stays portable).
constexpr uint16_t kSuiteEnterprise = 0x0002;
constexpr uint16_t kSuiteEmbeddedNt = 0x0040;
constexpr uint16_t kSuiteDatacenter = 0x0080;
constexpr uint16_t kSuitePersonal = 0x0200;
constexpr uint16_t kSuiteBlade = 0x0400;
constexpr uint16_t kSuiteStorageServer = 0x2000;
constexpr uint16_t kSuiteComputeServer = 0x4000;

// Windows 95 OSR2 and Windows 98 Second Edition by their build numbers.
constexpr uint32_t kBuild95Osr2 = 1111;
constexpr uint32_t kBuild98SecondEdition = 2222;

struct Edition {
  uint32_t productType;
  const char* words;
};

// The edition words of the product types the system reports from version 6 on (the PRODUCT_*
// numbers of GetProductInfo). Leading "Windows" and the version are left out of the names, since
// the version name stands before them.
constexpr Edition kEditions[] = {
    {1, " Ultimate"},
    {2, " Home Basic"},
    {3, " Home Premium"},
    {4, " Enterprise"},
    {5, " Home Basic N"},
    {6, " Business"},
    {7, " Server Standard"},
    {8, " Datacenter"},
    {9, " Small Business Server"},
    {10, " Enterprise"},
    {11, " Starter"},
    {12, " Server Datacenter (core)"},
    {13, " Server Standard (core)"},
    {14, " Server Enterprise (core)"},
    {15, " Server Enterprise for Itanium-based Systems"},
    {16, " Business N"},
    {17, " Web Server"},
    {18, " HPC Edition"},
    {20, " Storage Server Express"},
    {21, " Storage Server Standard"},
    {22, " Storage Server Workgroup"},
    {23, " Storage Server Enterprise"},
    {24, " for Windows Essential Server Solutions"},
    {25, " Small Business Server Premium"},
    {26, " Home Premium N"},
    {27, " Enterprise N"},
    {28, " Ultimate N"},
    {29, " Web Server (core)"},
    {30, " Essential Business Server Management Server"},
    {31, " Essential Business Server Security Server"},
    {32, " Essential Business Server Messaging Server"},
    {33, " Server Foundation"},
    {35, " without Hyper-V for Windows Essential Server Solutions"},
    {36, " Server Standard without Hyper-V"},
    {37, " Server Datacenter without Hyper-V"},
    {38, " Server Enterprise without Hyper-V"},
    {39, " Server Datacenter without Hyper-V (core)"},
    {40, " Server Standard without Hyper-V (core)"},
    {41, " Server Enterprise without Hyper-V (core)"},
    {42, " Hyper-V Server"},
    {43, " Storage Server Express (core)"},
    {44, " Storage Server Standard (core)"},
    {45, " Storage Server Workgroup (core)"},
    {46, " Storage Server Enterprise (core)"},
    {47, " Starter N"},
    {48, " Professional"},
    {49, " Professional N"},
    {56, " MultiPoint Server"},
    {57, " MultiPoint Server (core)"},
    {63, " Small Business Server Premium (core)"},
    {64, " Cluster Server (without Hyper-V)"},
};

const char* EditionWords(uint32_t productType) {
  for (const Edition& edition : kEditions) {
    if (edition.productType == productType) return edition.words;
  }
  return "";
}

std::string Numbered(const char* format, uint32_t major, uint32_t minor) {
  char text[48];
  std::snprintf(text, sizeof text, format, major, minor);
  return text;
}

bool Has(const OsFacts& facts, uint16_t suiteBit) {
  return (facts.suiteMask & suiteBit) != 0;
}

// 5.2 on a 64-bit workstation is XP Professional x64 Edition, not a Server 2003.
bool IsXpX64(const OsFacts& facts) {
  return facts.major == 5 && facts.minor == 2 && facts.IsWorkstation() && facts.nativeIs64;
}

enum class Family9x { k95, k98, kMe, kOther };

Family9x FamilyOf9x(const OsFacts& facts) {
  if (facts.major != 4) return Family9x::kOther;
  if (facts.minor < 10) return Family9x::k95;
  if (facts.minor < 90) return Family9x::k98;
  return Family9x::kMe;
}

std::string Name9x(const OsFacts& facts) {
  switch (FamilyOf9x(facts)) {
    case Family9x::k95:
      return facts.build == kBuild95Osr2 ? "95 OSR2" : "95";
    case Family9x::k98:
      return facts.build == kBuild98SecondEdition ? "98 SE" : "98";
    case Family9x::kMe:
      return "ME";
    case Family9x::kOther:
      break;
  }
  return Numbered("9x %u.%u", facts.major, facts.minor);
}

// The NT family's version 5 names; the edition words go into `edition`.
std::string NameNt5(const OsFacts& facts, std::string& edition) {
  switch (facts.minor) {
    case 0:
      if (facts.IsWorkstation()) {
        edition = " Professional";
      } else if (Has(facts, kSuiteDatacenter)) {
        edition = " Datacenter Server";
      } else if (Has(facts, kSuiteEnterprise)) {
        edition = " Advanced Server";
      } else {
        edition = " Server";
      }
      return "2000";
    case 1:
      edition = Has(facts, kSuitePersonal) ? " Home" : " Professional";
      if (Has(facts, kSuiteEmbeddedNt)) edition += " Embedded";
      if (facts.mediaCenter) edition += " Media Center";
      if (facts.starter) edition += " Starter";
      if (facts.tabletPc) edition += " Tablet PC";
      return "XP";
    case 2: {
      if (IsXpX64(facts)) {
        edition = " Professional";
        return "XP";
      }
      std::string name = Has(facts, kSuiteStorageServer) ? "Storage Server 2003" : "Server 2003";
      if (facts.serverR2) name += " R2";
      // One suite word: a Datacenter edition may report the Enterprise bit as well.
      if (Has(facts, kSuiteComputeServer)) {
        edition = " Compute Cluster";
      } else if (Has(facts, kSuiteDatacenter)) {
        edition = " Datacenter";
      } else if (Has(facts, kSuiteEnterprise)) {
        edition = " Enterprise";
      } else if (Has(facts, kSuiteBlade)) {
        edition = " Web";
      }
      return name;
    }
    default:
      return Numbered("NT %u.%u", facts.major, facts.minor);
  }
}

std::string NameNt6(const OsFacts& facts, std::string& edition) {
  const bool workstation = facts.IsWorkstation();
  switch (facts.minor) {
    case 0:
      if (!workstation) return "Server 2008";
      if (Has(facts, kSuitePersonal) && facts.productInfo == 0) edition = " Home";
      return "Vista";
    case 1:
      return workstation ? "7" : "Server 2008 R2";
    case 2:
      return workstation ? "8" : "Server 2012";
    case 3:
      return workstation ? "8.1" : "Server 2012 R2";
    case 4:
      return "10 alpha";
    default:
      return Numbered("NT %u.%u", facts.major, facts.minor);
  }
}

// The version name and, separately, the edition words that options bit 1 leaves out.
std::string VersionName(const OsFacts& facts, std::string& edition) {
  switch (facts.platform) {
    case OsPlatform::kWin32s:
      return Numbered("%u.%u", facts.major, facts.minor);
    case OsPlatform::kWindows9x:
      return Name9x(facts);
    case OsPlatform::kWindowsNt:
      break;
  }
  if (facts.major == 5) return NameNt5(facts, edition);
  if (facts.major == 6) return NameNt6(facts, edition);
  if (facts.major == 10) return "10";
  return Numbered("NT %u.%u", facts.major, facts.minor);
}

}  // namespace

std::string OperatingSystemName(const OsFacts& facts, uint32_t options) {
  std::string edition;
  std::string name = "Windows " + VersionName(facts, edition);
  if (facts.platform == OsPlatform::kWindowsNt && facts.major >= 6) {
    edition += EditionWords(facts.productInfo);
  }
  if ((options & 0x2) == 0) name += edition;
  if (facts.nativeIs64) name += " x64";
  if ((options & 0x1) == 0 && !facts.servicePack.empty()) {
    name += ' ';
    name += facts.servicePack;
  }
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  return name;
}

uint32_t UnsupportedSystemBit(const OsFacts& facts) {
  switch (facts.platform) {
    case OsPlatform::kWin32s:
      return 0x2;
    case OsPlatform::kWindows9x:
      switch (FamilyOf9x(facts)) {
        case Family9x::k95:
          return 0x4;
        case Family9x::k98:
          return 0x8;
        case Family9x::kMe:
          return 0x10;
        case Family9x::kOther:
          return 0x1;
      }
      return 0x1;
    case OsPlatform::kWindowsNt:
      break;
  }
  const bool workstation = facts.IsWorkstation();
  switch (facts.major) {
    case 3:
      return 0x20;
    case 4:
      return 0x40;
    case 5:
      if (facts.minor == 0) return 0x80;
      if (facts.minor == 1 || IsXpX64(facts)) return 0x100;
      if (facts.minor == 2) return 0x200;
      return 0x1;
    case 6:
      switch (facts.minor) {
        case 0:
          return workstation ? 0x400 : 0x800;
        case 1:
          return workstation ? 0x1000 : 0x800;
        case 2:
        case 3:
          return workstation ? 0x2000 : 0x4000;
        case 4:
          return 0x8000;
      }
      return 0x1;
    case 10:
      return 0x8000;
  }
  return 0x1;
}

}  // namespace qs
