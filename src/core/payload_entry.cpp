#include "core/payload_entry.h"

#include "core/payload_checksum.h"
#include "core/payload_cursor.h"
#include "core/payload_format.h"
#include "core/target_path.h"

namespace qs {

namespace {

// Reads one text field and decodes it, keeping the stored bytes for a tool when the decoded
// text would be stored as other bytes.
class EntryTextReader {
 public:
  EntryTextReader(PayloadCursor& cursor, const EntryDecoding& decoding)
      : cursor_(cursor), decoding_(decoding) {}

  bool Narrow(std::u16string& text, std::string& kept) {
    std::string stored;
    if (!cursor_.ReadString(stored)) return false;
    text = FromBarNarrow(stored, decoding_.decodeAnsi);
    Keep(ToBarNarrow(text), stored, kept);
    return true;
  }

  bool Utf8(std::u16string& text, std::string& kept) {
    std::string stored;
    if (!cursor_.ReadString(stored)) return false;
    text = Utf8ToUtf16(stored);
    Keep(Utf16ToUtf8(text), stored, kept);
    return true;
  }

 private:
  void Keep(const std::string& ownForm, std::string& stored, std::string& kept) const {
    if (decoding_.keepStoredForms && ownForm != stored) kept = std::move(stored);
  }

  PayloadCursor& cursor_;
  const EntryDecoding& decoding_;
};

}  // namespace

// A record whose fields run past its length, or that leaves bytes over, was not written by a
// builder: it is reported like an entry without a name (70) rather than read on.
int ParsePayloadEntry(ByteSpan record, int32_t contentSize, PayloadEntry& entry,
                      const EntryDecoding& decoding) {
  entry = PayloadEntry{};
  PayloadCursor cursor(record);
  EntryTextReader texts(cursor, decoding);
  StoredEntryForms& kept = entry.storedForms;
  if (!texts.Narrow(entry.name, kept.name) || entry.name.empty()) return kErrorEntryName;

  int32_t* date[] = {&entry.dateTime.year, &entry.dateTime.month,  &entry.dateTime.day,
                     &entry.dateTime.hour, &entry.dateTime.minute, &entry.dateTime.second};
  bool ok =
      cursor.ReadU32(entry.kind) && cursor.ReadU32(entry.flags) && cursor.ReadU32(entry.attributes);
  for (int32_t* field : date) ok = ok && cursor.ReadI32(*field);
  ok = ok && texts.Utf8(entry.text, kept.text);
  if (ok && entry.HasIcon()) ok = texts.Narrow(entry.icon, kept.icon);
  ok = ok && texts.Narrow(entry.command, kept.command) &&
       texts.Narrow(entry.destination, kept.destination) && texts.Narrow(entry.extra, kept.extra);
  if (ok && entry.kind == kMsiPackage) ok = cursor.ReadU32(entry.msiUiLevel);
  if (!ok) return kErrorEntryName;
  // A name or destination that climbs out of its folder was not written by a builder either.
  // A destination without a backslash is the entry's new name.
  const bool renames = entry.destination.find(u'\\') == std::u16string::npos;
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
