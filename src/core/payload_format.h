#pragma once
// The stored layout of the `.setup` section: constants, flag bits and the error numbers that a
// damaged payload is reported by. The numbers are what users and support quote, so they never
// change.
#include <cstddef>
#include <cstdint>

#include "core/product_flags.h"  // the container depends on several flag bits

namespace qs {

inline constexpr char kSetupSectionName[] = ".setup";
inline constexpr uint32_t kPayloadMagic = 0xA4F23DE5;
inline constexpr char kPayloadFormatVersion[] = "29.0.6";
inline constexpr uint32_t kSettingsPackedSizeLimit = 0x3200000;  // exclusive
// The unpacked settings: far beyond any real product, and small enough that inflating a damaged
// stream fails with its own number long before a 32-bit process runs out of memory.
inline constexpr size_t kSettingsSizeLimit = 0x4000000;
inline constexpr int64_t kMaxContentSize = 0x40000000;
inline constexpr uint32_t kSettingsEndMarker = 0xD3E82B97;

// Offset, from the PE header, of the first byte after the optional header's image checksum;
// the installer-image checksum starts there.
inline constexpr uint32_t kImageChecksumStart = 92;

enum CorruptError : int {
  kErrorNoRawData = 9,
  kErrorSeek = 10,
  kErrorMinStepDelay = 19,
  kErrorMagic = 20,
  kErrorSettingsSize = 22,
  kErrorLicenseCount = 24,
  kErrorSettingsChecksum = 25,
  kErrorReadmeCount = 26,
  kErrorEntryCount = 27,
  kErrorContentSizeTable = 28,
  kErrorFileDataSize = 29,
  kErrorLanguageCount = 30,
  kErrorTextCount = 31,
  kErrorSettingsEnd = 32,
  kErrorImageUnreadable = 35,
  kErrorAssociationCount = 36,
  kErrorSavedValueCount = 37,
  kErrorConditionalDeleteCount = 38,
  kErrorBitmapSize = 39,
  kErrorImageChecksum = 40,
  kErrorAutoCloseCount = 41,
  kErrorTrailingBytes = 42,
  kErrorPeHeaderOffset = 43,
  kErrorSectionCount = 44,
  kErrorPayloadEnd = 45,
  kErrorFileDataSizeMismatch = 46,
  kErrorSettingsInflate = 47,
  kErrorShortcutCount = 48,
  kErrorFileDataChecksum = 55,
  kErrorBlockInflate = 60,
  kErrorBlockLength = 61,
  kErrorBlockChecksum = 62,
  kErrorBlockOverrun = 63,
  kErrorConditionArgument = 65,  // a conditional delete's date or size cannot be read
  kErrorEntryName = 70,
  kErrorContentSizeNegative = 71,
  kErrorContentSizeTooLarge = 72,
  kErrorContentChecksum = 100,
  kErrorEntryKind = 110,
};

// Not a corrupt report: the payload was made for another installer version.
inline constexpr int kVersionMismatch = -1;

// The built-in corrupt report, used when the language has no kTextCorruptReport.
inline constexpr char kCorruptReportFormat[] =
    "This installation program is corrupt.  This is usually caused by a faulty download, but it "
    "can also be caused by a virus on your computer.  The installation cannot proceed.\r\n\r\n"
    "Delete the corrupted installer (to prevent caching), then re-download it.  If the problem "
    "persists, check your system for viruses.\r\n\r\nError code: %d";

inline constexpr char kVersionMismatchFormat[] =
    "The installer version (29.0.6) does not match the version of %s (%s).  Close all "
    "applications and reinstall %s.";

inline constexpr char kNoInstallationDataText[] =
    "This program performs installations and uninstallations.\r\nThere is no installation data "
    "present.\r\nNo uninstallation parameters were specified.\r\n\r\nYou should not delete this "
    "program or execute it directly.";

}  // namespace qs
