#pragma once
// The running system as the installer tells systems apart: its facts, its name for the log and
// the messages, and its bit in a product's mask of refused systems.
#include <cstdint>
#include <string>

namespace qs {

enum class OsPlatform : uint8_t { kWin32s, kWindows9x, kWindowsNt };

struct OsFacts {
  OsPlatform platform = OsPlatform::kWindowsNt;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  std::string servicePack;   // "Service Pack 3", or empty
  uint8_t productType = 1;   // 1 workstation, 2 domain controller, 3 server
  uint16_t suiteMask = 0;    // VER_SUITE_* bits
  uint32_t productInfo = 0;  // the edition number from major version 6 on; 0 unknown
  bool nativeIs64 = false;   // the native processor is AMD64 or Itanium
  bool serverR2 = false;     // the system says it is an R2 release
  bool mediaCenter = false;
  bool starter = false;
  bool tabletPc = false;

  bool IsWorkstation() const { return productType == 1; }
};

// "Windows " + version name [+ edition words] [+ " x64"] [+ " " + service pack]. `options`
// bit 0 leaves out the service pack, bit 1 the edition words.
std::string OperatingSystemName(const OsFacts& facts, uint32_t options);

// The system's bit in a product's refused-systems mask (0x1 for a system not in the table).
uint32_t UnsupportedSystemBit(const OsFacts& facts);

}  // namespace qs
