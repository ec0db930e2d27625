// The file-specification text: its lines, each line's base folder and items, and each item's
// folder and pattern.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/file_specification.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view specification(reinterpret_cast<const char*>(data), size);
  const std::u16string_view defaultFolder = u"C:\\Product";
  for (const qs::SpecificationLine& line :
       qs::SplitSpecification(specification, qs::DecodeLatin1)) {
    qs::IsAbsolutePath(line.text);
    qs::LineBaseFolder(line.text, defaultFolder);
    for (const std::u16string& item : qs::LineItems(line.text, defaultFolder)) {
      qs::SplitItem(item);
    }
  }
  return 0;
}
