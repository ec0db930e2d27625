#include "builder/project_file.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/text.h"
#include "builder/flag_options.h"
#include "builder/pe_section_writer.h"
#include "builder/project_names.h"
#include "builder/project_sections.h"
#include "builder/project_values.h"
#include "builder/settings_writer.h"
#include "builder/source_files.h"
#include "builder/text_forms.h"
#include "builder/toml_text.h"
#include "core/product_flags.h"
#include "files/deletion_conditions.h"
#include "uninstall/record_line_checks.h"

namespace qs::builder {
namespace {

// ---- What a project gets when it does not say. ----

constexpr uint64_t kDefaultProductFlags =
    kFlagUninstallable | kFlagOfferDirectoryPage | kFlagShowProgressPage;
constexpr uint32_t kDefaultProductFlags2 = kFlags2StrippedUninstaller;

ProductSettings DefaultSettings() {
  ProductSettings s;
  s.ProductFlags = kDefaultProductFlags;
  s.ProductFlags2 = kDefaultProductFlags2;
  s.ShortcutMode = 1;  // shortcuts for all users, like the installation under Program Files
  s.UninstallSubdir = u"Uninstall";
  s.uninstallerName = u"uninstall.exe";
  s.dialogCaption = u"<product> Setup";
  s.TitleSize = 1.0;
  s.TitleColor = 0x00FFFFFF;
  s.TitleShadow = 2;
  s.TitlePosition = 1;
  s.TitleFont = u"Arial";
  s.TopColor = 0x00800000;  // dark blue (0x00BBGGRR) fading to black
  s.BottomColor = 0;
  s.StretchMode = 1;
  s.dialogLayouts.fill(2);
  return s;
}
// Also name-dependent: TaskbarText "<name> Setup", DisplayTitle the name; with a bitmap,
// BitmapSize 100 and no transparent index; with a copyright line, position bottom right,
// white, size 1 and Arial.
constexpr uint32_t kNoTransparentIndex = 0xFFFFFFFF;

}  // namespace

DateTime DateTimeFromUnixSeconds(int64_t seconds) {
  return ToDateTime(std::chrono::sys_seconds{std::chrono::seconds(seconds)});
}

bool BuildTimeFromEnvironment(ProjectContext& context, std::string& error) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch != nullptr && *epoch != '\0') {
    int64_t seconds = 0;
    const char* end = epoch + std::char_traits<char>::length(epoch);
    auto [stop, problem] = std::from_chars(epoch, end, seconds);
    if (problem != std::errc() || stop != end || seconds < 0 || seconds > 253402300799) {
      error = "SOURCE_DATE_EPOCH must be a number of seconds since 1970";
      return false;
    }
    context.buildTime = DateTimeFromUnixSeconds(seconds);
    context.clampFileDates = true;
    return true;
  }
  const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  context.buildTime = DateTimeFromUnixSeconds(now.time_since_epoch().count());
  context.clampFileDates = false;
  return true;
}

std::filesystem::path DefaultOutputPath(const std::string& projectPath,
                                        const std::string& productName) {
  std::string name;
  if (!Utf8FromNarrow(productName, name)) name = productName;
  if (name.empty()) name = "product";
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  name += "-setup.exe";
  return std::filesystem::path(projectPath).parent_path() /
         std::filesystem::path(std::u8string(name.begin(), name.end()));
}

