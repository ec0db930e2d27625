#include "core/target_path.h"

#include "core/payload_format.h"

namespace qs {
namespace {

bool IsValidKind(uint32_t kind) {
  return kind <= kControlPanelApplet && kind != 2 && kind != 3;
}

std::string_view FileNamePart(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  while (!name.empty() && name.front() == '\\') name.remove_prefix(1);
  std::string joined(folder);
  if (!joined.empty() && joined.back() != '\\') joined += '\\';
  joined += name;
  return joined;
}

bool IsAbsolutePath(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return true;
  return !path.empty() && (path[0] == '\\' || path[0] == '/');
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
    if (dest.ends_with('\\')) dest += FileNamePart(entry.name);
    target.path = std::move(dest);
    target.createFolders = true;
    return 0;
  }

  if (entry.flags & kEntryInUninstallFolder) {
    target.path = JoinPath(folders.uninstallDir, entry.name);
    return 0;
  }

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
