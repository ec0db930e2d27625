#include "builder/settings_writer.h"

#include <cstring>
#include <string_view>

#include "base/text.h"
#include "builder/text_forms.h"
#include "core/payload_format.h"
#include "files/deletion_conditions.h"

namespace qs::builder {
namespace {

class StreamWriter {
 public:
  explicit StreamWriter(std::vector<uint8_t>& out) : out_(out) {}

  void Unsigned(uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) out_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  void U8(uint8_t value) { Unsigned(value, 1); }
  void U16(uint16_t value) { Unsigned(value, 2); }
  void U32(uint32_t value) { Unsigned(value, 4); }
  void I32(int32_t value) { Unsigned(static_cast<uint32_t>(value), 4); }
  void U64(uint64_t value) { Unsigned(value, 8); }
  void F64(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    U64(bits);
  }

  // Texts are checked before anything is written; a NUL here is a fault of the caller.
  void String(std::string_view text) {
    out_.insert(out_.end(), text.begin(), text.end());
    out_.push_back(0);
  }
  void WString(std::u16string_view text) {
    for (char16_t unit : text) U16(unit);
    U16(0);
  }
  void Bytes(const std::vector<uint8_t>& bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }
  void Blob(const std::vector<uint8_t>& bytes) {
    U32(static_cast<uint32_t>(bytes.size()));
    Bytes(bytes);
  }

 private:
  std::vector<uint8_t>& out_;
};

class Checker {
 public:
  explicit Checker(std::string& error) : error_(error) {}

  bool Ok() const { return error_.empty(); }

  void Fail(const std::string& message) {
    if (error_.empty()) error_ = message;
  }
  void Text(std::string_view field, std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
      Fail(std::string(field) + " holds a NUL character");
  }
  void Text(std::string_view field, std::u16string_view text) {
    if (text.find(u'\0') != std::u16string_view::npos) {
      Fail(std::string(field) + " holds a NUL character");
    }
  }
  void Count(std::string_view field, size_t count, size_t most) {
    if (count > most) {
      Fail(std::string(field) + ": " + std::to_string(count) + " entries, at most " +
           std::to_string(most) + " can be stored");
    }
  }
  void Blob(std::string_view field, const std::vector<uint8_t>& bytes) {
    if (bytes.size() > kSettingsPackedSizeLimit) Fail(std::string(field) + " is too large");
  }

