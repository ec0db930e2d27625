#include "core/launch_command.h"

namespace qs {
namespace {

bool IsRelative(std::u16string_view path) {
  if (path.size() >= 2 && path[1] == u':') return false;
  return path.empty() || (path[0] != u'\\' && path[0] != u'/');
}

std::u16string InFolder(std::u16string_view path, std::u16string_view folder) {
  if (!IsRelative(path) || folder.empty()) return std::u16string(path);
  std::u16string joined(folder);
  if (joined.back() != u'\\') joined += u'\\';
  return joined + std::u16string(path);
}

std::u16string Quoted(std::u16string_view text) {
  return u"\"" + std::u16string(text) + u"\"";
}

}  // namespace

std::u16string ResolveLaunchCommand(std::u16string_view command, std::u16string_view folder,
                                    FileTest isFile) {
  while (!command.empty() && (command.back() == u' ' || command.back() == u'\t')) {
    command.remove_suffix(1);
  }
  while (!command.empty() && (command.front() == u' ' || command.front() == u'\t')) {
    command.remove_prefix(1);
  }
  if (command.empty() || command.front() == u'"') return std::u16string(command);
  const std::u16string whole = InFolder(command, folder);
  if (isFile(whole)) return Quoted(whole);
  const size_t blank = command.find_first_of(u" \t");
  if (blank == std::u16string_view::npos) return std::u16string(command);
  const std::u16string_view program = command.substr(0, blank);
  if (!IsRelative(program)) return std::u16string(command);
  const std::u16string resolved = InFolder(program, folder);
  if (!isFile(resolved)) return std::u16string(command);
  return Quoted(resolved) + std::u16string(command.substr(blank));
}

}  // namespace qs
