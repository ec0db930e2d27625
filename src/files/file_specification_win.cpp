#include "files/file_specification_win.h"

#include <windows.h>

#include <unordered_set>
#include <utility>

#include "base/file_redirection_win.h"
#include "base/handle_win.h"
#include "base/text_win.h"
#include "files/file_queries_win.h"
#include "files/file_specification.h"
#include "integration/path_variables.h"
#include "integration/path_variables_win.h"

namespace qs {
namespace {

std::wstring Wide(std::u16string_view text) {
  return std::wstring(AsWide(text));
}

std::wstring Join(const std::wstring& folder, const wchar_t* name) {
  return Wide(JoinFolder(AsU16(folder), AsU16(name)));
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// The files listed so far, each once whatever the case of its letters.
class FileCollector {
 public:
  explicit FileCollector(std::vector<std::u16string>& files) : files_(files) {
    for (const std::u16string& file : files_) seen_.insert(Key(Wide(file)));
  }

  void Add(const std::wstring& path) {
    if (seen_.insert(Key(path)).second) files_.emplace_back(AsU16(path));
  }

 private:
  static std::wstring Key(const std::wstring& path) {
    std::wstring key = path;
    if (!key.empty()) {
      ::CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    }
    return key;
  }

  std::vector<std::u16string>& files_;
  std::unordered_set<std::wstring> seen_;
};

// The files in `folder` that match `pattern`; with `subfolders`, those in every folder below as
// well, each folder's own files before those of its subfolders.
void ListMatches(const std::wstring& folder, const std::wstring& pattern, bool subfolders,
                 FileCollector& collector) {
  WIN32_FIND_DATAW data;
  {
    UniqueFindHandle find(::FindFirstFileW(Redirected(Join(folder, pattern.c_str())), &data));
    if (find) {
      do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
          collector.Add(Join(folder, data.cFileName));
        }
      } while (::FindNextFileW(find.Get(), &data));
    }
  }
  if (!subfolders) return;

  // Folders that lead elsewhere (junctions, links) are not followed: a link back up the tree
  // would never end, and files beyond it are not this folder's files.
  std::vector<std::wstring> below;
  {
    UniqueFindHandle find(::FindFirstFileW(Redirected(Join(folder, L"*")), &data));
    if (!find) return;
    do {
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
          (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
          !IsDotEntry(data.cFileName)) {
        below.push_back(Join(folder, data.cFileName));
      }
    } while (::FindNextFileW(find.Get(), &data));
  }
  for (const std::wstring& subfolder : below) {
    ListMatches(subfolder, pattern, true, collector);
  }
}

}  // namespace

void ExpandFileSpecification(std::string_view specification, std::vector<std::u16string>& files,
                             std::u16string_view defaultFolder) {
  FileCollector collector(files);
  for (const SpecificationLine& line : SplitSpecification(specification, DecodeAnsi)) {
    const std::wstring expanded = ExpandEnvironment(AsWide(ExpandPathVariables(line.text)));
    for (const std::u16string& item : LineItems(AsU16(expanded), defaultFolder)) {
      ItemParts parts = SplitItem(item);
      if (parts.pattern.empty()) continue;
      // "." and ".." resolved, so that two spellings of one folder list the same paths.
      ListMatches(FullPath(Wide(parts.folder)), Wide(parts.pattern), line.subfolders, collector);
    }
  }
}

}  // namespace qs