namespace project {
namespace {

// ---- The sections ----

struct ParseState {
  bool compress = true;
  bool masterGiven = false;
  std::optional<bool> bitmapInUninstaller;
  std::optional<uint64_t> rawFlags;
  std::optional<uint32_t> rawFlags2;
  std::string sourceFolder;  // the top-level `source`
};

void ReadProduct(Table& t, ProductSettings& s) {
  StoredNarrowForms& kept = s.storedForms;
  if (!NarrowText(t, "name", NarrowField::kDisplayName, s.DisplayName, kept) ||
      s.DisplayName.empty()) {
    if (!t.loader().Failed()) t.Fail("name", "the product needs a name");
  }
  NarrowText(t, "version", NarrowField::kDisplayVersion, s.DisplayVersion, kept);
  NarrowText(t, "publisher", NarrowField::kPublisher, s.Publisher, kept);
  NarrowText(t, "description", NarrowField::kDescription, s.description, kept);
  Named(t, "bitness", kBitnessNames, 0, 2, s.Bitness);
  Date(t, "date", s.productDate);
  Narrow(t, "registry_key", s.ProductRegistry);
  // The uninstaller deletes this key with all its subkeys, in HKLM and in every user's hive; it
  // refuses a name that is not the product's own, so the builder does too, where it can be fixed.
  if (!s.ProductRegistry.empty() && !IsOwnProductRegistryKey(s.ProductRegistry)) {
    t.Fail("registry_key",
           "names no key of the product's own: a key the system and every product share "
           "(Microsoft, Classes, Policies, Wow6432Node, Windows, Clients, "
           "RegisteredApplications), or a step that is empty, \".\" or \"..\"");
  }
  Blob(t, "icon", s.productIcon);
  t.Finish();
}

void ReadInstall(Table& t, ProductSettings& s) {
  NarrowText(t, "default_dir", NarrowField::kDefaultInstallDir, s.defaultInstallDir, s.storedForms);
  NarrowText(t, "previous_dir_value", NarrowField::kInstallDirValue, s.installDirValue,
             s.storedForms);
  NarrowText(t, "start_menu", NarrowField::kProductStartMenu, s.ProductStartMenu, s.storedForms);
  Switch(t, "all_users_shortcuts", s.ShortcutMode);
  NarrowText(t, "shared_dir", NarrowField::kSharedPath, s.SharedPath, s.storedForms);
  Named(t, "shared_dir_base", kSharedDirBaseNames, 0, 255, s.sharedDirBase);
  NarrowText(t, "removable_shared_subdir", NarrowField::kRemovableSharedSubdir,
             s.removableSharedSubdir, s.storedForms);
  Named(t, "admin", kAdminNames, 0, 255, s.adminRequirement);
  Named(t, "automatic_mode", kAutomaticModeNames, 0, 255, s.automaticOverride);
  Number(t, "min_step_delay", 0, kMaxMinStepDelay, s.minStepDelay);
  Word(t, "extra_disk_space", UINT64_MAX, s.extraDiskSpace);
  Bits(t, "unsupported_systems", kSystemNames, 0xFFFFFFFF, s.unsupportedSystems);
  Narrow(t, "registry", s.registryText);
  Narrow(t, "firewall_rules", s.firewallRules);
  NarrowText(t, "desktop_folder", NarrowField::kDesktopFolderName, s.desktopFolderName,
             s.storedForms);
  Blob(t, "desktop_folder_icon", s.desktopFolderIcon);
  NarrowText(t, "root_shortcut_name", NarrowField::kRootShortcutName, s.rootShortcutName,
             s.storedForms);
  NarrowText(t, "root_shortcut_target", NarrowField::kRootShortcutTarget, s.rootShortcutTarget,
             s.storedForms);
  Wide(t, "taskbar_pin", s.taskbarPin);
  Narrow(t, "ask_below_version", s.askBelowVersion);
  Narrow(t, "must_uninstall_below", s.mustUninstallBelow);
  t.Finish();
}

void ReadUninstall(Table& t, ProductSettings& s) {
  NarrowText(t, "subdir", NarrowField::kUninstallSubdir, s.UninstallSubdir, s.storedForms);
  NarrowText(t, "program", NarrowField::kUninstallerName, s.uninstallerName, s.storedForms);
  NarrowText(t, "key_name", NarrowField::kUninstallKeyName, s.uninstallKeyName, s.storedForms);
  if (Blob(t, "icon", s.uninstallerIcon) && (s.ProductFlags & kFlagUninstallable) == 0) {
    t.Fail("icon", "only an uninstallable product has an uninstaller (option 'uninstallable')");
  }
  t.Finish();
}

void ReadCopyright(Table& t, ProductSettings& s) {
  s.CopyrightPos = 6;
  s.CopyrightColor = 0x00FFFFFF;
  s.CopyrightSize = 1.0;
  s.CopyrightFont = u"Arial";
  Wide(t, "text", s.CopyrightText);
  Color(t, "color", s.CopyrightColor);
  Double(t, "size", s.CopyrightSize);
  NarrowText(t, "font", NarrowField::kCopyrightFont, s.CopyrightFont, s.storedForms);
  Named(t, "position", std::span(kPositionNames).subspan(1), 1, 255, s.CopyrightPos);
  t.Finish();
}

void ReadBackground(Table& t, ProductSettings& s, ParseState& state) {
  NarrowText(t, "taskbar_text", NarrowField::kTaskbarText, s.TaskbarText, s.storedForms);
  Wide(t, "title", s.DisplayTitle);
  Double(t, "title_size", s.TitleSize);
  Color(t, "title_color", s.TitleColor);
  Number(t, "title_shadow", 0, 255, s.TitleShadow);
  Named(t, "title_position", kPositionNames, 0, 255, s.TitlePosition);
  NarrowText(t, "title_font", NarrowField::kTitleFont, s.TitleFont, s.storedForms);
  Number(t, "title_option", 0, 255, s.titleOption);
  Color(t, "top_color", s.TopColor);
  Color(t, "bottom_color", s.BottomColor);
  if (Blob(t, "bitmap", s.bitmap) && !s.bitmap.empty()) {
    s.BitmapSize = 100;
    s.BitmapTPI = kNoTransparentIndex;
    if (s.bitmap.size() > INT32_MAX) t.Fail("bitmap", "the bitmap is too large");
  }
  Number(t, "bitmap_size", 0, 100, s.BitmapSize);
  Named(t, "stretch", kStretchNames, INT32_MIN, INT32_MAX, s.StretchMode);
  int64_t transparent = 0;
  if (Integer(t, "transparent_index", -1, 0xFFFFFFFF, transparent)) {
    if (s.bitmap.empty()) {
      t.Fail("transparent_index", "is stored only with a bitmap");
    }
    s.BitmapTPI = static_cast<uint32_t>(transparent);
  }
  bool inUninstaller = true;
  if (Bool(t, "in_uninstaller", inUninstaller)) {
    if (s.bitmap.empty()) t.Fail("in_uninstaller", "needs a bitmap");
    state.bitmapInUninstaller = inUninstaller;
  }
  if (std::optional<Table> copyright = SubTable(t, "copyright")) ReadCopyright(*copyright, s);
  t.Finish();
}

void ReadLayouts(Table& t, ProductSettings& s) {
  const toml::node* node = t.Get("layout");
  if (node == nullptr) return;
  if (node->is_table()) {
    Table layouts(t.loader(), *node->as_table(), t.KeyPath("layout"));
    for (size_t i = 0; i < kDialogLayoutCount; ++i) {
      Named(layouts, kLayoutKeys[i], kLayoutNames, 0, 0xFFFFFFFF, s.dialogLayouts[i]);
    }
    layouts.Finish();
    return;
  }
  uint32_t all = 0;
  if (Named(t, "layout", kLayoutNames, 0, 0xFFFFFFFF, all)) s.dialogLayouts.fill(all);
}

void ReadPages(Table& t, ProductSettings& s) {
  Wide(t, "caption", s.dialogCaption);
  Documents(t, "licenses", s.licenses);
  Documents(t, "readmes", s.readmes);
  ReadLayouts(t, s);
  if (const toml::node* node = t.Get("progress_placement"); node != nullptr && node->is_table()) {
    Table placement(t.loader(), *node->as_table(), t.KeyPath("progress_placement"));
    uint32_t across = 0;
    uint32_t down = 0;
    Named(placement, "horizontal", kHorizontalNames, 0, 3, across);
    Named(placement, "vertical", kVerticalNames, 0, 0x18, down);
    if ((down & ~0x18u) != 0) placement.Fail("vertical", "expected a multiple of 8 up to 24");
    placement.Finish();
    s.progressPlacement = across | down;
  } else {
    Number(t, "progress_placement", 0, 0xFFFFFFFF, s.progressPlacement);
  }
  t.Finish();
}

void ReadFinish(Table& t, ProductSettings& s) {
  NarrowText(t, "open_file", NarrowField::kFinishOpenFile, s.finishOpenFile, s.storedForms);
  NarrowText(t, "launch_program", NarrowField::kFinishLaunchProgram, s.finishLaunchProgram,
             s.storedForms);
  NarrowText(t, "open_other", NarrowField::kFinishOpenOther, s.finishOpenOther, s.storedForms);
  t.Finish();
}

void ReadNotify(Table& t, ProductSettings& s) {
  Narrow(t, "install", s.notifyUrlInstall);
  Narrow(t, "upgrade", s.notifyUrlUpgrade);
  Narrow(t, "downgrade", s.notifyUrlDowngrade);
  Narrow(t, "reinstall", s.notifyUrlReinstall);
  Narrow(t, "uninstall", s.NotifyURL);
  t.Finish();
}

void ReadBatches(Table& t, ProductSettings& s) {
  for (size_t i = 0; i < kBatchCount; ++i) Cp1252(t, kBatchKeys[i], s.batches[i]);
  t.Finish();
}

void ReadMaster(Table& t, ProductSettings& s) {
  NarrowText(t, "name", NarrowField::kMasterName, s.masterName, s.storedForms);
  NarrowText(t, "key", NarrowField::kMasterKey, s.masterKey, s.storedForms);
  t.Finish();
}

void ReadAdvanced(Table& t, ProductSettings& s) {
  if (const toml::node* node = t.Get("reserved")) {
    const auto* array = node->as_array();
    bool ok = array != nullptr && array->size() == s.reserved20.size();
    for (size_t i = 0; ok && i < s.reserved20.size(); ++i) {
      const toml::node& item = *array->get(i);
      ok = item.is_integer() && item.as_integer()->get() >= 0 && item.as_integer()->get() <= 255;
      if (ok) s.reserved20[i] = static_cast<uint8_t>(item.as_integer()->get());
    }
    if (!ok) t.Fail("reserved", "expected an array of 20 numbers from 0 to 255");
  }
  Narrow(t, "unused_text", s.unusedText);
  Switch(t, "file_data_from_file", s.fileDataFromFile);
  t.Finish();
}

void ReadOptions(Table& t, ProductSettings& s, ParseState& state) {
  uint64_t raw = 0;
  if (Word(t, "product_flags", UINT64_MAX, raw)) {
    if ((raw & (kFlagCompressedBlocks | kFlagMasterProduct)) != 0) {
      t.Fail("product_flags",
             "bits 5 and 16 are set by the builder: from [container] compress and from [master]");
    }
    state.rawFlags = raw;
  }
  if (Word(t, "product_flags2", 0xFFFFFFFF, raw)) {
    if ((raw & kFlags2Enciphered) != 0) {
      t.Fail("product_flags2", "bit 0x1000 is set by the builder when [container] key is given");
    }
    state.rawFlags2 = static_cast<uint32_t>(raw);
  }
  if (state.rawFlags) s.ProductFlags = *state.rawFlags;
  if (state.rawFlags2) s.ProductFlags2 = *state.rawFlags2;
  for (const FlagOption& option : FlagOptions()) {
    bool on = false;
    if (!Bool(t, option.key, on)) continue;
    if (option.derived) {
      t.Fail(option.key, "cannot be set by name: " + std::string(option.meaning));
      return;
    }
    if (option.word == FlagWord::kProductFlags) {
      s.ProductFlags = on ? s.ProductFlags | option.mask : s.ProductFlags & ~option.mask;
    } else {
      const uint32_t mask = static_cast<uint32_t>(option.mask);
      s.ProductFlags2 = on ? s.ProductFlags2 | mask : s.ProductFlags2 & ~mask;
    }
  }
  t.Finish();
}

void ReadContainer(Table& t, ContainerOptions& container, ParseState& state) {
  Bool(t, "compress", state.compress);
  Number(t, "compression_level", 0, 9, container.compressionLevel);
  Number(t, "block_size", 1, static_cast<int64_t>(kMaxBlockSize), container.blockSize);
  if (const toml::node* node = t.Get("key")) {
    std::array<uint8_t, 8> key{};
    const std::string text = node->is_string() ? node->as_string()->get() : std::string();
    bool ok = text.size() == 16;
    for (size_t i = 0; ok && i < 8; ++i) {
      auto [stop, problem] =
          std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, key[i], 16);
      ok = problem == std::errc() && stop == text.data() + 2 * i + 2;
    }
    if (ok) {
      container.blowfishKey = key;
    } else {
      t.Fail("key", "expected 16 hexadecimal digits (an 8-byte key)");
    }
  }
  t.Finish();
}

void ReadShortcuts(Table& root, ProductSettings& s) {
  for (Table& t : TableArray(root, "shortcuts", kMaxListRecords)) {
    ShortcutRecord& r = s.shortcuts.emplace_back();
    r.fromSettings = 1;
    if (!Narrow(t, "target", r.target) && !t.loader().Failed()) {
      t.Fail("target", "a shortcut needs a target");
    }
    Wide(t, "name", r.name);
    Narrow(t, "icon", r.icon);
    Narrow(t, "arguments", r.arguments);
    Narrow(t, "working_dir", r.workingDirectory);
    Switch(t, "desktop", r.onDesktop);
    Switch(t, "start_menu", r.inStartMenu);
    Switch(t, "startup", r.inStartup);
    Narrow(t, "folder", r.customFolder);
    Named(t, "show", kShowStateNames, 0, 255, r.showState);
    Switch(t, "keep", r.keepAtUninstall);
    t.Finish();
  }
}

void ReadAssociations(Table& root, ProductSettings& s) {
  for (Table& t : TableArray(root, "associations", kMaxListRecords)) {
    FileAssociation& a = s.associations.emplace_back();
    a.verb = "open";
    if ((!Narrow(t, "extension", a.extension) || a.extension.empty()) && !t.loader().Failed()) {
      t.Fail("extension", "an association needs an extension");
    }
    Narrow(t, "label", a.label);
    Narrow(t, "description", a.description);
    Narrow(t, "verb", a.verb);
    Narrow(t, "verb_text", a.verbText);
    Narrow(t, "command", a.command);
    Narrow(t, "language", a.language);
    Narrow(t, "icon", a.icon);
    Number(t, "flags", 0, 0xFFFFFFFF, a.flags);
    bool defaultVerb = false;
    if (Bool(t, "default_verb", defaultVerb)) a.flags = defaultVerb ? a.flags | 1 : a.flags & ~1u;
    t.Finish();
  }
}

void ReadSavedValues(Table& root, ProductSettings& s) {
  for (Table& t : TableArray(root, "saved_values", kMaxListRecords)) {
    SavedValue& v = s.savedValues.emplace_back();
    v.kind = 1;
    if ((!Narrow(t, "key", v.keyPath) || v.keyPath.empty()) && !t.loader().Failed()) {
      t.Fail("key", "a saved value needs a key (a value name, or a key path and value name)");
    }
    Named(t, "kind", kSavedValueKindNames, 0, 255, v.kind);
    Narrow(t, "data", v.data);
    t.Finish();
  }
}

// The four bits of a mode byte as switches, or the byte itself.
template <size_t N>
void ModeBits(Table& t, const std::pair<std::string_view, uint8_t> (&bits)[N], uint8_t& mode,
              std::string_view rawKey) {
  if (Number(t, rawKey, 0, 255, mode)) return;
  for (const auto& [key, bit] : bits) {
    bool on = false;
    if (Bool(t, key, on)) mode = on ? mode | bit : mode & ~bit;
  }
}

void ReadConditionalDeletes(Table& root, ProductSettings& s) {
  static constexpr std::pair<std::string_view, uint8_t> kModeBits[] = {
      {"at_restart", kDeleteModeAtRestart},
      {"at_restart_on_failure", kDeleteModeAtRestartOnFailure},
      {"install", kDeleteModeInstall},
      {"uninstall", kDeleteModeUninstall}};
  for (Table& t : TableArray(root, "conditional_deletes", kMaxConditionalDeletes)) {
    FileDeletion& d = s.conditionalDeletes.emplace_back();
    d.mode = 4;
    if ((!Narrow(t, "files", d.file_spec) || d.file_spec.empty()) && !t.loader().Failed()) {
      t.Fail("files", "a conditional delete needs the files it deletes");
    }
    if (d.file_spec == kConditionalDeleteEnd) t.Fail("files", "this text ends the list");
    Named(t, "condition", kConditionNames, 0, 255, d.condition);
    Narrow(t, "argument", d.condition_argument);
    if (t.Has("mode") && (t.Has("install") || t.Has("uninstall") || t.Has("at_restart") ||
                          t.Has("at_restart_on_failure"))) {
      t.Fail("mode", "give the mode as a number or as switches, not both");
    }
    ModeBits(t, kModeBits, d.mode, "mode");
    // The installer reports a damaged installer when the argument does not parse.
    if (!IsValidConditionArgument(d.condition, d.condition_argument)) {
      t.Fail("argument", IsSizeCondition(d.condition)
                             ? "a size condition needs a whole number of bytes (32-bit)"
                             : "a date condition needs a date such as \"2019-07-05\" or "
                               "\"2019-07-05 09:03:07\"");
    }
    t.Finish();
  }
}

void ReadAutoClose(Table& root, ProductSettings& s) {
  static constexpr std::pair<std::string_view, uint8_t> kPhaseBits[] = {
      {"install", 1}, {"uninstall", 2}, {"uninstall_after_confirm", 4}};
  for (Table& t : TableArray(root, "auto_close", kMaxAutoCloseEntries)) {
    AutoCloseEntry& e = s.autoCloseEntries.emplace_back();
    e.phases = 3;
    Narrow(t, "window_class", e.window_class);
    Narrow(t, "window_title", e.window_title);
    if (e.window_class.empty() && e.window_title.empty() && !t.loader().Failed()) {
      t.Fail("window_class", "give window_class or window_title (or both)");
    }
    if (e.window_class == kAutoCloseEnd) t.Fail("window_class", "this text ends the list");
    Narrow(t, "name", e.display_name);
    Named(t, "action", kAutoCloseActionNames, 0, 255, e.action);
    if (t.Has("phases") &&
        (t.Has("install") || t.Has("uninstall") || t.Has("uninstall_after_confirm"))) {
      t.Fail("phases", "give the phases as a number or as switches, not both");
    }
    ModeBits(t, kPhaseBits, e.phases, "phases");
    t.Finish();
  }
}

void ReadProject(Table& root, const ProjectContext& context, Project& project) {
  ProductSettings& s = project.settings;
  ParseState state;

  if (const toml::node* node = root.Get("stub")) {
    if (node->is_string()) {
      project.stub = root.loader().Resolve(node->as_string()->get()).string();
    } else {
      root.Fail("stub", "expected the path of the installer program");
    }
  }
  if (const toml::node* node = root.Get("arch")) {
    if (node->is_string()) project.arch = ArchFromName(node->as_string()->get());
    if (!project.arch) root.Fail("arch", "expected \"x86\" or \"x64\"");
  }
  if (const toml::node* node = root.Get("output")) {
    if (node->is_string()) {
      project.output = root.loader().Resolve(node->as_string()->get()).string();
    } else {
      root.Fail("output", "expected the path of the installer to write");
    }
  }
  if (const toml::node* node = root.Get("source")) {
    if (node->is_string()) {
      state.sourceFolder = node->as_string()->get();
    } else {
      root.Fail("source", "expected the folder the files are taken from");
    }
  }

  s.productDate = context.buildTime;
  if (std::optional<Table> t = SubTable(root, "product")) {
    ReadProduct(*t, s);
  } else if (!root.loader().Failed()) {
    root.loader().Fail(1, "product.name", "the project needs [product] with a name");
  }
  if (root.loader().Failed()) return;
  s.TaskbarText = s.DisplayName + u" Setup";
  // Taken from the name's stored bytes where it has them, so that a printed project builds back
  // to the same stream.
  if (const std::string& name = s.storedForms.Of(NarrowField::kDisplayName); !name.empty()) {
    s.storedForms.Keep(NarrowField::kTaskbarText, name + " Setup");
  }
  s.DisplayTitle = s.DisplayName;

  if (std::optional<Table> t = SubTable(root, "options")) ReadOptions(*t, s, state);
  if (std::optional<Table> t = SubTable(root, "install")) ReadInstall(*t, s);
  if (std::optional<Table> t = SubTable(root, "uninstall")) ReadUninstall(*t, s);
  if (std::optional<Table> t = SubTable(root, "background")) ReadBackground(*t, s, state);
  if (std::optional<Table> t = SubTable(root, "pages")) ReadPages(*t, s);
  if (std::optional<Table> t = SubTable(root, "finish")) ReadFinish(*t, s);
  if (std::optional<Table> t = SubTable(root, "notify")) ReadNotify(*t, s);
  if (std::optional<Table> t = SubTable(root, "batches")) ReadBatches(*t, s);
  if (std::optional<Table> t = SubTable(root, "master")) {
    state.masterGiven = true;
    ReadMaster(*t, s);
  }
  if (std::optional<Table> t = SubTable(root, "advanced")) ReadAdvanced(*t, s);
  if (std::optional<Table> t = SubTable(root, "container")) {
    ReadContainer(*t, project.container, state);
  }
  ReadShortcuts(root, s);
  ReadAssociations(root, s);
  ReadSavedValues(root, s);
  ReadConditionalDeletes(root, s);
  ReadAutoClose(root, s);
  ReadLanguages(root, s);
  if (root.loader().Failed()) return;

  // The bits that follow from other settings.
  const auto set = [](uint64_t& word, uint64_t mask, bool on) {
    word = on ? word | mask : word & ~mask;
  };
  set(s.ProductFlags, kFlagCompressedBlocks, state.compress);
  set(s.ProductFlags, kFlagMasterProduct, state.masterGiven);
  if (!s.bitmap.empty()) {
    set(s.ProductFlags, kFlagBackgroundBitmap, state.bitmapInUninstaller.value_or(true));
  }
  // The uninstaller deletes the value that named the folder when the product asks for it, as an
  // administrator; it refuses a value of the system's ("ProgramFilesDir" in the Windows key),
  // so the builder does too, at the value's line.
  if ((s.ProductFlags2 & kFlags2RemoveInstallDirValue) != 0 && !s.installDirValue.empty() &&
      !IsRemovableRegistryValue(ToBarNarrow(s.installDirValue))) {
    const toml::node* node = root.raw().at_path("install.previous_dir_value").node();
    root.loader().Fail(node != nullptr ? LineOf(*node) : root.line(), "install.previous_dir_value",
                       "the uninstaller is asked to delete this value, but it lies in one of the "
                       "system's keys or has no known root");
  }
  if (context.refuseUnbuilt) RefuseUnbuiltSettings(root, s);
  if (root.loader().Failed()) return;
  project.container.compressBlocks = state.compress;
  project.container.productFlags2 = s.ProductFlags2;
  if (project.container.blowfishKey) s.ProductFlags2 |= kFlags2Enciphered;

  for (Table& group : TableArray(root, "files", INT32_MAX)) {
    ReadFileGroup(group, state.sourceFolder, context, project.files);
    if (root.loader().Failed()) return;
  }
  root.Finish();
}

}  // namespace
}  // namespace project

