#include "builder/project_sections.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "base/date_time.h"
#include "base/version_compare.h"
#include "builder/glob.h"
#include "builder/project_names.h"
#include "builder/source_files.h"
#include "builder/text_forms.h"
#include "builder/version_resource.h"
#include "core/target_path.h"

namespace qs::builder::project {
namespace {

struct SourceChoice {
  std::filesystem::path path;
  std::string name;
  DateTime modified;
};

bool ChooseGroupFiles(Table& t, const std::string& sourceFolder,
                      std::vector<SourceChoice>& chosen) {
  std::string folderText = sourceFolder;
  if (const toml::node* node = t.Get("source")) {
    if (!node->is_string()) {
      t.Fail("source", "expected the folder the files are taken from");
      return false;
    }
    folderText = node->as_string()->get();
  }
  const std::filesystem::path folder = t.loader().Resolve(folderText);

  std::string single;
  if (const toml::node* node = t.Get("path")) {
    if (!node->is_string() || node->as_string()->get().empty()) {
      t.Fail("path", "expected the path of one file");
      return false;
    }
    single = node->as_string()->get();
    if (t.Has("include") || t.Has("exclude") || t.Has("prefix")) {
      t.Fail("path",
             "a group names one file with 'path' or chooses files with 'include', not "
             "both");
      return false;
    }
    const std::filesystem::path file = folder / std::u8string(single.begin(), single.end());
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
      t.Fail("path", "file '" + PathText(file) + "' does not exist");
      return false;
    }
    SourceChoice choice;
    choice.path = file;
    const std::filesystem::path relative =
        std::filesystem::path(std::u8string(single.begin(), single.end())).lexically_normal();
    std::string name = relative.generic_string();
    if (relative.is_absolute() || name.substr(0, 3) == "../") {
      name = relative.filename().string();
    }
    std::replace(name.begin(), name.end(), '/', '\\');
    choice.name = name;
    choice.modified = ToDateTime(std::filesystem::last_write_time(file, ec));
    chosen.push_back(std::move(choice));
    return true;
  }

  std::vector<std::string> include{"**/*"};
  std::vector<std::string> exclude;
  StringList(t, "include", include);
  StringList(t, "exclude", exclude);
  std::string prefix;  // UTF-8 like the names it goes before; stored form made below
  Utf8(t, "prefix", prefix);
  if (t.loader().Failed()) return false;

  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    t.Fail(t.Has("source") ? "source" : "include",
           "source folder '" + PathText(folder) + "' does not exist");
    return false;
  }
  std::vector<SourceFile> files;
  std::string error;
  if (!CollectSourceFiles(folder, files, error)) {
    t.Fail("source", error);
    return false;
  }
  for (SourceFile& file : files) {
    std::string relative = file.name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    auto matches = [&](const std::string& pattern) { return MatchGlob(pattern, relative); };
    if (!std::any_of(include.begin(), include.end(), matches) ||
        std::any_of(exclude.begin(), exclude.end(), matches)) {
      continue;
    }
    SourceChoice choice;
    choice.path = file.path;
    choice.name = prefix.empty() ? file.name : prefix + "\\" + file.name;
    choice.modified = file.modified;
    chosen.push_back(std::move(choice));
  }
  if (chosen.empty()) {
    t.Fail(t.Has("include") ? "include" : "source",
           "no file in '" + PathText(folder) + "' matches this group");
    return false;
  }
  return true;
}

}  // namespace

