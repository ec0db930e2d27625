#include "uninstall/record_digest.h"

#include "base/text.h"

namespace qs {

std::string FormatRecordDigest(const Sha256Digest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(digest.size() * 2);
  for (uint8_t byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0xF];
  }
  return text;
}

RecordDigestCheck CheckRecordDigest(const std::optional<std::string>& stored,
                                    const std::optional<std::string>& actual) {
  // An installation made by an earlier version of the program has no digest; its record is
  // carried out as before, with only the checks of each line to guard it.
  if (!stored) return RecordDigestCheck::kNotRecorded;
  // A value that is there but empty or damaged is no reason to trust the file: only an
  // administrator can have changed it, and nothing tells which of the two is right.
  if (!actual || stored->size() != actual->size() || !EqualsIgnoreAsciiCase(*stored, *actual)) {
    return RecordDigestCheck::kDiffers;
  }
  return RecordDigestCheck::kMatches;
}

std::u16string RecordChangedRefusal(std::u16string_view displayName,
                                    std::u16string_view recordPath) {
  return u"The uninstall information for " + std::u16string(displayName) +
         u" was changed after the installation wrote it, or is damaged:\r\n" +
         std::u16string(recordPath) +
         u"\r\n\r\nIt is not carried out. Nothing was removed. Install the product again to "
         u"repair it, then uninstall it.";
}

}  // namespace qs