bool ParseProject(std::string_view text, const std::string& path, const ProjectContext& context,
                  Project& project, std::string& error) {
  error.clear();
  project = Project{};
  project.settings = DefaultSettings();
  int line = 0;
  if (std::string problem = FindUnsafeTomlCharacter(text, line); !problem.empty()) {
    error = path + ":" + std::to_string(line) + ": " + problem;
    return false;
  }
  toml::parse_result parsed = toml::parse(text, path);
  if (parsed.failed()) {
    error = path + ":" + std::to_string(parsed.error().source().begin.line) + ": " +
            std::string(parsed.error().description());
    return false;
  }
  project::Loader loader(path, std::filesystem::path(path).parent_path(), error);
  project::Table root(loader, parsed.table(), "");
  project::ReadProject(root, context, project);
  if (error.empty()) {
    std::vector<uint8_t> stream;
    std::string problem;
    if (!WriteSettingsStream(project.settings, stream, problem)) {
      error = path + ": " + problem;
    }
  }
  return error.empty();
}

bool LoadProject(const std::string& path, Project& project, std::string& error) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in) {
    error = "cannot open project '" + path + "'";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  ProjectContext context;
  if (!BuildTimeFromEnvironment(context, error)) return false;
  return ParseProject(text.str(), path, context, project, error);
}

bool BuildInstaller(const Project& project, std::span<const uint8_t> stub,
                    std::vector<uint8_t>& installer, std::string& error) {
  if (!CheckInstallerProgram(stub, project.arch, error)) return false;
  std::vector<uint8_t> stream;
  if (!WriteSettingsStream(project.settings, stream, error)) return false;
  ContainerOptions options = project.container;
  options.productFlags2 = project.settings.ProductFlags2 & ~kFlags2Enciphered;
  options.compressBlocks = (project.settings.ProductFlags & kFlagCompressedBlocks) != 0;
  std::vector<uint8_t> payload;
  PayloadLayout layout;
  if (!BuildPayload(stream, project.files, options, payload, error, &layout)) return false;
  const bool checksumImage = (project.settings.ProductFlags & kFlagVerifyInstallerImage) != 0;
  // A product that reads its file data from the file needs the file to end with the payload.
  const SectionEnd end =
      project.settings.fileDataFromFile != 0 ? SectionEnd::kAtPayload : SectionEnd::kPadded;
  return BuildInstallerImage(stub, payload, checksumImage, layout.installerChecksumOffset,
                             installer, error, end);
}

}  // namespace qs::builder
