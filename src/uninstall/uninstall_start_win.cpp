// The start of an uninstallation: finding the product's registration, reading it and
// Uninstall.DAT, and the user's confirmation.
#include <windows.h>

#include "base/fatal.h"
#include "base/file_redirection_win.h"
#include "base/registry_view_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "core/exit_win.h"
#include "core/install_phases_win.h"
#include "core/installer_state_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/step_timing_win.h"
#include "core/target_path.h"
#include "ui/messages_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/uninstall_key_win.h"
#include "uninstall/uninstall_record_win.h"
#include "uninstall/uninstall_steps_win.h"

namespace qs {
namespace {

// The registration is kept in the 32-bit view, where the installer (a 32-bit program) wrote
// it.
LONG OpenKey(const std::wstring& path, REGSAM access, UniqueRegKey& key) {
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, InProgramView(access), key.Receive());
}

// The product as the rest of the program knows it: flags, names and the background window's
// looks come from the registration.
void AdoptKeyValues(const UninstallKeyValues& values) {
  ProductSettings& product = Product();
  product.ProductFlags = values.productFlags;
  product.ProductFlags2 = values.productFlags2;
  product.Bitness = static_cast<uint8_t>(values.bitness);
  product.DisplayName = values.displayName;
  product.DisplayVersion = values.displayVersion;
  product.ShortcutMode = static_cast<uint8_t>(values.shortcutMode);
  product.SharedPath = values.sharedPath;
  product.ProductStartMenu = values.productStartMenu;
  product.ProductRegistry = values.productRegistry;
  product.UninstallSubdir = values.uninstallSubdir;
  product.NotifyURL = values.notifyUrl;
  product.DisplayTitle = values.displayTitle;
  product.TitleSize = values.titleSize;
  product.TitleColor = values.titleColor;
  product.TitleShadow = static_cast<uint8_t>(values.titleShadow);
  product.TopColor = values.topColor;
  // A single-colour background has the same colour at both ends.
  product.BottomColor = values.monoColor != 0 ? values.topColor : values.bottomColor;
  product.TitlePosition = static_cast<uint8_t>(values.titlePosition);
  product.TitleFont = values.titleFont;
  product.TaskbarText = values.taskbarText;
  product.CopyrightText = values.copyrightText;
  product.CopyrightFont = values.copyrightFont;
  product.CopyrightSize = values.copyrightSize;
  product.CopyrightColor = values.copyrightColor.value_or(0);
  product.CopyrightPos = static_cast<uint8_t>(values.copyrightPos);
  product.BitmapTPI = static_cast<uint32_t>(values.bitmapTPI);
  product.StretchMode = static_cast<int32_t>(values.stretchMode);
  product.BitmapSize = static_cast<int32_t>(values.bitmapSize);
  SetShowErrorsInAutomaticMode((values.productFlags & kFlagShowErrorsInAutomaticMode) != 0);
  if ((values.productFlags & kFlagAutomaticUninstall) != 0) {
    GetInstallerState().automaticMode = true;
  }
}

// The texts the uninstaller shows come from the record, in the language of the installation.
void AdoptRecordTexts(const UninstallRecord& record) {
  ProductSettings& product = Product();
  LanguageTable& table = product.languages;
  table.names = {"English"};
  table.defaultLanguage = 0;
  table.textCount = kLastRecordText + 1;
  table.texts.assign(static_cast<size_t>(table.textCount), std::u16string());
  for (const auto& [number, text] : record.texts) {
    if (number < kFirstRecordText || number > kLastRecordText) continue;
    table.texts[static_cast<size_t>(number)] = Utf8ToUtf16(text);
  }
  auto caption = record.texts.find(kTextRecordDialogCaption);
  if (caption != record.texts.end()) product.dialogCaption = Utf8ToUtf16(caption->second);
  PlaceholderValues placeholders;
  placeholders.product = product.DisplayName;
  Texts() = LanguageTexts(&table, placeholders);
  UseLanguage(0);
}

}  // namespace

