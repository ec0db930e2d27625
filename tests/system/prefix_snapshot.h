#pragma once
// What a Wine prefix holds, taken before and after a test changes it: every file and folder of
// a drive and every key and value of a few registry trees. Two snapshots are compared entry by
// entry, so that anything an installation leaves behind, or anything an uninstallation removes
// that it should not have, shows up as a line of the difference.
//
// Files count by their size and last-write time (reading every byte of a prefix would take
// minutes); a folder counts by its name only, since its own time changes with whatever happens
// inside it. Registry values count by their type and bytes.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/handle_win.h"
#include "harness_win.h"

namespace qs::systest {

// One entry: a path ("C:\\dir\\file", "HKLM64\\Software\\key", "HKLM64\\Software\\key\\[value]")
// and what is known of it.
using SnapshotEntries = std::map<std::wstring, std::string>;

struct PrefixSnapshot {
  SnapshotEntries entries;
};

// A registry tree to take: a root, a key below it, the view it is read in and the name the
// entries carry.
struct RegistryTree {
  HKEY root;
  const wchar_t* key;
  REGSAM view;
  const wchar_t* name;  // "HKLM64\\Software"
};

// Parts of the prefix that are left out, each a path prefix compared without regard to case;
// a prefix ending in "\\" leaves out what is inside, one without it also the entry itself.
struct SnapshotScope {
  std::wstring drive = L"C:\\";
  std::vector<RegistryTree> registry;
  std::vector<std::wstring> excluded;
};

namespace snapshot_detail {

inline std::wstring Upper(std::wstring_view text) {
  std::wstring upper(text);
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  return upper;
}

class Taker {
 public:
  explicit Taker(const SnapshotScope& scope) {
    for (const std::wstring& path : scope.excluded) excluded_.push_back(Upper(path));
  }

  bool Excluded(const std::wstring& path) const {
    const std::wstring upper = Upper(path);
    return std::any_of(excluded_.begin(), excluded_.end(),
                       [&upper](const std::wstring& prefix) { return upper.starts_with(prefix); });
  }

  void Folder(const std::wstring& folder, SnapshotEntries& entries) const {
    WIN32_FIND_DATAW found;
    const std::wstring pattern = folder + L"*";
    HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> subfolders;
    do {
      const std::wstring_view name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + std::wstring(name);
      const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (Excluded(isFolder ? path + L"\\" : path)) continue;
      if (isFolder) {
        entries[path + L"\\"] = "folder";
        // A link leads elsewhere; what it leads to is not this drive's.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
          subfolders.push_back(path + L"\\");
        }
        continue;
      }
      const uint64_t size = (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
      const uint64_t time = (uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32) |
                            found.ftLastWriteTime.dwLowDateTime;
      entries[path] = std::to_string(size) + " bytes, written " + std::to_string(time);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    for (const std::wstring& subfolder : subfolders) Folder(subfolder, entries);
  }

  void Key(HKEY key, const std::wstring& name, REGSAM view, SnapshotEntries& entries) const {
    if (Excluded(name + L"\\")) return;
    entries[name + L"\\"] = "key";
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr,
                           &values, &longestName, &longestData, nullptr,
                           nullptr) != ERROR_SUCCESS) {
      entries[name + L"\\"] = "key (unreadable)";
      return;
    }
    std::vector<wchar_t> valueName(longestName + 2);
    std::vector<BYTE> data(longestData + 2);
    for (DWORD i = 0;; ++i) {
      DWORD nameSize = static_cast<DWORD>(valueName.size());
      DWORD dataSize = static_cast<DWORD>(data.size());
      DWORD type = 0;
      const LONG status = ::RegEnumValueW(key, i, valueName.data(), &nameSize, nullptr, &type,
                                          data.data(), &dataSize);
      if (status == ERROR_MORE_DATA) {  // grew since the key was asked
        valueName.resize(valueName.size() * 2 + 256);
        data.resize(data.size() * 2 + 1024);
        --i;
        continue;
      }
      if (status != ERROR_SUCCESS) break;
      const std::wstring path = name + L"\\[" + std::wstring(valueName.data(), nameSize) + L"]";
      if (Excluded(path)) continue;
      entries[path] = Describe(type, data.data(), dataSize);
    }
    std::vector<std::wstring> names;
    std::vector<wchar_t> subkey(longestSubkey + 2);
    for (DWORD i = 0;; ++i) {
      DWORD size = static_cast<DWORD>(subkey.size());
      const LONG status =
          ::RegEnumKeyExW(key, i, subkey.data(), &size, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_MORE_DATA) {
        subkey.resize(subkey.size() * 2 + 256);
        --i;
        continue;
      }
      if (status != ERROR_SUCCESS) break;
      names.emplace_back(subkey.data(), size);
    }
    for (const std::wstring& subkeyName : names) {
      UniqueRegKey opened;
      const std::wstring path = name + L"\\" + subkeyName;
      if (::RegOpenKeyExW(key, subkeyName.c_str(), 0, KEY_READ | view, opened.Receive()) !=
          ERROR_SUCCESS) {
        if (!Excluded(path + L"\\")) entries[path + L"\\"] = "key (cannot open)";
        continue;
      }
      Key(opened.Get(), path, view, entries);
    }
  }

