#include "files/removal_record.h"

#include <algorithm>

#include "base/text.h"

namespace qs {
namespace {

// How a folder is looked up among those already recorded: one separator, no trailing
// backslash, ASCII letters in lower case.
std::string FolderKey(std::string_view path) {
  std::string key = AsciiLower(path);
  std::replace(key.begin(), key.end(), '/', '\\');
  while (key.size() > 1 && key.back() == '\\') key.pop_back();
  return key;
}

}  // namespace

void RecordForRemoval(std::string& removalList, std::set<std::string>& recordedFolders,
                      std::string_view path, RemovalEntry entry) {
  if (path.size() <= 3) return;  // a drive root such as "C:\" is never the product's
  if (entry == RemovalEntry::kFolder) {
    if (!recordedFolders.insert(FolderKey(path)).second) return;
    removalList += '~';
  }
  removalList += path;
  removalList += "\r\n";
}

}  // namespace qs
