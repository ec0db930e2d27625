#include "builder/project_printer.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "base/text.h"
#include "builder/flag_options.h"
#include "builder/project_file.h"
#include "builder/project_names.h"
#include "builder/text_forms.h"
#include "core/product_flags.h"

namespace qs::builder {
namespace {

std::string Hex(uint64_t value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%0*" PRIX64, digits, value);
  return text;
}

// A TOML basic string: quotes, backslashes and control characters escaped, the rest as it is
// (valid UTF-8 only reaches here).
std::string Quote(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(c));
          out += escape;
        } else {
          out.push_back(c);
        }
    }
  }
  return out + "\"";
}

// Bytes inline, wrapped so that a picture does not make one endless line.
std::string Base64Value(std::span<const uint8_t> bytes) {
  const std::string text = Base64Encode(bytes);
  if (text.size() <= 76) return "{ base64 = \"" + text + "\" }";
  std::string out = "{ base64 = \"\"\"\n";
  for (size_t i = 0; i < text.size(); i += 76) {
    out += text.substr(i, 76);
    out += i + 76 < text.size() ? "\\\n" : "\"\"\" }";
  }
  return out;
}

std::string BytesOf(std::string_view text) {
  return Base64Value({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

std::string NarrowValue(std::string_view stored) {
  std::string utf8;
  return Utf8FromNarrow(stored, utf8) ? Quote(utf8) : BytesOf(stored);
}

// A narrow text of the settings, in the bytes it is stored as.
std::string NarrowTextValue(const ProductSettings& s, NarrowField field, std::u16string_view text) {
  return NarrowValue(StoredNarrow(s.storedForms.Of(field), text));
}

std::string Utf8Value(std::string_view stored) {
  return Utf16ToUtf8(Utf8ToUtf16(stored)) == stored ? Quote(stored) : BytesOf(stored);
}

std::string BatchValue(std::string_view stored) {
  std::string utf8;
  std::string back;
  if (Utf8FromCp1252(stored, utf8) && Cp1252FromUtf8(utf8, back) && back == stored) {
    return Quote(utf8);
  }
  return BytesOf(stored);
}

std::string WideValue(std::u16string_view wide) {
  const std::string utf8 = Utf16ToUtf8(wide);
  if (Utf8ToUtf16(utf8) == wide) return Quote(utf8);
  std::vector<uint8_t> bytes;
  for (char16_t unit : wide) {
    bytes.push_back(static_cast<uint8_t>(unit));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return Base64Value(bytes);
}

// The shortest text that reads back as the same double; NaNs by their bits.
std::string DoubleValue(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  if (value != value) return "{ bits = \"" + Hex(bits, 16) + "\" }";
  if (value == INFINITY) return "inf";
  if (value == -INFINITY) return "-inf";
  char text[64];
  auto [end, problem] = std::to_chars(text, text + sizeof text, value);
  std::string out(text, end);
  if (out.find_first_of(".e") == std::string::npos) out += ".0";
  return out;
}

std::string Bool(bool value) {
  return value ? "true" : "false";
}

// A byte that is usually a switch.
std::string SwitchValue(uint8_t value) {
  return value <= 1 ? Bool(value != 0) : std::to_string(value);
}

std::string NamedValueText(std::span<const NamedValue> names, uint64_t value) {
  const NamedValue* found = FindValue(names, value);
  return found != nullptr ? Quote(found->name) : std::to_string(value);
}

std::string BitsValue(std::span<const NamedValue> names, uint64_t value) {
  uint64_t known = 0;
  for (const NamedValue& name : names) known |= name.value;
  if ((value & ~known) != 0) return Hex(value, 1);
  std::string out = "[";
  for (const NamedValue& name : names) {
    if ((value & name.value) == 0) continue;
    if (out.size() > 1) out += ", ";
    out += Quote(name.name);
  }
  return out + "]";
}

std::string ColorValue(uint32_t value) {
  if (value > 0xFFFFFF) return Hex(value, 8);
  char text[16];
  std::snprintf(text, sizeof text, "\"#%02x%02x%02x\"", value & 0xFF, value >> 8 & 0xFF,
                value >> 16 & 0xFF);
  return text;
}

// A TOML date-time in UTC, a date alone when there is no time of day, or the six numbers
// when the value is no calendar date.
std::string DateValue(const DateTime& d) {
  const bool calendar = IsCalendarDate(d.year, d.month, d.day);
  char text[96];
  if (calendar && d.hour == -1 && d.minute == 0 && d.second == 0) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
  } else if (calendar && d.hour >= 0 && d.hour <= 23 && d.minute >= 0 && d.minute <= 59 &&
             d.second >= 0 && d.second <= 59) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year, d.month, d.day,
                  d.hour, d.minute, d.second);
  } else {
    std::snprintf(text, sizeof text, "[%d, %d, %d, %d, %d, %d]", d.year, d.month, d.day, d.hour,
                  d.minute, d.second);
  }
  return text;
}

class Printer {
 public:
  void Line(const std::string& text = {}) { out_ += text + "\n"; }
  void Key(std::string_view key, const std::string& value) {
    out_ += std::string(key) + " = " + value + "\n";
  }
  void Comment(std::string_view text) { out_ += "# " + std::string(text) + "\n"; }
  void Table(std::string_view name) { out_ += "\n[" + std::string(name) + "]\n"; }
  void ArrayTable(std::string_view name) { out_ += "\n[[" + std::string(name) + "]]\n"; }
  std::string& text() { return out_; }

 private:
  std::string out_;
};

// Named bits and the rest of each flag word. The rest leaves out what the printed project
// gives elsewhere: compression ([container]), the master product ([master]), and the
// background picture flag when a picture is stored ([background] in_uninstaller).
void PrintOptions(Printer& p, const ProductSettings& s) {
  p.Table("options");
  uint64_t named = 0;
  uint32_t named2 = 0;
  for (const FlagOption& option : FlagOptions()) {
    if (option.derived) continue;
    const bool on = option.word == FlagWord::kProductFlags ? (s.ProductFlags & option.mask) != 0
                                                           : (s.ProductFlags2 & option.mask) != 0;
    if (option.word == FlagWord::kProductFlags) {
      named |= option.mask;
    } else {
      named2 |= static_cast<uint32_t>(option.mask);
    }
    std::string line = std::string(option.key) + " = " + Bool(on);
    line.resize(std::max<size_t>(line.size(), 46), ' ');
    p.Line(line + "# " + std::string(option.meaning));
  }
  uint64_t rest = s.ProductFlags & ~named & ~kFlagCompressedBlocks & ~kFlagMasterProduct;
  if (!s.bitmap.empty()) rest &= ~kFlagBackgroundBitmap;
  const uint32_t rest2 = s.ProductFlags2 & ~named2 & ~kFlags2Enciphered;
  p.Comment("the bits without a name (the named options above apply on top of them)");
  p.Key("product_flags", Quote(Hex(rest, 16)));
  p.Key("product_flags2", Hex(rest2, 8));
}

void PrintBackground(Printer& p, const ProductSettings& s) {
  p.Table("background");
  p.Key("taskbar_text", NarrowTextValue(s, NarrowField::kTaskbarText, s.TaskbarText));
  p.Key("title", WideValue(s.DisplayTitle));
  p.Key("title_size", DoubleValue(s.TitleSize));
  p.Key("title_color", ColorValue(s.TitleColor));
  p.Key("title_shadow", std::to_string(s.TitleShadow));
  p.Key("title_position", NamedValueText(kPositionNames, s.TitlePosition));
  p.Key("title_font", NarrowTextValue(s, NarrowField::kTitleFont, s.TitleFont));
  p.Key("title_option", std::to_string(s.titleOption));
  p.Key("top_color", ColorValue(s.TopColor));
  p.Key("bottom_color", ColorValue(s.BottomColor));
  p.Key("bitmap_size", std::to_string(s.BitmapSize));
  p.Key("stretch", s.StretchMode < 0 ? std::to_string(s.StretchMode)
                                     : NamedValueText(kStretchNames, s.StretchMode));
  if (!s.bitmap.empty()) {
    p.Key("bitmap", Base64Value(s.bitmap));
    p.Key("transparent_index", s.BitmapTPI == 0xFFFFFFFF ? "-1" : std::to_string(s.BitmapTPI));
    p.Key("in_uninstaller", Bool((s.ProductFlags & kFlagBackgroundBitmap) != 0));
  }
  if (s.CopyrightPos != 0) {
    p.Table("background.copyright");
    p.Key("text", WideValue(s.CopyrightText));
    p.Key("color", ColorValue(s.CopyrightColor));
    p.Key("size", DoubleValue(s.CopyrightSize));
    p.Key("font", NarrowTextValue(s, NarrowField::kCopyrightFont, s.CopyrightFont));
    p.Key("position", NamedValueText(std::span(kPositionNames).subspan(1), s.CopyrightPos));
  }
}

void PrintDocuments(Printer& p, std::string_view key,
                    const std::vector<std::vector<uint8_t>>& documents) {
  if (documents.empty()) return;
  std::string value = "[\n";
  for (const auto& document : documents) value += "  " + Base64Value(document) + ",\n";
  p.Key(key, value + "]");
}

void PrintPages(Printer& p, const ProductSettings& s) {
  p.Table("pages");
  p.Key("caption", WideValue(s.dialogCaption));
  PrintDocuments(p, "licenses", s.licenses);
  PrintDocuments(p, "readmes", s.readmes);
  const uint32_t across = s.progressPlacement & 0x3;
  const uint32_t down = s.progressPlacement & 0x18;
  if ((s.progressPlacement & ~0x1Bu) == 0) {
    p.Key("progress_placement", "{ horizontal = " + NamedValueText(kHorizontalNames, across) +
                                    ", vertical = " + NamedValueText(kVerticalNames, down) + " }");
  } else {
    p.Key("progress_placement", std::to_string(s.progressPlacement));
  }
  p.Table("pages.layout");
  for (size_t i = 0; i < kDialogLayoutCount; ++i) {
    p.Key(kLayoutKeys[i], NamedValueText(kLayoutNames, s.dialogLayouts[i]));
  }
}

void PrintLists(Printer& p, const ProductSettings& s) {
  for (const ShortcutRecord& r : s.shortcuts) {
    p.ArrayTable("shortcuts");
    p.Key("target", NarrowValue(r.target));
    p.Key("name", WideValue(r.name));
    p.Key("icon", NarrowValue(r.icon));
    p.Key("arguments", NarrowValue(r.arguments));
    p.Key("working_dir", NarrowValue(r.workingDirectory));
    p.Key("desktop", SwitchValue(r.onDesktop));
    p.Key("start_menu", SwitchValue(r.inStartMenu));
    p.Key("startup", SwitchValue(r.inStartup));
    p.Key("folder", NarrowValue(r.customFolder));
    p.Key("show", NamedValueText(kShowStateNames, r.showState));
    p.Key("keep", SwitchValue(r.keepAtUninstall));
  }
  for (const FileAssociation& a : s.associations) {
    p.ArrayTable("associations");
    p.Key("extension", NarrowValue(a.extension));
    p.Key("label", NarrowValue(a.label));
    p.Key("description", NarrowValue(a.description));
    p.Key("verb", NarrowValue(a.verb));
    p.Key("verb_text", NarrowValue(a.verbText));
    p.Key("command", NarrowValue(a.command));
    p.Key("language", NarrowValue(a.language));
    p.Key("icon", NarrowValue(a.icon));
    if (a.flags <= 1) {
      p.Key("default_verb", Bool(a.flags != 0));
    } else {
      p.Key("flags", Hex(a.flags, 1));
    }
  }
  for (const SavedValue& v : s.savedValues) {
    p.ArrayTable("saved_values");
    p.Key("key", NarrowValue(v.keyPath));
    p.Key("kind", NamedValueText(kSavedValueKindNames, v.kind));
    p.Key("data", NarrowValue(v.data));
  }
  for (const FileDeletion& d : s.conditionalDeletes) {
    p.ArrayTable("conditional_deletes");
    p.Key("files", NarrowValue(d.file_spec));
    p.Key("condition", NamedValueText(kConditionNames, d.condition));
    p.Key("argument", NarrowValue(d.condition_argument));
    if (d.mode <= 0xF) {
      p.Key("install", Bool(d.mode & kDeleteModeInstall));
      p.Key("uninstall", Bool(d.mode & kDeleteModeUninstall));
      p.Key("at_restart", Bool(d.mode & kDeleteModeAtRestart));
      p.Key("at_restart_on_failure", Bool(d.mode & kDeleteModeAtRestartOnFailure));
    } else {
      p.Key("mode", std::to_string(d.mode));
    }
  }
  for (const AutoCloseEntry& e : s.autoCloseEntries) {
    p.ArrayTable("auto_close");
    p.Key("window_class", NarrowValue(e.window_class));
    p.Key("window_title", NarrowValue(e.window_title));
    p.Key("name", NarrowValue(e.display_name));
    p.Key("action", NamedValueText(kAutoCloseActionNames, e.action));
    if (e.phases <= 7) {
      p.Key("install", Bool(e.phases & 1));
      p.Key("uninstall", Bool(e.phases & 2));
      p.Key("uninstall_after_confirm", Bool(e.phases & 4));
    } else {
      p.Key("phases", std::to_string(e.phases));
    }
  }
}

void PrintLanguages(Printer& p, const LanguageTable& table) {
  const size_t count = table.names.size();
  for (size_t language = 0; language < count; ++language) {
    p.ArrayTable("languages");
    p.Key("name", NarrowValue(table.names[language]));
    p.Table("languages.texts");
    for (int32_t number = 0; number < table.textCount; ++number) {
      const std::u16string* text = table.Find(number, language);
      p.Key(std::to_string(number), WideValue(text != nullptr ? *text : u""));
    }
  }
}

void PrintFiles(Printer& p, std::span<const PayloadFile> files) {
  std::set<std::string> seen;
  for (const PayloadFile& f : files) {
    p.ArrayTable("files");
    // Where `quillonet extract` writes the entry: its name as UTF-8, with "/" between folders.
    std::string path;
    if (!Utf8FromNarrow(f.name, path)) {
      path = Utf16ToUtf8(DecodeLatin1(f.name));
      p.Comment("the stored name is not UTF-8: `quillonet extract` writes it as below");
    }
    std::replace(path.begin(), path.end(), '\\', '/');
    if (!seen.insert(path).second) {
      p.Comment("another entry has this name too; `quillonet extract` keeps only the last");
    }
    p.Key("path", Quote(path));
    std::string derived = path;
    std::replace(derived.begin(), derived.end(), '/', '\\');
    if (NarrowFromUtf8(derived) != f.name) p.Key("name", NarrowValue(f.name));
    p.Key("kind", NamedValueText(kFileKindNames, f.kind));
    const uint32_t overwrite = (f.flags & kEntryOverwriteMask) >> 2;
    if (overwrite != 0) p.Key("overwrite", NamedValueText(kOverwriteNames, overwrite));
    if (f.flags & kEntryDesktop) p.Key("desktop", "true");
    if (f.flags & kEntryStartMenu) p.Key("start_menu", "true");
    if (f.flags & kEntryKeep) p.Key("keep", "true");
    if (f.flags & kEntryInUninstallFolder) p.Key("in_uninstall_dir", "true");
    if (f.flags & kEntryUninstallPackage) p.Key("uninstall_package", "true");
    if (f.flags & ~kEntryNamedFlags) p.Key("flags", Hex(f.flags & ~kEntryNamedFlags, 1));
    if (f.attributes != 0xFFFFFFFF) p.Key("attributes", BitsValue(kAttributeNames, f.attributes));
    p.Key("date", DateValue(f.dateTime));
    // The key that says what the text is; kinds 6-9 always, so that the builder does not
    // take the version from the file instead.
    std::string_view textKey = "text";
    if (f.kind >= 6 && f.kind <= 9) {
      textKey = "version";
    } else if (f.kind == 4) {
      textKey = "font_name";
    } else if (f.kind == 12) {
      textKey = "applet_name";
    } else if (f.kind == 0 || f.kind == 5) {
      textKey = "shortcut_name";
    }
    if (!f.text.empty() || (f.kind >= 6 && f.kind <= 9)) p.Key(textKey, Utf8Value(f.text));
    if (f.flags & 3) p.Key("icon", NarrowValue(f.icon));
    if (!f.command.empty()) p.Key("arguments", NarrowValue(f.command));
    if (!f.extra.empty()) p.Key("working_dir", NarrowValue(f.extra));
    if (!f.destination.empty()) p.Key("destination", NarrowValue(f.destination));
    if (f.kind == 11) p.Key("msi_ui_level", std::to_string(f.msiUiLevel));
  }
}

}  // namespace