 private:
  static std::string Describe(DWORD type, const BYTE* data, DWORD size) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text = "type " + std::to_string(type) + ":";
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
      // Strings as text, so that a difference reads at once.
      std::wstring wide(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
      std::replace(wide.begin(), wide.end(), L'\0', L'|');
      return text + " \"" + WideToUtf8(wide) + "\"";
    }
    for (DWORD i = 0; i < size; ++i) {
      text += ' ';
      text += kHex[data[i] >> 4];
      text += kHex[data[i] & 0xF];
    }
    return text;
  }

  std::vector<std::wstring> excluded_;
};

}  // namespace snapshot_detail

inline PrefixSnapshot TakeSnapshot(const SnapshotScope& scope) {
  const snapshot_detail::Taker taker(scope);
  PrefixSnapshot snapshot;
  taker.Folder(scope.drive, snapshot.entries);
  for (const RegistryTree& tree : scope.registry) {
    UniqueRegKey key;
    if (::RegOpenKeyExW(tree.root, tree.key, 0, KEY_READ | tree.view, key.Receive()) !=
        ERROR_SUCCESS) {
      snapshot.entries[std::wstring(tree.name) + L"\\"] = "key (cannot open)";
      continue;
    }
    taker.Key(key.Get(), tree.name, tree.view, snapshot.entries);
  }
  return snapshot;
}

struct SnapshotDifference {
  enum Kind { kAdded, kRemoved, kChanged } kind;
  std::wstring path;
  std::string before;  // empty when added
  std::string after;   // empty when removed

  std::string Text() const {
    const std::string name = WideToUtf8(path);
    switch (kind) {
      case kAdded:
        return "added " + name + " (" + after + ")";
      case kRemoved:
        return "removed " + name + " (" + before + ")";
      case kChanged:
        break;
    }
    return "changed " + name + ": " + before + " -> " + after;
  }
};

// The differences in path order.
inline std::vector<SnapshotDifference> SnapshotDifferences(const PrefixSnapshot& before,
                                                           const PrefixSnapshot& after) {
  std::vector<SnapshotDifference> differences;
  auto b = before.entries.begin();
  auto a = after.entries.begin();
  while (b != before.entries.end() || a != after.entries.end()) {
    if (a == after.entries.end() || (b != before.entries.end() && b->first < a->first)) {
      differences.push_back({SnapshotDifference::kRemoved, b->first, b->second, {}});
      ++b;
    } else if (b == before.entries.end() || a->first < b->first) {
      differences.push_back({SnapshotDifference::kAdded, a->first, {}, a->second});
      ++a;
    } else {
      if (a->second != b->second) {
        differences.push_back({SnapshotDifference::kChanged, a->first, b->second, a->second});
      }
      ++a;
      ++b;
    }
  }
  return differences;
}

// One line per difference for a failure message, at most `limit` of them.
inline std::string DifferenceText(const std::vector<SnapshotDifference>& differences,
                                  size_t limit = 200) {
  std::string text;
  for (size_t i = 0; i < differences.size() && i < limit; ++i) {
    text += "  " + differences[i].Text() + "\n";
  }
  if (differences.size() > limit) {
    text += "  ... and " + std::to_string(differences.size() - limit) + " more\n";
  }
  return text;
}

// True when an entry at `path` was added.
inline bool WasAdded(const std::vector<SnapshotDifference>& differences, std::wstring_view path) {
  return std::any_of(differences.begin(), differences.end(), [path](const auto& difference) {
    return difference.kind == SnapshotDifference::kAdded &&
           snapshot_detail::Upper(difference.path) == snapshot_detail::Upper(path);
  });
}

// Takes away what was added: files and values, then folders and keys, deepest first. For a
// failed test, so that what it left does not disturb the next one; what was removed or changed
// cannot be put back.
inline void RemoveAdded(const SnapshotScope& scope,
                        const std::vector<SnapshotDifference>& differences) {
  std::vector<std::wstring> added;
  for (const SnapshotDifference& difference : differences) {
    if (difference.kind == SnapshotDifference::kAdded) added.push_back(difference.path);
  }
  // Longer paths first: what is inside goes before what holds it.
  std::stable_sort(added.begin(), added.end(), [](const std::wstring& x, const std::wstring& y) {
    return x.size() > y.size();
  });
  for (const std::wstring& path : added) {
    if (snapshot_detail::Upper(path).starts_with(snapshot_detail::Upper(scope.drive))) {
      if (path.ends_with(L"\\")) {
        ::RemoveDirectoryW(path.c_str());
      } else {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
      }
      continue;
    }
    for (const RegistryTree& tree : scope.registry) {
      const std::wstring treeName = std::wstring(tree.name) + L"\\";
      if (!path.starts_with(treeName)) continue;
      std::wstring relative = std::wstring(tree.key) + L"\\" + path.substr(treeName.size());
      std::wstring valueName;
      const bool isValue = path.ends_with(L"]");
      if (isValue) {
        const size_t open = relative.rfind(L"\\[");
        valueName = relative.substr(open + 2, relative.size() - open - 3);
        relative.resize(open);
      } else {
        relative.pop_back();  // the trailing "\\"
      }
      if (isValue) {
        UniqueRegKey key;
        if (::RegOpenKeyExW(tree.root, relative.c_str(), 0, KEY_SET_VALUE | tree.view,
                            key.Receive()) == ERROR_SUCCESS) {
          ::RegDeleteValueW(key.Get(), valueName.c_str());
        }
      } else {
        ::RegDeleteKeyExW(tree.root, relative.c_str(), tree.view, 0);
      }
      break;
    }
  }
}

}  // namespace qs::systest
