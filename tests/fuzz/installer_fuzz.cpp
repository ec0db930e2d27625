// A whole installer file as the tools read it and as the program finds its payload in itself:
// the PE headers and the `.setup` section, the header and settings, every entry, and the
// payload-stripped copy the uninstaller is written from.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "builder/installer_reader.h"
#include "core/pe_sections.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  qs::MemoryByteSource source(bytes);
  qs::SetupSectionLocation section;
  int error = 0;
  if (qs::LocateSetupSection(source, section, error) == qs::SectionLookup::kFound &&
      section.rawOffset <= bytes.size()) {
    std::vector<uint8_t> image(bytes.begin(), bytes.begin() + section.rawOffset);
    qs::MakePayloadStrippedCopy(image, section, source);
  }

  qs::builder::InstallerFile installer;
  if (qs::builder::OpenInstallerBytes(bytes, installer).error != 0) return 0;
  qs::builder::ReadEntries(installer, [](const qs::PayloadEntry&, int) {});
  return 0;
}
