#include "base/redirection_path.h"

#include <vector>

#include "base/text.h"

namespace qs {
namespace {

bool IsSeparator(char16_t c, bool literal) {
  return c == u'\\' || (!literal && c == u'/');
}

struct SplitPath {
  std::u16string_view prefix;              // "\\?\", "\??\" or "\\.\" before the drive
  std::vector<std::u16string_view> parts;  // parts[0] is the drive ("C:")
  bool trailingSeparator = false;
};

// Only drive paths can lie under the system folder: UNC paths and other devices give nothing.
std::optional<SplitPath> Split(std::u16string_view path) {
  SplitPath split;
  bool literal = false;
  if (path.size() >= 4 && (path[0] == u'\\' || path[0] == u'/')) {
    const std::u16string_view head = path.substr(0, 4);
    // "\\?\" and "\??\" go to the file system as written; "\\.\" is normalised like any path.
    literal = head == u"\\\\?\\" || head == u"\\??\\";
    if (literal || head == u"\\\\.\\") {
      split.prefix = head;
      path.remove_prefix(4);
    }
  }
  const bool drive = path.size() >= 3 && path[1] == u':' && IsSeparator(path[2], literal) &&
                     ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
  if (!drive) return std::nullopt;
  split.parts.push_back(path.substr(0, 2));
  path.remove_prefix(3);
  split.trailingSeparator = !path.empty() && IsSeparator(path.back(), literal);
  while (!path.empty()) {
    size_t end = 0;
    while (end < path.size() && !IsSeparator(path[end], literal)) ++end;
    const std::u16string_view part = path.substr(0, end);
    path.remove_prefix(end < path.size() ? end + 1 : end);
    if (literal) {
      // The system keeps every component of these as written, empty ones and dots included.
      if (!part.empty() || !path.empty()) split.parts.push_back(part);
    } else if (part == u"..") {
      if (split.parts.size() > 1) split.parts.pop_back();
    } else if (!part.empty() && part != u".") {
      split.parts.push_back(part);
    }
  }
  return split;
}

// `parts` begins with `folder`'s parts, each in its long or its short spelling (`shortFolder`,
// empty when the folder has none); the rest is the path beneath it.
bool StartsWith(const std::vector<std::u16string_view>& parts,
                const std::vector<std::u16string_view>& folder,
                const std::vector<std::u16string_view>& shortFolder) {
  if (parts.size() < folder.size()) return false;
  const bool hasShort = shortFolder.size() == folder.size();
  for (size_t i = 0; i < folder.size(); ++i) {
    if (!EqualsIgnoreAsciiCase(parts[i], folder[i]) &&
        !(hasShort && EqualsIgnoreAsciiCase(parts[i], shortFolder[i]))) {
      return false;
    }
  }
  return true;
}

std::vector<std::u16string_view> SysnativeOf(const std::vector<std::u16string_view>& system) {
  if (system.empty()) return {};
  std::vector<std::u16string_view> sysnative(system.begin(), system.end() - 1);
  sysnative.push_back(u"sysnative");
  return sysnative;
}

// The folders under the system folder that 32-bit and 64-bit programs share.
bool IsShared(const std::vector<std::u16string_view>& rest, bool driverStoreShared) {
  if (rest.empty()) return false;
  const std::u16string_view first = rest[0];
  for (std::u16string_view shared : {u"catroot", u"catroot2", u"logfiles", u"spool"}) {
    if (EqualsIgnoreAsciiCase(first, shared)) return true;
  }
  if (driverStoreShared && EqualsIgnoreAsciiCase(first, u"driverstore")) return true;
  return rest.size() >= 2 && EqualsIgnoreAsciiCase(first, u"drivers") &&
         EqualsIgnoreAsciiCase(rest[1], u"etc");
}

std::u16string Rejoin(const SplitPath& path, std::u16string_view folder, size_t restStart) {
  std::u16string out(path.prefix);
  out += folder;
  while (!out.empty() && out.back() == u'\\') out.pop_back();
  for (size_t i = restStart; i < path.parts.size(); ++i) {
    out += u'\\';
    out += path.parts[i];
  }
  if (path.trailingSeparator) out += u'\\';
  return out;
}

}  // namespace

std::optional<std::u16string> RedirectedPath(std::u16string_view path,
                                             const RedirectionFolders& folders) {
  const std::optional<SplitPath> split = Split(path);
  const std::optional<SplitPath> system = Split(folders.system);
  // A system folder in the root would make every path on its drive a candidate.
  if (!split || !system || system->parts.size() < 2 || !system->prefix.empty()) {
    return std::nullopt;
  }
  std::vector<std::u16string_view> shortSystem;
  if (const std::optional<SplitPath> shortSplit = Split(folders.systemShort)) {
    if (shortSplit->prefix.empty()) shortSystem = shortSplit->parts;
  }
  if (StartsWith(split->parts, system->parts, shortSystem)) {
    const std::vector<std::u16string_view> rest(split->parts.begin() + system->parts.size(),
                                                split->parts.end());
    if (IsShared(rest, folders.driverStoreShared)) return std::nullopt;
    return Rejoin(*split, folders.systemWow64, system->parts.size());
  }
  const std::vector<std::u16string_view> sysnative = SysnativeOf(system->parts);
  if (StartsWith(split->parts, sysnative, SysnativeOf(shortSystem))) {
    return Rejoin(*split, folders.system, sysnative.size());
  }
  return std::nullopt;
}

TextSpan CommandLineProgram(std::u16string_view commandLine) {
  if (!commandLine.empty() && commandLine[0] == u'"') {
    const size_t close = commandLine.find(u'"', 1);
    return {1, (close == std::u16string_view::npos ? commandLine.size() : close) - 1};
  }
  const size_t blank = commandLine.find_first_of(u" \t");
  return {0, blank == std::u16string_view::npos ? commandLine.size() : blank};
}

}  // namespace qs
