// The `.setup` section reader on a section's bytes: the header, the settings blob, then every
// entry of the file-data area, read once as compressed and once as stored blocks.
//
// The checksums that guard the area and its blocks are made to match before the blocks are
// read, as a damage that passes them would; otherwise nearly every change to the area would
// stop at the first checksum and the block and entry readers behind it would never be reached.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/payload_checksum.h"
#include "core/payload_container.h"
#include "core/payload_cursor.h"
#include "core/payload_entry.h"
#include "core/target_path.h"

namespace {

// Makes every block checksum of the area match its block, as far as the lengths lead.
void MatchBlockChecksums(std::span<uint8_t> area) {
  size_t position = 0;
  while (area.size() - position >= 8) {
    const uint32_t length = qs::LoadU32(area.data() + position);
    if (length > area.size() - position - 8) break;
    qs::StoreU32(area.data() + position + 4,
                 qs::PayloadChecksum(area.data() + position + 8, length));
    position += 8 + size_t{length};
  }
}

void ReadEntries(qs::ByteSpan area, const qs::PayloadHeader& header, bool compressed) {
  qs::FileDataReader reader(area, header, compressed);
  for (int32_t i = 0; i < header.entryCount; ++i) {
    qs::ByteSpan record;
    if (reader.NextEntry(record) != 0) return;
    qs::PayloadEntry entry;
    if (qs::ParsePayloadEntry(record, header.contentSizes[i], entry) != 0) return;
    qs::TargetPath target;
    const qs::TargetFolders folders{u"C:\\Product", u"C:\\Shared", u"C:\\Product\\Uninstall",
                                    u"C:\\Windows\\Fonts", u"C:\\Windows\\System32"};
    qs::ResolveTargetPath(entry, folders, nullptr, target);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> section(data, data + size);
  qs::PayloadHeader header;
  if (qs::ReadPayloadHeader(section, header) != 0) return 0;
  std::vector<uint8_t> settings;
  qs::UnpackSettings(section, header, settings);

  qs::FileDataArea area = qs::MappedFileDataArea(section, header);
  if (area.bytes.size() < static_cast<size_t>(header.fileDataSize)) return 0;
  area.foundSize = header.fileDataSize;
  std::span<uint8_t> bytes(section.data() + (area.bytes.data() - section.data()),
                           static_cast<size_t>(header.fileDataSize));
  MatchBlockChecksums(bytes);
  header.fileDataChecksum = qs::PayloadChecksum(bytes.data(), static_cast<int64_t>(bytes.size()));
  if (qs::CheckFileDataArea(area, header) != 0) return 0;

  ReadEntries(bytes, header, true);
  ReadEntries(bytes, header, false);
  return 0;
}