bool OpenRecord(UninstallRun& run) {
  // The name is a narrow text; one that begins with "|" names the key in UTF-8.
  std::wstring name(AsWide(run.productName));
  std::wstring path = UninstallKeyPathOf(run.productName);

  // Full access first: a product this account may not remove is refused before anything is
  // shown or changed.
  UniqueRegKey fullAccess;
  LONG status = OpenKey(path, KEY_ALL_ACCESS, fullAccess);
  if (status != ERROR_SUCCESS) {
    if (status == ERROR_ACCESS_DENIED) {
      ShowError(
          L"Permission denied.  Please login with an administrator account before "
          L"uninstalling.");
    } else {
      ShowError(L"No product named '" + name + L"' is installed.");
    }
    return false;
  }
  if (OpenKey(path, KEY_READ | KEY_WRITE, run.key) != ERROR_SUCCESS) {
    ShowError(L"Unable to access the uninstall information for:\r\n" + name +
              L"\r\n\r\nThe uninstallation cannot be performed.");
    return false;
  }
  return true;
}

bool LoadRecordKey(UninstallRun& run) {
  run.values = LoadUninstallKey(run.key.Get(), run.productName);
  const UninstallKeyValues& values = run.values;
  if (values.installLocation.empty()) {
    ShowError(L"The uninstall information for " + std::wstring(AsWide(values.displayName)) +
              L" is corrupt.\r\n\r\nThe uninstallation cannot be performed.");
    return false;
  }
  AdoptKeyValues(values);

  RunFolders& folders = run.folders;
  folders.installDir = values.installLocation;
  folders.uninstallDir = values.uninstallSubdir.empty()
                             ? folders.installDir
                             : JoinPath(folders.installDir, values.uninstallSubdir);
  folders.sharedDir = values.sharedPath;

  // A 64-bit product's files are in the system's own folders: redirection stays off until the
  // progress page closes.
  if (values.bitness == 1) {
    run.redirectionDisabled = DisableFileRedirection() == RedirectionSwitch::kOff;
    if (!run.redirectionDisabled) FatalError("Wow64DisableWow64FsRedirection() failed");
  }
  return true;
}

bool LoadRecordFile(UninstallRun& run) {
  // Checked against the registration's digest before any of it is used: a record that differs
  // ends the run here with a fatal error.
  if (!LoadUninstallData(run.key.Get(), run.folders.uninstallDir, run.values.displayName,
                         run.record)) {
    return false;
  }
  AdoptRecordTexts(run.record);
  Product().autoCloseEntries = run.record.autoClose;
  Product().conditionalDeletes = run.record.conditionalDeletes;
  return true;
}

void ConfirmUninstall(UninstallRun& run) {
  CloseApplicationsForUninstall(run.record.autoClose, 2);
  if (!GetInstallerState().automaticMode &&
      !AskYesNo(GetText(kTextUninstallQuestion), GetText(kTextUninstallCaption))) {
    ExitInstaller(1);
  }
  CloseApplicationsForUninstall(run.record.autoClose, 4);
}

void OpenUninstallProgress() {
  MarkStep();
  if ((Product().ProductFlags & kFlagShowProgressPage) == 0) return;
  ProgressPageRequest page;
  page.layout = 2;
  page.caption = GetText(kTextUninstallCaption);
  page.title = GetText(kTextUninstallCaption);
  page.heading = GetText(kTextUninstallingHeading);
  page.cancelEnabled = false;  // an uninstallation is not cancelled halfway
  Ui().OpenProgressPage(page);
}

void ShowUninstallStatus(TextId id) {
  Ui().ShowProgressText(GetText(id));
  MarkStep();
}

void SetUninstallProgress(int percent) {
  Ui().SetProgress(percent);
  PumpMessages();
}

void RewriteKeyValue(UninstallRun& run, const wchar_t* name, const std::string& text) {
  if (text.empty()) {
    ::RegDeleteValueW(run.key.Get(), name);
    return;
  }
  // Stored as the installer stored it: the ANSI text decoded, a "|" text as its UTF-16.
  const std::wstring data = Widen(text);
  ::RegSetValueExW(run.key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

}  // namespace qs
