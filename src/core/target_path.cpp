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

}  // namespace

// A "|" text and an ASCII one share the bar's form; any other mix (a "|" text with one in the
// ANSI code page) cannot be joined as bytes and is left as written.
std::string JoinPath(std::string_view folder, std::string_view name) {
  NarrowBody first = BodyOf(folder);
  NarrowBody second = BodyOf(name);
  const bool bar = (first.bar || second.bar) && (first.bar || IsAscii(first.body)) &&
                   (second.bar || IsAscii(second.body));
  if (!bar) {
    first = {false, folder};
    second = {false, name};
  }
  while (!second.body.empty() && second.body.front() == '\\') second.body.remove_prefix(1);
  std::string joined = bar ? "|" : "";
  joined += first.body;
  if (!first.body.empty() && first.body.back() != '\\') joined += '\\';
  joined += second.body;
  return joined;
}

bool IsAbsolutePath(std::string_view path) {
  path = BodyOf(path).body;
  if (path.size() >= 2 && path[1] == ':') return true;
  return !path.empty() && (path[0] == '\\' || path[0] == '/');
}

bool HasDotComponent(std::string_view path) {
  path = BodyOf(path).body;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part.find('.') != std::string_view::npos &&
        part.find_first_not_of(". ") == std::string_view::npos) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

bool StaysInsideFolder(std::string_view name) {
  return BodyOf(name).body.find(':') == std::string_view::npos && !HasDotComponent(name);
}

std::string FileNamePart(std::string_view path) {
  const NarrowBody text = BodyOf(path);
  const size_t slash = text.body.find_last_of("\\/");
  std::string_view part = slash == std::string_view::npos ? text.body : text.body.substr(slash + 1);
  if (text.bar && !IsAscii(part)) return "|" + std::string(part);
  return std::string(part);
}

std::string FolderPart(std::string_view path) {
  const NarrowBody text = BodyOf(path);
  const size_t slash = text.body.find_last_of("\\/");
  if (slash == std::string_view::npos) return {};
  std::string folder(text.body.substr(0, slash));
  if (folder.ends_with(':')) folder += '\\';
  if (text.bar && !IsAscii(folder)) folder.insert(0, 1, '|');
  return folder;
}

// The kind is checked first, whatever the destination: an entry of an unknown kind has no
// defined follow-up and is never installed.
int ResolveTargetPath(PayloadEntry& entry, const TargetFolders& folders,
                      const PathExpander& expandVariables, TargetPath& target) {
  target = TargetPath{};
  if (!IsValidKind(entry.kind)) return kErrorEntryKind;

  if (!entry.destination.empty() && entry.destination.find('\\') == std::string::npos) {
    entry.name = entry.destination;
    entry.destination.clear();
  }

  if (!entry.destination.empty()) {
    std::string dest = expandVariables ? expandVariables(entry.destination) : entry.destination;
    if (dest.size() >= 2 && dest.ends_with("\\\\")) dest.pop_back();
    if (!IsAbsolutePath(dest)) {
      dest =
          JoinPath(entry.kind == kSharedFolderFile ? folders.sharedDir : folders.installDir, dest);
    }
    if (dest.ends_with('\\')) dest = JoinPath(dest, FileNamePart(entry.name));
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
