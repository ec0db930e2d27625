#pragma once
// Product settings for tests: the smallest product the installer accepts, one that sets every
// field, and the damages that each settings check must catch.
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "core/payload_format.h"
#include "core/product_flags.h"
#include "core/product_settings.h"
#include "files/deletion_conditions.h"

namespace qs::test_support {

// Texts filled as "Text <n> in <language>", so a misplaced text shows which one it is.
inline void FillTexts(LanguageTable& table, std::vector<std::string> names, int32_t count) {
  table.names = std::move(names);
  table.textCount = count;
  table.texts.clear();
  for (int32_t n = 0; n < count; ++n) {
    for (const std::string& name : table.names) {
      std::string text = "Text " + std::to_string(n) + " in " + name;
      table.texts.emplace_back(text.begin(), text.end());
    }
  }
}

inline ProductSettings MinimalSettings() {
  ProductSettings s;
  s.DisplayName = u"Tiny";
  FillTexts(s.languages, {"English"}, 1);
  return s;
}

// Every field differs from its default and from its neighbours of the same type.
inline ProductSettings FullSettings() {
  ProductSettings s;
  s.ProductFlags = 0x8123'4567'0001'0024ull | kFlagUninstallable | kFlagMasterProduct;
  s.automaticOverride = 2;
  s.TaskbarText = u"taskbar";
  s.DisplayTitle = u"Display \u00e9 title";
  s.TitleSize = 31.25;
  s.progressPlacement = 0x1B;
  s.minStepDelay = 9999;
  s.ShortcutMode = 1;
  s.productDate = {2026, 12, 10, 13, 45, 59};
  s.Publisher = u"Quill Works";
  s.DisplayName = u"Quill Demo";
  s.description = u"A demo product";
  s.Bitness = 2;
  s.sharedDirBase = 1;
  s.SharedPath = u"Quill Shared";
  s.removableSharedSubdir = u"shared";
  s.ProductStartMenu = u"Quill\\Demo";
  s.DisplayVersion = u"3.10.2";
  s.defaultInstallDir = u"Quill\\Demo";
  s.ProductRegistry = "Software\\Quill\\Demo";
  s.registryText = "HKLM,Software\\Quill,Name,Demo";
  s.BitmapSize = 100;
  s.StretchMode = 3;
  s.licenses = {{'L', '1'}, {}, {'L', '3'}};
  s.readmes = {{'R', '1'}};
  s.UninstallSubdir = u"Uninstall";
  s.uninstallerName = u"uninstall.exe";
  s.uninstallKeyName = u"QuillDemoKey";
  s.installDirValue = u"HKLM\\Software\\Quill\\Demo\\Dir";
  s.dialogCaption = u"<product> Setup";
  s.titleOption = 4;
  s.TitleColor = 0x00FF8040;
  s.TitleShadow = 1;
  s.TitlePosition = 2;
  s.TitleFont = u"Segoe UI";
  s.TopColor = 0x00102030;
  s.BottomColor = 0x00405060;
  s.bitmap = {'B', 'M', 0, 1, 2};
  s.BitmapTPI = 0xDEADBEEF;
  s.CopyrightPos = 3;
  s.CopyrightColor = 0x00ABCDEF;
  s.CopyrightSize = 9.5;
  s.CopyrightText = u"(c) Quill";
  s.CopyrightFont = u"Tahoma";
  s.masterName = u"Quill Master";
  s.masterKey = u"QuillMasterKey";
  s.desktopFolderName = u"Quill Desk";
  s.desktopFolderIcon = {1, 2, 3};
  s.batches = {"pre", "post", "exit", "un1", "un2", "upgrade", "reinstall"};
  for (size_t i = 0; i < s.reserved20.size(); ++i) s.reserved20[i] = static_cast<uint8_t>(i + 1);
  s.unsupportedSystems = 0x1E;
  s.fileDataFromFile = 1;
  s.adminRequirement = 3;
  s.finishOpenFile = u"readme.txt";
  s.finishLaunchProgram = u"demo.exe";
  s.finishOpenOther = u"docs\\index.html";
  s.notifyUrlInstall = "https://example.test/install?v=%version%";
  s.notifyUrlUpgrade = "https://example.test/upgrade";
  s.notifyUrlDowngrade = "https://example.test/downgrade";
  s.notifyUrlReinstall = "https://example.test/reinstall";
  s.NotifyURL = "https://example.test/uninstall";
  s.askBelowVersion = "2.0";
  s.unusedText = "unused";
  s.mustUninstallBelow = "1.5";
  s.firewallRules = "demo.exe;server.exe";
  s.extraDiskSpace = 0x1'0000'0001ull;
  s.dialogLayouts = {0, 1, 2, 0, 1, 2, 0, 1};
  s.uninstallerIcon = {9, 8, 7};
  s.conditionalDeletes = {
      {"%InstallDir%\\*.tmp", kDeleteDateEqual, "2026-01-01", kDeleteModeInstall},
      {"old.dll", kDeleteSizeAtLeast, "1024", kDeleteModeUninstall}};
  s.associations = {{1, ".qdm", "Quill.Doc", "Quill document", "open", "&Open",
                     "\"%InstallDir%\\demo.exe\" \"%1\"", "", "%InstallDir%\\demo.exe,0"},
                    {0, ".qdx", "!Quill.X", "", "edit", "Edit", "demo.exe", "German", ""}};
  ShortcutRecord shortcut;
  shortcut.target = "%InstallDir%\\demo.exe";
  shortcut.name = u"Quill \u00c4 Demo";
  shortcut.icon = "demo.ico";
  shortcut.arguments = "/start";
  shortcut.workingDirectory = "%InstallDir%";
  shortcut.onDesktop = 1;
  shortcut.inStartMenu = 1;
  shortcut.inStartup = 0;
  shortcut.customFolder = "C:\\Tools";
  shortcut.showState = 2;
  shortcut.keepAtUninstall = 1;
  shortcut.fromSettings = 1;
  s.shortcuts = {shortcut};
  s.rootShortcutName = u"Quill on USB";
  s.rootShortcutTarget = u"demo.exe";
  s.taskbarPin = u"\"%InstallDir%\\demo.exe\" /pin";
  s.savedValues = {{"HKCU\\Software\\Quill\\Demo\\Path", 1, "%InstallDir%"}};
  s.productIcon = {'I', 'C', 'O'};
  s.autoCloseEntries = {{"QuillWindow", "Quill Demo", "Quill Demo", 2, 3}};
  FillTexts(s.languages, {"German", "English"}, 3);
  s.languages.defaultLanguage = 1;
  return s;
}

// The settings' narrow texts, each with the key its stored bytes are kept under. Every one of
// them is stored in FullSettings() (the master and copyright fields need their flags).
struct NarrowTextField {
  const char* name;
  std::u16string ProductSettings::*text;
  NarrowField field;
};

inline std::vector<NarrowTextField> NarrowTextFields() {
  using S = ProductSettings;
  using F = NarrowField;
  return {
      {"TaskbarText", &S::TaskbarText, F::kTaskbarText},
      {"Publisher", &S::Publisher, F::kPublisher},
      {"DisplayName", &S::DisplayName, F::kDisplayName},
      {"description", &S::description, F::kDescription},
      {"SharedPath", &S::SharedPath, F::kSharedPath},
      {"removableSharedSubdir", &S::removableSharedSubdir, F::kRemovableSharedSubdir},
      {"ProductStartMenu", &S::ProductStartMenu, F::kProductStartMenu},
      {"DisplayVersion", &S::DisplayVersion, F::kDisplayVersion},
      {"defaultInstallDir", &S::defaultInstallDir, F::kDefaultInstallDir},
      {"UninstallSubdir", &S::UninstallSubdir, F::kUninstallSubdir},
      {"uninstallerName", &S::uninstallerName, F::kUninstallerName},
      {"uninstallKeyName", &S::uninstallKeyName, F::kUninstallKeyName},
      {"installDirValue", &S::installDirValue, F::kInstallDirValue},
      {"TitleFont", &S::TitleFont, F::kTitleFont},
      {"CopyrightFont", &S::CopyrightFont, F::kCopyrightFont},
      {"masterName", &S::masterName, F::kMasterName},
      {"masterKey", &S::masterKey, F::kMasterKey},
      {"desktopFolderName", &S::desktopFolderName, F::kDesktopFolderName},
      {"finishOpenFile", &S::finishOpenFile, F::kFinishOpenFile},
      {"finishLaunchProgram", &S::finishLaunchProgram, F::kFinishLaunchProgram},
      {"finishOpenOther", &S::finishOpenOther, F::kFinishOpenOther},
      {"rootShortcutName", &S::rootShortcutName, F::kRootShortcutName},
      {"rootShortcutTarget", &S::rootShortcutTarget, F::kRootShortcutTarget},
  };
}

// A settings value the installer must refuse, with the error it reports.
struct SettingsDamage {
  const char* name;
  int error;
  std::function<void(ProductSettings&)> apply;