 private:
  std::string& error_;
};

void Check(const ProductSettings& s, Checker& c) {
  for (auto [field, text] : std::initializer_list<std::pair<const char*, const std::string*>>{
           {"ProductRegistry", &s.ProductRegistry},
           {"registryText", &s.registryText},
           {"notifyUrlInstall", &s.notifyUrlInstall},
           {"notifyUrlUpgrade", &s.notifyUrlUpgrade},
           {"notifyUrlDowngrade", &s.notifyUrlDowngrade},
           {"notifyUrlReinstall", &s.notifyUrlReinstall},
           {"NotifyURL", &s.NotifyURL},
           {"askBelowVersion", &s.askBelowVersion},
           {"unusedText", &s.unusedText},
           {"mustUninstallBelow", &s.mustUninstallBelow},
           {"firewallRules", &s.firewallRules},
       }) {
    c.Text(field, *text);
  }
  for (const std::string& batch : s.batches) c.Text("batch", batch);
  for (auto [field, text] : std::initializer_list<std::pair<const char*, const std::u16string*>>{
           {"TaskbarText", &s.TaskbarText},
           {"Publisher", &s.Publisher},
           {"DisplayName", &s.DisplayName},
           {"description", &s.description},
           {"SharedPath", &s.SharedPath},
           {"removableSharedSubdir", &s.removableSharedSubdir},
           {"ProductStartMenu", &s.ProductStartMenu},
           {"DisplayVersion", &s.DisplayVersion},
           {"defaultInstallDir", &s.defaultInstallDir},
           {"UninstallSubdir", &s.UninstallSubdir},
           {"uninstallerName", &s.uninstallerName},
           {"uninstallKeyName", &s.uninstallKeyName},
           {"installDirValue", &s.installDirValue},
           {"TitleFont", &s.TitleFont},
           {"CopyrightFont", &s.CopyrightFont},
           {"masterName", &s.masterName},
           {"masterKey", &s.masterKey},
           {"desktopFolderName", &s.desktopFolderName},
           {"finishOpenFile", &s.finishOpenFile},
           {"finishLaunchProgram", &s.finishLaunchProgram},
           {"finishOpenOther", &s.finishOpenOther},
           {"rootShortcutName", &s.rootShortcutName},
           {"rootShortcutTarget", &s.rootShortcutTarget},
       }) {
    c.Text(field, *text);
  }
  c.Text("DisplayTitle", s.DisplayTitle);
  c.Text("dialogCaption", s.dialogCaption);
  c.Text("CopyrightText", s.CopyrightText);
  c.Text("taskbarPin", s.taskbarPin);

  if (s.minStepDelay > kMaxMinStepDelay) c.Fail("minStepDelay must be at most 9999");
  if (s.BitmapSize < 0 || s.BitmapSize > 100) c.Fail("BitmapSize must lie between 0 and 100");
  c.Count("licenses", s.licenses.size(), kMaxDocuments);
  c.Count("readmes", s.readmes.size(), kMaxDocuments);
  for (const auto& document : s.licenses) c.Blob("a licence document", document);
  for (const auto& document : s.readmes) c.Blob("a readme document", document);
  c.Blob("bitmap", s.bitmap);
  c.Blob("desktopFolderIcon", s.desktopFolderIcon);
  c.Blob("uninstallerIcon", s.uninstallerIcon);
  c.Blob("productIcon", s.productIcon);
  if (s.bitmap.empty() && s.BitmapTPI != 0) c.Fail("BitmapTPI is stored only with a bitmap");
  if (s.CopyrightPos == 0 && (s.CopyrightColor != 0 || s.CopyrightSize != 0 ||
                              !s.CopyrightText.empty() || !s.CopyrightFont.empty())) {
    c.Fail("the copyright fields are stored only when CopyrightPos is not 0");
  }
  if ((s.ProductFlags & kFlagMasterProduct) == 0 &&
      (!s.masterName.empty() || !s.masterKey.empty())) {
    c.Fail("the master product is stored only with its flag (ProductFlags bit 16)");
  }
  if ((s.ProductFlags & kFlagUninstallable) == 0 && !s.uninstallerIcon.empty()) {
    c.Fail("the uninstaller icon is stored only for an uninstallable product");
  }

  c.Count("conditional deletes", s.conditionalDeletes.size(), kMaxConditionalDeletes);
  for (const FileDeletion& d : s.conditionalDeletes) {
    if (d.file_spec == kConditionalDeleteEnd) {
      c.Fail(std::string("a conditional delete cannot name \"") + kConditionalDeleteEnd + "\"");
    }
    c.Text("file_spec", d.file_spec);
    c.Text("condition_argument", d.condition_argument);
    // The installer takes an argument it cannot read for a damaged installer.
    if (!IsValidConditionArgument(d.condition, d.condition_argument)) {
      c.Fail("conditional delete \"" + d.file_spec + "\": condition " +
             std::to_string(d.condition) + " needs " +
             (IsSizeCondition(d.condition) ? "a size" : "a date") + ", not \"" +
             d.condition_argument + "\"");
    }
  }
  c.Count("associations", s.associations.size(), kMaxListRecords);
  for (const FileAssociation& a : s.associations) {
    for (const std::string* text : {&a.extension, &a.label, &a.description, &a.verb, &a.verbText,
                                    &a.command, &a.language, &a.icon}) {
      c.Text("association", *text);
    }
  }
  c.Count("shortcuts", s.shortcuts.size(), kMaxListRecords);
  for (const ShortcutRecord& shortcut : s.shortcuts) {
    c.Text("shortcut name", shortcut.name);
    for (const std::string* text : {&shortcut.target, &shortcut.icon, &shortcut.arguments,
                                    &shortcut.workingDirectory, &shortcut.customFolder}) {
      c.Text("shortcut", *text);
    }
  }
  c.Count("saved values", s.savedValues.size(), kMaxListRecords);
  for (const SavedValue& value : s.savedValues) {
    c.Text("saved value key", value.keyPath);
    c.Text("saved value data", value.data);
  }
  c.Count("auto-close entries", s.autoCloseEntries.size(), kMaxAutoCloseEntries);
  for (const AutoCloseEntry& entry : s.autoCloseEntries) {
    if (entry.window_class == kAutoCloseEnd) {
      c.Fail(std::string("an auto-close entry cannot name the window class \"") + kAutoCloseEnd +
             "\"");
    }
    if (entry.action > 0xFF) c.Fail("an auto-close action is stored in one byte");
    for (const std::string* text :
         {&entry.window_class, &entry.window_title, &entry.display_name}) {
      c.Text("auto-close entry", *text);
    }
  }

  const LanguageTable& languages = s.languages;
  if (languages.names.empty() || languages.names.size() > kMaxLanguages) {
    c.Fail("between 1 and 200 languages are needed");
  }
  if (languages.textCount < 1 || languages.textCount > kMaxTexts) {
    c.Fail("the text table must have between 1 and 10000 texts");
  }
  for (const std::string& name : languages.names) c.Text("language name", name);
  if (languages.texts.size() !=
      static_cast<size_t>(std::max(languages.textCount, 0)) * languages.names.size()) {
    c.Fail("the text table does not hold one text per number and language");
  }
  for (const std::u16string& text : languages.texts) c.Text("text", text);
}

void Write(const ProductSettings& s, StreamWriter& w) {
  // A narrow text in the bytes a tool kept for it, or in its own narrow form.
  auto narrow = [&](NarrowField field, const std::u16string& value) {
    w.String(StoredNarrow(s.storedForms.Of(field), value));
  };
  w.U64(s.ProductFlags);
  w.U8(s.automaticOverride);
  narrow(NarrowField::kTaskbarText, s.TaskbarText);
  w.WString(s.DisplayTitle);
  w.F64(s.TitleSize);
  w.U32(s.progressPlacement);
  w.U16(s.minStepDelay);
  w.U8(s.ShortcutMode);
  for (int32_t part : {s.productDate.year, s.productDate.month, s.productDate.day,
                       s.productDate.hour, s.productDate.minute, s.productDate.second}) {
    w.I32(part);
  }
  narrow(NarrowField::kPublisher, s.Publisher);
  narrow(NarrowField::kDisplayName, s.DisplayName);
  narrow(NarrowField::kDescription, s.description);
  w.U8(s.Bitness);
  w.U8(s.sharedDirBase);
  narrow(NarrowField::kSharedPath, s.SharedPath);
  narrow(NarrowField::kRemovableSharedSubdir, s.removableSharedSubdir);
  narrow(NarrowField::kProductStartMenu, s.ProductStartMenu);
  narrow(NarrowField::kDisplayVersion, s.DisplayVersion);
  narrow(NarrowField::kDefaultInstallDir, s.defaultInstallDir);
  w.String(s.ProductRegistry);
  w.String(s.registryText);
  w.I32(s.BitmapSize);
  w.I32(s.StretchMode);
  w.I32(static_cast<int32_t>(s.licenses.size()));
  for (const auto& document : s.licenses) w.Blob(document);
  w.I32(static_cast<int32_t>(s.readmes.size()));
  for (const auto& document : s.readmes) w.Blob(document);
  narrow(NarrowField::kUninstallSubdir, s.UninstallSubdir);
  narrow(NarrowField::kUninstallerName, s.uninstallerName);
  narrow(NarrowField::kUninstallKeyName, s.uninstallKeyName);
  narrow(NarrowField::kInstallDirValue, s.installDirValue);
  w.WString(s.dialogCaption);
  w.U8(s.titleOption);
  w.U32(s.TitleColor);
  w.U8(s.TitleShadow);
  w.U8(s.TitlePosition);
  narrow(NarrowField::kTitleFont, s.TitleFont);
  w.U32(s.TopColor);
  w.U32(s.BottomColor);
  w.I32(static_cast<int32_t>(s.bitmap.size()));
  if (!s.bitmap.empty()) {
    w.Bytes(s.bitmap);
    w.U32(s.BitmapTPI);
  }
  w.U8(s.CopyrightPos);
  if (s.CopyrightPos != 0) {
    w.U32(s.CopyrightColor);
    w.F64(s.CopyrightSize);
    w.WString(s.CopyrightText);
    narrow(NarrowField::kCopyrightFont, s.CopyrightFont);
  }
  if ((s.ProductFlags & kFlagMasterProduct) != 0) {
    narrow(NarrowField::kMasterName, s.masterName);
    narrow(NarrowField::kMasterKey, s.masterKey);
  }
  narrow(NarrowField::kDesktopFolderName, s.desktopFolderName);
  w.Blob(s.desktopFolderIcon);
  for (const std::string& batch : s.batches) w.String(batch);
  w.Bytes(std::vector<uint8_t>(s.reserved20.begin(), s.reserved20.end()));
  w.U32(s.unsupportedSystems);
  w.U8(s.fileDataFromFile);
  w.U8(s.adminRequirement);
  narrow(NarrowField::kFinishOpenFile, s.finishOpenFile);
  narrow(NarrowField::kFinishLaunchProgram, s.finishLaunchProgram);
  narrow(NarrowField::kFinishOpenOther, s.finishOpenOther);
  for (const std::string* script :
       {&s.notifyUrlInstall, &s.notifyUrlUpgrade, &s.notifyUrlDowngrade, &s.notifyUrlReinstall,
        &s.NotifyURL, &s.askBelowVersion, &s.unusedText, &s.mustUninstallBelow, &s.firewallRules}) {
    w.String(*script);
  }
  w.U64(s.extraDiskSpace);
  for (uint32_t layout : s.dialogLayouts) w.U32(layout);
  if ((s.ProductFlags & kFlagUninstallable) != 0) w.Blob(s.uninstallerIcon);

  for (const FileDeletion& d : s.conditionalDeletes) {
    w.String(d.file_spec);
    w.U8(d.condition);
    w.String(d.condition_argument);
    w.U8(d.mode);
  }
  w.String(kConditionalDeleteEnd);

  w.I32(static_cast<int32_t>(s.associations.size()));
  for (const FileAssociation& a : s.associations) {
    w.U32(a.flags);
    for (const std::string* text : {&a.extension, &a.label, &a.description, &a.verb, &a.verbText,
                                    &a.command, &a.language, &a.icon}) {
      w.String(*text);
    }
  }

  w.I32(static_cast<int32_t>(s.shortcuts.size()));
  for (const ShortcutRecord& shortcut : s.shortcuts) {
    w.String(shortcut.target);
    w.String(Utf16ToUtf8(shortcut.name));
    w.String(shortcut.icon);
    w.String(shortcut.arguments);
    w.String(shortcut.workingDirectory);
    w.U8(shortcut.onDesktop);
    w.U8(shortcut.inStartMenu);
    w.U8(shortcut.inStartup);
    w.String(shortcut.customFolder);
    w.U8(shortcut.showState);
    w.U8(shortcut.keepAtUninstall);
  }

  narrow(NarrowField::kRootShortcutName, s.rootShortcutName);
  narrow(NarrowField::kRootShortcutTarget, s.rootShortcutTarget);
  w.WString(s.taskbarPin);

  w.I32(static_cast<int32_t>(s.savedValues.size()));
  for (const SavedValue& value : s.savedValues) {
    w.String(value.keyPath);
    w.U8(value.kind);
    w.String(value.data);
  }

  w.Blob(s.productIcon);

  for (const AutoCloseEntry& entry : s.autoCloseEntries) {
    w.String(entry.window_class);
    w.String(entry.window_title);
    w.String(entry.display_name);
    w.U8(static_cast<uint8_t>(entry.action));
    w.U8(entry.phases);
  }
  w.String(kAutoCloseEnd);

  const LanguageTable& languages = s.languages;
  w.U8(static_cast<uint8_t>(languages.names.size()));
  w.I32(languages.textCount);
  for (const std::string& name : languages.names) w.String(name);
  for (const std::u16string& text : languages.texts) w.WString(text);
  w.U32(kSettingsEndMarker);
}

}  // namespace

std::vector<uint8_t> WriteSettingsStreamUnchecked(const ProductSettings& settings) {
  std::vector<uint8_t> stream;
  StreamWriter writer(stream);
  Write(settings, writer);
  return stream;
}

bool WriteSettingsStream(const ProductSettings& settings, std::vector<uint8_t>& stream,
                         std::string& error) {
  error.clear();
  Checker checker(error);
  Check(settings, checker);
  if (!checker.Ok()) return false;
  stream = WriteSettingsStreamUnchecked(settings);
  return true;
}

}  // namespace qs::builder
