#pragma once
// Reads the settings stream front to back into ProductSettings. Reading is split after the
// sixth field: the caller verifies the stream's checksum there and then reads the rest.
#include <cstdint>
#include <string>

#include "base/byte_span.h"
#include "base/text.h"
#include "core/product_settings.h"
#include "core/target_path.h"

namespace qs {

// What the reader needs from the running system to apply the defaults.
struct SettingsEnvironment {
  bool applyDefaults = true;           // false: every field exactly as stored (tools)
  std::u16string productNameOverride;  // /n:, replaces the stored DisplayName when not empty
  std::u16string windowsDir;           // "<os>"
  std::u16string programFilesDir;      // the system's Program Files folder as this process sees it
  TextExpander expandVariables;        // path variables of defaultInstallDir; none: kept as written
  AnsiDecoder decodeAnsi = DecodeLatin1;
};

class SettingsReader {
 public:
  SettingsReader(ByteSpan stream, const SettingsEnvironment& environment,
                 ProductSettings& settings);

  // Fields 1 to 6. Nothing there is checked.
  void ReadLeadingFields();
  // Fields 7 to 62 with their checks; 0 or the error number. Ends by putting the placeholders
  // into dialogCaption.
  int ReadRemainingFields();

 private:
  class Impl;
  ByteSpan stream_;
  size_t position_ = 0;
  bool failed_ = false;
  const SettingsEnvironment& environment_;
  ProductSettings& settings_;
  friend class Impl;
};

// defaultInstallDir with its defaults: the product name when empty; otherwise "<os>" and the path
// variables are expanded. The result is taken inside the Program Files folder, unless it is
// absolute or one of the forms the install sequence resolves ("<master>", "HKLM\\", "HKCU\\").
std::u16string ResolveDefaultInstallDir(const std::u16string& stored,
                                        const std::u16string& productName, uint8_t bitness,
                                        const SettingsEnvironment& environment);

// A Program Files or Common Files folder as a 64-bit product sees it: without " (x86)".
std::u16string StripX86Suffix(std::u16string folder);

// The placeholder values of the product's texts, once its names are read.
struct PlaceholderValues;
PlaceholderValues PlaceholderValuesOf(const ProductSettings& settings,
                                      const SettingsEnvironment& environment);

// Both halves at once, for tools that have already checked the stream.
int ReadSettingsStream(ByteSpan stream, const SettingsEnvironment& environment,
                       ProductSettings& settings);

// The command line's automatic mode after the product's override (1 on, 2 off).
bool EffectiveAutomaticMode(uint8_t automaticOverride, bool fromCommandLine);

}  // namespace qs
