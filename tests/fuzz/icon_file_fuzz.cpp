// The .ico reader on a file's bytes, the group resource made from its images, and the group
// resource reader on both.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "uninstall/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const qs::ByteSpan file(data, size);
  std::vector<uint16_t> ids;
  qs::IconGroupIds(file, ids);

  std::vector<qs::IconImage> images;
  if (!qs::ParseIconFile(file, images)) return 0;
  ids.clear();
  for (size_t i = 0; i < images.size(); ++i) ids.push_back(static_cast<uint16_t>(i + 1));
  const std::vector<uint8_t> group = qs::IconGroupResource(images, ids);
  std::vector<uint16_t> read;
  // The group lists the images under the identifiers it was given.
  if (!qs::IconGroupIds(group, read) || read != ids) __builtin_trap();
  return 0;
}