std::string TomlString(std::string_view utf8) {
  return Quote(utf8);
}

std::string FormatProject(const ProductSettings& s, std::span<const PayloadFile> files,
                          const ContainerOptions& container, const ProjectPrintOptions& options) {
  Printer p;
  p.Comment("Quillonet Setup project, printed from an installer. Building it again gives the");
  p.Comment("same settings. The files are the installer's entries as");
  p.Comment("`quillonet extract INSTALLER DIR` writes them; `source` names that folder.");
  p.Key("source", Quote(options.filesFolder));
  if (options.x64Program) p.Key("arch", Quote("x64"));
  p.Key("text_count", std::to_string(s.languages.textCount));
  bool english = false;
  for (const std::string& name : s.languages.names) english = english || name == "English";
  if (!english) p.Key("english", "false");

  p.Table("product");
  p.Key("name", NarrowTextValue(s, NarrowField::kDisplayName, s.DisplayName));
  p.Key("version", NarrowTextValue(s, NarrowField::kDisplayVersion, s.DisplayVersion));
  p.Key("publisher", NarrowTextValue(s, NarrowField::kPublisher, s.Publisher));
  p.Key("description", NarrowTextValue(s, NarrowField::kDescription, s.description));
  p.Key("bitness", NamedValueText(kBitnessNames, s.Bitness));
  p.Key("date", DateValue(s.productDate));
  p.Key("registry_key", NarrowValue(s.ProductRegistry));
  if (!s.productIcon.empty()) p.Key("icon", Base64Value(s.productIcon));

  PrintOptions(p, s);

  p.Table("install");
  p.Key("default_dir", NarrowTextValue(s, NarrowField::kDefaultInstallDir, s.defaultInstallDir));
  p.Key("previous_dir_value", NarrowTextValue(s, NarrowField::kInstallDirValue, s.installDirValue));
  p.Key("start_menu", NarrowTextValue(s, NarrowField::kProductStartMenu, s.ProductStartMenu));
  p.Key("all_users_shortcuts", SwitchValue(s.ShortcutMode));
  p.Key("shared_dir", NarrowTextValue(s, NarrowField::kSharedPath, s.SharedPath));
  p.Key("shared_dir_base", NamedValueText(kSharedDirBaseNames, s.sharedDirBase));
  p.Key("removable_shared_subdir",
        NarrowTextValue(s, NarrowField::kRemovableSharedSubdir, s.removableSharedSubdir));
  p.Key("admin", NamedValueText(kAdminNames, s.adminRequirement));
  p.Key("automatic_mode", NamedValueText(kAutomaticModeNames, s.automaticOverride));
  p.Key("min_step_delay", std::to_string(s.minStepDelay));
  p.Key("extra_disk_space", s.extraDiskSpace <= INT64_MAX
                                ? std::to_string(s.extraDiskSpace)
                                : Quote(std::to_string(s.extraDiskSpace)));
  p.Key("unsupported_systems", BitsValue(kSystemNames, s.unsupportedSystems));
  p.Key("registry", NarrowValue(s.registryText));
  p.Key("firewall_rules", NarrowValue(s.firewallRules));
  p.Key("desktop_folder", NarrowTextValue(s, NarrowField::kDesktopFolderName, s.desktopFolderName));
  if (!s.desktopFolderIcon.empty()) p.Key("desktop_folder_icon", Base64Value(s.desktopFolderIcon));
  p.Key("root_shortcut_name",
        NarrowTextValue(s, NarrowField::kRootShortcutName, s.rootShortcutName));
  p.Key("root_shortcut_target",
        NarrowTextValue(s, NarrowField::kRootShortcutTarget, s.rootShortcutTarget));
  p.Key("taskbar_pin", WideValue(s.taskbarPin));
  p.Key("ask_below_version", NarrowValue(s.askBelowVersion));
  p.Key("must_uninstall_below", NarrowValue(s.mustUninstallBelow));

  p.Table("uninstall");
  p.Key("subdir", NarrowTextValue(s, NarrowField::kUninstallSubdir, s.UninstallSubdir));
  p.Key("program", NarrowTextValue(s, NarrowField::kUninstallerName, s.uninstallerName));
  p.Key("key_name", NarrowTextValue(s, NarrowField::kUninstallKeyName, s.uninstallKeyName));
  if (!s.uninstallerIcon.empty()) p.Key("icon", Base64Value(s.uninstallerIcon));

  PrintBackground(p, s);
  PrintPages(p, s);

  p.Table("finish");
  p.Key("open_file", NarrowTextValue(s, NarrowField::kFinishOpenFile, s.finishOpenFile));
  p.Key("launch_program",
        NarrowTextValue(s, NarrowField::kFinishLaunchProgram, s.finishLaunchProgram));
  p.Key("open_other", NarrowTextValue(s, NarrowField::kFinishOpenOther, s.finishOpenOther));

  p.Table("notify");
  p.Key("install", NarrowValue(s.notifyUrlInstall));
  p.Key("upgrade", NarrowValue(s.notifyUrlUpgrade));
  p.Key("downgrade", NarrowValue(s.notifyUrlDowngrade));
  p.Key("reinstall", NarrowValue(s.notifyUrlReinstall));
  p.Key("uninstall", NarrowValue(s.NotifyURL));

  p.Table("batches");
  for (size_t i = 0; i < kBatchCount; ++i) p.Key(kBatchKeys[i], BatchValue(s.batches[i]));

  if ((s.ProductFlags & kFlagMasterProduct) != 0) {
    p.Table("master");
    p.Key("name", NarrowTextValue(s, NarrowField::kMasterName, s.masterName));
    p.Key("key", NarrowTextValue(s, NarrowField::kMasterKey, s.masterKey));
  }

  p.Table("advanced");
  std::string reserved = "[";
  for (size_t i = 0; i < s.reserved20.size(); ++i) {
    reserved += (i > 0 ? ", " : "") + std::to_string(s.reserved20[i]);
  }
  p.Key("reserved", reserved + "]");
  p.Key("unused_text", NarrowValue(s.unusedText));
  p.Key("file_data_from_file", SwitchValue(s.fileDataFromFile));

  p.Table("container");
  p.Key("compress", Bool((s.ProductFlags & kFlagCompressedBlocks) != 0));
  if (container.blowfishKey) {
    std::string key;
    for (uint8_t byte : *container.blowfishKey) {
      char digits[4];
      std::snprintf(digits, sizeof digits, "%02x", byte);
      key += digits;
    }
    p.Key("key", Quote(key));
  }

  PrintLists(p, s);
  PrintLanguages(p, s.languages);
  PrintFiles(p, files);
  return p.text();
}

}  // namespace qs::builder
