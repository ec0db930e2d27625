#include "files/pending_operations.h"

#include <utility>

#include "base/text.h"

namespace qs {

std::u16string NormalizePendingPath(std::u16string_view path, PathLowerCase lower) {
  size_t start = 0;
  while (start < path.size() &&
         (path[start] == u'\\' || path[start] == u'?' || path[start] == u'!')) {
    ++start;
  }
  return lower(path.substr(start));
}

PendingOperationsEdit DropPendingOperationsOn(std::vector<std::u16string> operations,
                                              const std::set<std::u16string>& files,
                                              PathLowerCase lower) {
  PendingOperationsEdit edit;
  if (operations.size() % 2 != 0) operations.emplace_back();

  std::vector<std::u16string>& kept = edit.operations;
  kept.reserve(operations.size());
  for (size_t i = 0; i < operations.size(); i += 2) {
    std::u16string& source = operations[i];
    std::u16string& target = operations[i + 1];
    if (!target.empty()) {
      const std::u16string normalTarget = NormalizePendingPath(target, lower);
      if (files.count(normalTarget) != 0) {
        edit.log +=
            u"File \"" + normalTarget + u"\" was removed from the list of pending moves.\r\n";
        std::u16string normalSource = NormalizePendingPath(source, lower);
        if (!normalSource.empty()) edit.toRecycle.push_back(std::move(normalSource));
        edit.changed = true;
        continue;
      }
    } else {
      const std::u16string normalSource = NormalizePendingPath(source, lower);
      if (normalSource.empty() || files.count(normalSource) != 0) {
        edit.log +=
            u"File \"" + normalSource + u"\" was removed from the list of pending deletions.\r\n";
        edit.changed = true;
        continue;
      }
    }
    kept.push_back(std::move(source));
    kept.push_back(std::move(target));
  }
  return edit;
}

std::vector<std::u16string> ParseMultiString(std::u16string_view data) {
  std::vector<std::u16string> strings;
  // Nothing but zeros is the empty list, however many closing zeros the writer put.
  if (data.find_first_not_of(u'\0') == std::u16string_view::npos) return strings;
  size_t start = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] != u'\0') continue;
    strings.emplace_back(data.substr(start, i - start));
    start = i + 1;
  }
  if (start < data.size()) {
    strings.emplace_back(data.substr(start));
  } else if (!strings.empty() && strings.back().empty()) {
    strings.pop_back();  // the list's closing zero
  }
  return strings;
}

std::u16string EncodeMultiString(const std::vector<std::u16string>& strings) {
  std::u16string data;
  for (const std::u16string& s : strings) {
    data += s;
    data += u'\0';
  }
  data += u'\0';
  return data;
}

}  // namespace qs
