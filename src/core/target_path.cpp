#include "core/target_path.h"

#include "base/text.h"
#include "core/payload_format.h"

namespace qs {
namespace {

bool IsValidKind(uint32_t kind) {
  return kind <= kControlPanelApplet && kind != 2 && kind != 3;
}

// A narrow text without its "|", and whether it had one.
struct NarrowBody {
  bool bar = false;
  std::string_view body;
};

NarrowBody BodyOf(std::string_view text) {
  if (!text.empty() && text.front() == '|') return {true, text.substr(1)};
  return {false, text};
}

// Whether a step of the path is made of dots and blanks only, with at least one dot.
template <typename Char>
bool HasDotStep(std::basic_string_view<Char> path) {
  constexpr Char kSeparators[] = {Char('\\'), Char('/'), Char(0)};
  constexpr Char kDotsAndBlanks[] = {Char('.'), Char(' '), Char(0)};
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(kSeparators, start);
    if (end == std::basic_string_view<Char>::npos) end = path.size();
    const std::basic_string_view<Char> part = path.substr(start, end - start);
    if (part.find(Char('.')) != std::basic_string_view<Char>::npos &&
        part.find_first_not_of(kDotsAndBlanks) == std::basic_string_view<Char>::npos) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

}  // namespace

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  while (!name.empty() && name.front() == u'\\') name.remove_prefix(1);
  std::u16string joined(folder);
  if (!folder.empty() && folder.back() != u'\\') joined += u'\\';
  joined += name;
  return joined;
}

bool IsRootedPath(std::u16string_view path) {
  if (path.size() >= 2 && path[1] == u':') return true;
  return !path.empty() && (path[0] == u'\\' || path[0] == u'/');
}

bool HasDotComponent(std::string_view path) {
  return HasDotStep(BodyOf(path).body);
}

bool HasDotComponent(std::u16string_view path) {
  return HasDotStep(path);
}

bool StaysInsideFolder(std::string_view name) {
  return BodyOf(name).body.find(':') == std::string_view::npos && !HasDotComponent(name);
}

bool StaysInsideFolder(std::u16string_view name) {
  return name.find(u':') == std::u16string_view::npos && !HasDotComponent(name);
}

std::string FileNamePart(std::string_view path) {
  const NarrowBody text = BodyOf(path);
  const size_t slash = text.body.find_last_of("\\/");
  std::string_view part = slash == std::string_view::npos ? text.body : text.body.substr(slash + 1);
  if (text.bar && !IsAscii(part)) return "|" + std::string(part);
  return std::string(part);
}

std::u16string FileNamePart(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::u16string FolderPart(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"\\/");
  if (slash == std::u16string_view::npos) return {};
  std::u16string folder(path.substr(0, slash));
  if (folder.ends_with(u':')) folder += u'\\';
  return folder;
}

// The kind is checked first, whatever the destination: an entry of an unknown kind has no
// defined follow-up and is never installed.
int ResolveTargetPath(PayloadEntry& entry, const TargetFolders& folders,
                      const TextExpander& expandVariables, TargetPath& target) {
  target = TargetPath{};
  if (!IsValidKind(entry.kind)) return kErrorEntryKind;

  if (!entry.destination.empty() && entry.destination.find(u'\\') == std::u16string::npos) {
    entry.name = entry.destination;
    entry.destination.clear();
  }

  if (!entry.destination.empty()) {
    std::u16string dest = expandVariables ? expandVariables(entry.destination) : entry.destination;
    if (dest.size() >= 2 && dest.ends_with(u"\\\\")) dest.pop_back();
    if (!IsRootedPath(dest)) {
      dest =
          JoinPath(entry.kind == kSharedFolderFile ? folders.sharedDir : folders.installDir, dest);
    }
    if (dest.ends_with(u'\\')) dest = JoinPath(dest, FileNamePart(entry.name));
    target.path = std::move(dest);
    target.createFolders = true;
    return 0;
  }

  if (entry.flags & kEntryInUninstallFolder) {
    target.path = JoinPath(folders.uninstallDir, entry.name);
    return 0;
  }

  target.inKindFolder = true;
  switch (entry.kind) {
    case kSharedFolderFile:
      target.path = JoinPath(folders.sharedDir, entry.name);
      break;
    case kFontFile:
      target.path = JoinPath(folders.fontsDir, entry.name);
      break;
    case kSystemFile:
    case kSystemComServer:
    case kSystemTypeLibrary:
      target.path = JoinPath(folders.systemDir, entry.name);
      break;
    default:
      target.path = JoinPath(folders.installDir, entry.name);
      target.createFolders = true;
      break;
  }
  return 0;
}

}  // namespace qs
