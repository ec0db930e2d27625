#pragma once
// The Add/Remove Programs registration of a product: what the uninstaller reads back from it,
// and the text forms of the values that are not plain strings or numbers.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

inline constexpr char kUninstallKeyRoot[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The values the uninstaller uses, with the defaults of a value that is missing. Narrow texts
// follow the "|" convention.
struct UninstallKeyValues {
  std::u16string displayName;      // default: the name given with /u:
  std::u16string installLocation;  // empty: the record is corrupt
  uint64_t productFlags = 0;
  uint32_t productFlags2 = 0;
  uint32_t bitness = 0;  // 1: a 64-bit product
  std::u16string displayTitle;
  double titleSize = 1.0;
  uint32_t titleColor = 0;  // default: the system's window-text colour
  uint32_t titleShadow = 1;
  uint32_t topColor = 0;  // default: the system's window colour
  uint32_t bottomColor = 0;
  uint32_t monoColor = 1;
  uint32_t titlePosition = 0;
  std::u16string titleFont;
  std::u16string taskbarText;
  std::u16string copyrightText;
  std::u16string copyrightFont;
  double copyrightSize = 0.0;
  std::optional<uint32_t> copyrightColor;  // 0x00BBGGRR
  uint32_t copyrightPos = 0;
  std::u16string displayVersion;
  std::u16string uninstallSubdir;
  std::string productFonts;
  std::string notifyUrl;
  std::u16string sharedPath;
  std::u16string productStartMenu;
  std::string uninstallBatch1;
  std::string uninstallBatch2;
  std::string sharedFiles;
  std::string productRegistry;
  uint32_t shortcutMode = 0;
  // Read only when the product has a background bitmap.
  int32_t bitmapTPI = -1;
  uint32_t stretchMode = 0;
  uint32_t bitmapSize = 0;
};

// "UninstallString" and "QuietUninstallString": the uninstaller in double quotes, then
// " /u:\"name\"" or " /a /u:\"name\"".
std::string UninstallCommandLine(std::string_view uninstallerPath, std::string_view productName,
                                 bool quiet);
// The same from UTF-16 parts: a path or name that is not ASCII cannot be put together in the
// narrow "|" form.
std::u16string UninstallCommandLine(std::u16string_view uninstallerPath,
                                    std::u16string_view productName, bool quiet);

// "TitleSize" and "CopyrightSize": "%.6f" without trailing zeros and without a trailing point
// (1.5 -> "1.5", 2.0 -> "2"); read back as a double (0 when not a number).
std::string FormatSizeFactor(double size);
double ParseSizeFactor(std::string_view text);

// "CopyrightColor": six upper-case hex digits, red, green, blue, from a 0x00BBGGRR colour.
// Reading skips a leading "#", takes up to six hex digits (fewer are right-aligned) and gives
// nothing when there are none.
std::string FormatCopyrightColor(uint32_t colorRef);
std::optional<uint32_t> ParseCopyrightColor(std::string_view text);

// "VersionMajor" and "VersionMinor": the decimal numbers before and right after the first
// ".". False when the version has no ".".
bool SplitVersionNumbers(std::string_view version, uint32_t& major, uint32_t& minor);
bool SplitVersionNumbers(std::u16string_view version, uint32_t& major, uint32_t& minor);

// "InstallDate": the date formatter's default pattern (files/date_format.h), such as
// "7/5/19 9:03:07a".
inline constexpr std::string_view kInstallDateFormat = "m/d/y h:ii:ssap";

// The number an UninstallData entry of kind 4 writes: the decimal number at the start of the
// text (after spaces and tabs), with an optional sign, in its low 32 bits ("-1" gives
// 0xFFFFFFFF, "12ab" 12); 0 when there is none.
uint32_t SavedValueNumber(std::string_view text);

// "EstimatedSize": requiredSpace / 1024, or nothing when that is outside 1 ... 4294967295.
std::optional<uint32_t> EstimatedSizeOf(uint64_t requiredSpace);

// "ProductFonts": pairs of double-quoted fields (inner quotes doubled): the registered name in
// UTF-8, then the file name in the fonts folder. Written as the file phase writes it, each field
// followed by a space; read with any white space between the fields. An incomplete
// pair at the end is dropped.
struct ProductFont {
  std::string name;  // UTF-8
  std::string file;
  bool operator==(const ProductFont&) const = default;
};
std::vector<ProductFont> ParseProductFonts(std::string_view text);
std::string FormatProductFonts(const std::vector<ProductFont>& fonts);

}  // namespace qs
