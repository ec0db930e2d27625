#include "core/payload_entry.h"

#include "core/payload_checksum.h"
#include "core/payload_cursor.h"
#include "core/payload_format.h"
#include "core/target_path.h"

namespace qs {

// A record whose fields run past its length, or that leaves bytes over, was not written by a
// builder: it is reported like an entry without a name (70) rather than read on.
int ParsePayloadEntry(ByteSpan record, int32_t contentSize, PayloadEntry& entry) {
  entry = PayloadEntry{};
  PayloadCursor cursor(record);
  if (!cursor.ReadString(entry.name) || entry.name.empty()) return kErrorEntryName;

  int32_t* date[] = {&entry.dateTime.year, &entry.dateTime.month,  &entry.dateTime.day,
                     &entry.dateTime.hour, &entry.dateTime.minute, &entry.dateTime.second};
  bool ok =
      cursor.ReadU32(entry.kind) && cursor.ReadU32(entry.flags) && cursor.ReadU32(entry.attributes);
  for (int32_t* field : date) ok = ok && cursor.ReadI32(*field);
  ok = ok && cursor.ReadString(entry.text);
  if (ok && entry.HasIcon()) ok = cursor.ReadString(entry.icon);
  ok = ok && cursor.ReadString(entry.command) && cursor.ReadString(entry.destination) &&
       cursor.ReadString(entry.extra);
  if (ok && entry.kind == kMsiPackage) ok = cursor.ReadU32(entry.msiUiLevel);
  if (!ok) return kErrorEntryName;
  // A name or destination that climbs out of its folder was not written by a builder either.
  // A destination without a backslash is the entry's new name.
  const bool renames = entry.destination.find('\\') == std::string::npos;
  if (!StaysInsideFolder(entry.name) || HasDotComponent(entry.destination) ||
      (renames && !StaysInsideFolder(entry.destination))) {
    return kErrorEntryName;
  }

  if (contentSize < 0) return kErrorContentSizeNegative;
  if (contentSize > kMaxContentSize) return kErrorContentSizeTooLarge;
  if (!cursor.ReadBlob(static_cast<size_t>(contentSize), entry.content) ||
      !cursor.ReadU32(entry.contentChecksum) || cursor.Remaining() != 0) {
    return kErrorEntryName;
  }
  if (PayloadChecksum(entry.content.data(), contentSize) != entry.contentChecksum) {
    return kErrorContentChecksum;
  }
  return 0;
}

}  // namespace qs
