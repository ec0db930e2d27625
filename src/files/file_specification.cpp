#include "files/file_specification.h"

#include "base/text_scan.h"
#include "integration/path_variables.h"

namespace qs {
namespace {

// Lines end at "\r\n", "\n" or "\r".
template <typename Char>
std::vector<std::basic_string_view<Char>> SplitLines(std::basic_string_view<Char> text) {
  std::vector<std::basic_string_view<Char>> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != Char('\r') && text[i] != Char('\n')) continue;
    lines.push_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i] == Char('\r') && text[i + 1] == Char('\n')) ++i;
    start = i + 1;
  }
  return lines;
}

// The text before the backslash at `slash`; "X:" keeps the backslash, being a drive's root.
std::u16string FolderBefore(std::u16string_view text, size_t slash) {
  std::u16string folder(text.substr(0, slash));
  if (folder.size() == 2 && IsDriveLetter(folder[0]) && folder[1] == u':') folder += u'\\';
  return folder;
}

void AddLine(std::u16string_view line, std::vector<SpecificationLine>& lines) {
  line = TrimBlanks(line);
  if (line.empty()) return;
  SpecificationLine& added = lines.emplace_back();
  constexpr std::u16string_view kSubfolders = u" /s";
  if (line.size() >= kSubfolders.size() &&
      line.substr(line.size() - kSubfolders.size()) == kSubfolders) {
    line.remove_suffix(kSubfolders.size());
    line = TrimBlanks(line);
    added.subfolders = true;
  }
  added.text = line;
}

}  // namespace

std::vector<SpecificationLine> SplitSpecification(std::string_view specification,
                                                  AnsiDecoder decodeAnsi) {
  std::vector<SpecificationLine> lines;
  if (!specification.empty() && specification.front() == '|') {
    std::u16string text = FromBarNarrow(specification, decodeAnsi);
    for (std::u16string_view line : SplitLines(std::u16string_view(text))) AddLine(line, lines);
  } else {
    for (std::string_view line : SplitLines(specification)) {
      AddLine(FromBarNarrow(TrimBlanks(line), decodeAnsi), lines);
    }
  }
  return lines;
}

bool IsAbsolutePath(std::u16string_view path) {
  if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == u':' && path[2] == u'\\') {
    return true;
  }
  return path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\';
}

std::u16string LineBaseFolder(std::u16string_view line, std::u16string_view defaultFolder) {
  size_t slash = line.rfind(u'\\');
  if (slash == std::u16string_view::npos) return std::u16string(defaultFolder);
  // Only the item that holds the backslash names the folder: in "a.txt;C:\dir\b.txt" it is C:\dir.
  size_t separator = line.rfind(u';', slash);
  if (separator != std::u16string_view::npos) line.remove_prefix(separator + 1);
  line = TrimBlanks(line);
  slash = line.rfind(u'\\');
  std::u16string folder = FolderBefore(line, slash);
  if (IsAbsolutePath(folder)) return folder;
  return JoinFolder(defaultFolder, folder);
}

std::vector<std::u16string> LineItems(std::u16string_view line, std::u16string_view defaultFolder) {
  const std::u16string base = LineBaseFolder(line, defaultFolder);
  std::vector<std::u16string> items;
  size_t start = 0;
  while (start <= line.size()) {
    size_t end = line.find(u';', start);
    if (end == std::u16string_view::npos) end = line.size();
    std::u16string_view item = TrimBlanks(line.substr(start, end - start));
    start = end + 1;
    if (item.empty()) continue;
    if (IsAbsolutePath(item)) {
      items.emplace_back(item);
    } else if (item.find(u'\\') != std::u16string_view::npos) {
      // A relative path names its own folder below the default folder; joining it to the base
      // folder, which came from this very path, would name that folder twice.
      items.push_back(JoinFolder(defaultFolder, item));
    } else {
      items.push_back(JoinFolder(base, item));
    }
  }
  return items;
}

ItemParts SplitItem(std::u16string_view item) {
  size_t slash = item.rfind(u'\\');
  if (slash == std::u16string_view::npos) return {u"", std::u16string(item)};
  return {FolderBefore(item, slash), std::u16string(item.substr(slash + 1))};
}

}  // namespace qs
