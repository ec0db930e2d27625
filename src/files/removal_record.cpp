#include "files/removal_record.h"

#include <algorithm>

#include "base/text.h"

namespace qs {
namespace {

// How a folder is looked up among those already recorded: one separator, no trailing
// backslash, ASCII letters in lower case.
std::u16string FolderKey(std::u16string_view path) {
  std::u16string key = AsciiLower(path);
  std::replace(key.begin(), key.end(), u'/', u'\\');
  while (key.size() > 1 && key.back() == u'\\') key.pop_back();
  return key;
}

}  // namespace

void RecordForRemoval(std::string& removalList, std::set<std::u16string>& recordedFolders,
                      std::u16string_view path, RemovalEntry entry) {
  if (entry != RemovalEntry::kRegistryValue && path.size() <= 3) {
    return;  // a drive root such as "C:\" is never the product's
  }
  if (entry == RemovalEntry::kFolder) {
    if (!recordedFolders.insert(FolderKey(path)).second) return;
    removalList += '~';
  } else if (entry == RemovalEntry::kRegistryValue) {
    removalList += '!';
  }
  removalList += ToBarNarrow(path);
  removalList += "\r\n";
}

}  // namespace qs