  friend void PrintTo(const SettingsDamage& damage, std::ostream* os) { *os << damage.name; }
};

template <typename T>
void Repeat(std::vector<T>& list, size_t count, const T& record) {
  list.assign(count, record);
}

inline std::vector<SettingsDamage> SettingsDamages() {
  return {
      {"MinStepDelay", kErrorMinStepDelay, [](ProductSettings& s) { s.minStepDelay = 10000; }},
      {"LicenseCount", kErrorLicenseCount, [](ProductSettings& s) { s.licenses.assign(21, {}); }},
      {"ReadmeCount", kErrorReadmeCount, [](ProductSettings& s) { s.readmes.assign(21, {}); }},
      {"BitmapSize", kErrorBitmapSize, [](ProductSettings& s) { s.BitmapSize = 101; }},
      {"NegativeBitmapSize", kErrorBitmapSize, [](ProductSettings& s) { s.BitmapSize = -1; }},
      {"ConditionalDeletes", kErrorConditionalDeleteCount,
       [](ProductSettings& s) {
         Repeat(s.conditionalDeletes, 1002,
                FileDeletion{"x", kDeleteAlways, "", kDeleteModeInstall});
       }},
      {"Associations", kErrorAssociationCount,
       [](ProductSettings& s) { Repeat(s.associations, 1001, FileAssociation{}); }},
      {"Shortcuts", kErrorShortcutCount,
       [](ProductSettings& s) { Repeat(s.shortcuts, 1001, ShortcutRecord{}); }},
      {"SavedValues", kErrorSavedValueCount,
       [](ProductSettings& s) { Repeat(s.savedValues, 1001, SavedValue{}); }},
      {"AutoClose", kErrorAutoCloseCount,
       [](ProductSettings& s) {
         Repeat(s.autoCloseEntries, 1001, AutoCloseEntry{"w", "", "", 0, 1});
       }},
      {"NoLanguage", kErrorLanguageCount,
       [](ProductSettings& s) { FillTexts(s.languages, {}, 1); }},
      {"ManyLanguages", kErrorLanguageCount,
       [](ProductSettings& s) { FillTexts(s.languages, std::vector<std::string>(201, "L"), 1); }},
      {"NoText", kErrorTextCount,
       [](ProductSettings& s) { FillTexts(s.languages, {"English"}, 0); }},
      {"ManyTexts", kErrorTextCount,
       [](ProductSettings& s) { FillTexts(s.languages, {"English"}, 10001); }},
  };
}

}  // namespace qs::test_support