void ReadFileGroup(Table& t, const std::string& sourceFolder, const ProjectContext& context,
                   std::vector<PayloadFile>& out) {
  std::vector<SourceChoice> chosen;
  if (!ChooseGroupFiles(t, sourceFolder, chosen)) return;

  PayloadFile entry;
  std::string name;
  const bool named = Narrow(t, "name", name);
  if (named && !t.Has("path")) t.Fail("name", "only a group with 'path' can rename its file");
  if (named && name.empty()) t.Fail("name", "an entry name cannot be empty");
  Named(t, "kind", kFileKindNames, 0, 12, entry.kind);
  if (entry.kind == 2 || entry.kind == 3) t.Fail("kind", "kinds 2 and 3 do not exist");

  Number(t, "flags", 0, 0xFFFFFFFF, entry.flags);
  if ((entry.flags & kEntryNamedFlags) != 0) {
    t.Fail("flags",
           "give the named bits by their keys (desktop, start_menu, overwrite, keep, "
           "in_uninstall_dir, uninstall_package)");
  }
  uint32_t overwrite = 0;
  Named(t, "overwrite", kOverwriteNames, 0, 7, overwrite);
  entry.flags |= overwrite << 2;
  for (auto [key, bit] : {std::pair<std::string_view, uint32_t>{"desktop", kEntryDesktop},
                          {"start_menu", kEntryStartMenu},
                          {"keep", kEntryKeep},
                          {"in_uninstall_dir", kEntryInUninstallFolder},
                          {"uninstall_package", kEntryUninstallPackage}}) {
    bool on = false;
    if (Bool(t, key, on) && on) entry.flags |= bit;
  }
  if ((entry.flags & kEntryUninstallPackage) != 0 && entry.kind != 11) {
    t.Fail("uninstall_package", "only for kind \"msi\"");
  }
  if (context.refuseUnbuilt) RefuseUnbuiltEntry(t, entry.kind, entry.flags);

  Bits(t, "attributes", kAttributeNames, 0xFFFFFFFF, entry.attributes);

  // The text field means one thing per kind; each meaning has its key, `text` takes any.
  struct TextKey {
    std::string_view key;
    bool (*fits)(uint32_t kind);
    const char* kinds;
  };
  static constexpr TextKey kTextKeys[] = {
      {"text", [](uint32_t) { return true; }, ""},
      {"shortcut_name", [](uint32_t k) { return k == 0 || k == 5; },
       "\"install_dir\" and \"shortcut\""},
      {"version", [](uint32_t k) { return k >= 6 && k <= 9; },
       "\"system\", \"com_server\", \"type_library\" and \"versioned\""},
      {"font_name", [](uint32_t k) { return k == 4; }, "\"font\""},
      {"applet_name", [](uint32_t k) { return k == 12; }, "\"control_panel\""},
  };
  bool textGiven = false;
  for (const TextKey& textKey : kTextKeys) {
    std::string text;
    if (!Utf8(t, textKey.key, text)) continue;
    if (textGiven) t.Fail(textKey.key, "the entry's text is already given by another key");
    if (!textKey.fits(entry.kind)) {
      t.Fail(textKey.key, std::string("only for kinds ") + textKey.kinds);
    }
    entry.text = std::move(text);
    textGiven = true;
  }
  if (Narrow(t, "icon", entry.icon) && (entry.flags & 3) == 0) {
    t.Fail("icon", "an icon is stored only for a shortcut on the desktop or in the Start Menu");
  }
  Narrow(t, "arguments", entry.command);
  Narrow(t, "working_dir", entry.extra);
  if (Narrow(t, "destination", entry.destination)) {
    const bool renames = entry.destination.find('\\') == std::string::npos;
    if (HasDotComponent(entry.destination) || (renames && !StaysInsideFolder(entry.destination))) {
      t.Fail("destination",
             "a destination cannot climb out of its folder (\".\" or \"..\"), and a new name "
             "cannot hold \":\"");
    }
  }
  if (Number(t, "msi_ui_level", 0, 0xFFFFFFFF, entry.msiUiLevel) && entry.kind != 11) {
    t.Fail("msi_ui_level", "only for kind \"msi\"");
  }
  DateTime date;
  const bool dated = Date(t, "date", date);
  t.Finish();
  if (t.loader().Failed()) return;

  for (SourceChoice& choice : chosen) {
    PayloadFile file = entry;
    file.name = named ? name : NarrowFromUtf8(choice.name);
    if (!StaysInsideFolder(file.name)) {
      t.Fail(named             ? "name"
             : t.Has("prefix") ? "prefix"
             : t.Has("path")   ? "path"
                               : "source",
             "the entry name '" + (named ? name : choice.name) +
                 "' would leave the installation folder: names cannot hold \":\" or a \".\" "
                 "or \"..\" folder");
      return;
    }
    if (dated) {
      file.dateTime = date;
    } else {
      file.dateTime = choice.modified;
      if (context.clampFileDates && CompareDateTime(file.dateTime, context.buildTime) > 0) {
        file.dateTime = context.buildTime;
      }
    }
    std::string error;
    if (!ReadWholeFile(choice.path, file.content, error)) {
      t.Fail("source", error);
      return;
    }
    if (!textGiven && file.kind >= 6 && file.kind <= 9) {
      // The installer compares with the FileVersion text of the file it finds, so that text
      // (normalized the same way) is the stored version; the fixed number only stands in
      // when a file has no such text.
      if (std::optional<std::string> text = ReadFileVersionString(file.content)) {
        file.text = NormalizeFileVersionText(*text);
      } else if (std::optional<std::string> version = ReadFileVersion(file.content)) {
        file.text = *version;
      }
    }
    out.push_back(std::move(file));
  }
}

}  // namespace qs::builder::project
