// The settings stream reader on an unpacked stream: once as the tools read it (every field as
// stored) and once as the installer does (with its defaults and the command line's name).
#include <cstddef>
#include <cstdint>

#include "core/settings_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const qs::ByteSpan stream(data, size);

  qs::SettingsEnvironment asStored;
  asStored.applyDefaults = false;
  qs::ProductSettings stored;
  qs::ReadSettingsStream(stream, asStored, stored);

  qs::SettingsEnvironment installer;
  installer.windowsDir = u"C:\\Windows";
  installer.programFilesDir = u"C:\\Program Files (x86)";
  installer.expandVariables = [](std::u16string_view path) { return std::u16string(path); };
  qs::ProductSettings settings;
  qs::SettingsReader reader(stream, installer, settings);
  reader.ReadLeadingFields();
  reader.ReadRemainingFields();
  return 0;
}
