// The steps before anything changes: language, system, master product, previous installation,
// the pages, the installation folder and the Start Menu folder. Every refusal here ends the run
// with exit code 1.
#include <windows.h>

#include "base/fatal.h"
#include "base/handle_win.h"
#include "base/privilege_win.h"
#include "base/registry_read_win.h"
#include "base/registry_view_win.h"
#include "base/text_win.h"
#include "core/directory_checks_win.h"
#include "core/exit_win.h"
#include "core/install_phases_win.h"
#include "core/install_rules.h"
#include "core/install_steps_win.h"
#include "core/installer_state_win.h"
#include "core/language_texts.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "files/os_name_win.h"
#include "files/removal_record.h"
#include "ui/document_text.h"
#include "ui/messages_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/self_removal.h"
#include "uninstall/self_removal_win.h"
#include "uninstall/uninstall_key_win.h"

namespace qs {
namespace {

// The one mutex of all installers made with this engine.
constexpr wchar_t kInstallerMutexName[] = L"Global\\Quillonet Setup: one installer at a time";

std::wstring UserLanguageName() {
  wchar_t name[128] = {};
  int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SNATIVELANGNAME, name, 128);
  return length > 1 ? std::wstring(name, static_cast<size_t>(length - 1)) : std::wstring();
}

[[noreturn]] void Refuse() {
  ExitInstaller(1);
}

}  // namespace

// ---- Shared by the steps ----

bool AutomaticMode() {
  return GetInstallerState().automaticMode;
}

bool HasFlag(uint64_t productFlag) {
  return (Product().ProductFlags & productFlag) != 0;
}

std::wstring TextWith(TextId id, std::initializer_list<FormatArgument> arguments) {
  std::u16string formatted;
  if (Texts().Format(id, arguments, formatted)) return std::wstring(AsWide(formatted));
  std::u16string text = Texts().Get(id);
  for (const FormatArgument& argument : arguments) {
    if (!text.empty()) text += u' ';
    if (const auto* value = std::get_if<std::u16string_view>(&argument)) {
      text += *value;
    } else {
      for (char c : std::to_string(std::get<int64_t>(argument))) text += static_cast<char16_t>(c);
    }
  }
  return std::wstring(AsWide(text));
}

void Log(InstallRun& run, std::u16string_view text) {
  run.installLog += text;
}

bool FolderExists(std::u16string_view folder) {
  return !folder.empty() && IsExistingDirectory(std::wstring(AsWide(folder)));
}

DWORD CreateFolderPath(std::u16string_view folder) {
  std::vector<std::wstring> created;
  return CreateDirectoryTree(std::wstring(AsWide(folder)), created);
}

PageRequest MakePage(PageKind kind, DialogLayoutIndex layout, TextId title, TextId text) {
  PageRequest page;
  page.kind = kind;
  page.layout = Product().dialogLayouts[layout];
  page.caption = GetText(kTextInstallerCaption);
  page.title = GetText(title);
  page.text = GetText(text);
  return page;
}

// ---- the language ----

void ChooseLanguage() {
  ProductSettings& product = Product();
  const std::vector<std::string>& names = product.languages.names;
  size_t language = product.languages.defaultLanguage;
  if (names.size() > 1 && !AutomaticMode()) {
    std::vector<std::u16string> lines = LanguagePageLines(names, DecodeAnsi);
    PageRequest page = MakePage(PageKind::kLanguage, kLanguageLayout, kTextLanguagePageTitle,
                                kTextLanguagePageMessage);
    for (const std::u16string& line : lines) page.lines.emplace_back(AsWide(line));
    page.selection = PreselectedLanguageLine(lines, AsU16(UserLanguageName()));
    PageResult result = Ui().ShowPage(page);
    if (!result.accepted) Refuse();
    language = result.selection;
  }
  UseLanguage(language);
  LayOutBackgroundWindow();
}

// ---- bitness, refused systems, administrator rights ----

void CheckRunningSystem(InstallRun& run) {
  const ProductSettings& product = Product();
  if (BitnessRefused(product.Bitness, RunningSystem().nativeIs64)) {
    if (AutomaticMode()) Refuse();
    ShowMessage(TextWith(kTextWrongBitness, {int64_t{RequiredBitness(product.Bitness)}}));
    Refuse();
  }
  if (run.redirectionFailed) FatalError("Wow64DisableWow64FsRedirection() failed");

  if ((product.unsupportedSystems & UnsupportedSystemBit(RunningSystem())) != 0) {
    std::wstring name = AnsiToWide(RunningSystemName(0));
    ShowMessage(TextWith(kTextUnsupportedSystem, {AsU16(name)}));
    Refuse();
  }

  if (product.adminRequirement != 0 && !HasAdministratorRights()) {
    if (product.adminRequirement == 1) {
      ShowError(GetText(kTextAdminRequired));
      Refuse();
    }
    if (!AutomaticMode() &&
        !AskOkCancel(GetText(kTextAdminRecommended), GetText(kTextQuestionCaption))) {
      Refuse();
    }
  }
}

// ---- the master product ----

void CheckMasterProduct() {
  ProductSettings& product = Product();
  if (!HasFlag(kFlagMasterProduct)) return;
  if (product.masterName.empty()) product.masterName = product.DisplayName;
  if (product.masterKey.empty()) product.masterKey = product.DisplayName;
  std::wstring key = UninstallKeyPathOf(product.masterKey);
  std::wstring ignored;
  bool installed = ReadRegistryText(HKEY_LOCAL_MACHINE, key, L"UninstallString", ignored) ||
                   ReadRegistryText(HKEY_LOCAL_MACHINE, key, L"QuietUninstallString", ignored);
  const std::u16string masterDir(AsU16(RegistryText(HKEY_LOCAL_MACHINE, key, L"InstallLocation")));
  bool underMaster = StartsWithIgnoreAsciiCase(product.defaultInstallDir, kMasterPrefix);
  if (!installed || (underMaster && masterDir.empty())) {
    ShowMessage(TextWith(kTextMasterProductMissing, {product.masterName}));
    Refuse();
  }
  // "<master>" stands for the master's folder; whatever follows it stays.
  if (underMaster) {
    product.defaultInstallDir = masterDir + product.defaultInstallDir.substr(kMasterPrefix.size());
  }
}

// ---- one installer at a time ----

void HoldInstallerMutex() {
  if (!HasFlag(kFlagSingleInstaller)) return;
  // Held until the process ends.
  static UniqueHandle mutex;
  mutex.Reset(::CreateMutexW(nullptr, FALSE, kInstallerMutexName));
  if (!mutex) return;  // no mutex, no one to wait for
  DWORD wait = ::WaitForSingleObject(mutex.Get(), 0);
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return;
  ShowError(GetText(kTextAnotherInstallerRunning));
  Refuse();
}

// ---- the previous installation ----

void FindPreviousInstallation(InstallRun& run) {
  const ProductSettings& product = Product();
  if (!HasFlag(kFlagUninstallable)) return;
  std::wstring key = UninstallKeyPathOf(product.uninstallKeyName);
  run.previousDir = AsU16(RegistryText(HKEY_LOCAL_MACHINE, key, L"InstallLocation"));
  run.oldVersion = AsU16(RegistryText(HKEY_LOCAL_MACHINE, key, L"DisplayVersion"));
  {
    // The lists come back in the narrow form they were written from, markers and all.
    UniqueRegKey registration;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, InProgramView(KEY_READ),
                        registration.Receive()) == ERROR_SUCCESS) {
      run.previousSharedFiles = ReadUninstallKeyText(registration.Get(), L"SharedFiles");
      std::wstring startMenu;
      ReadKeyText(registration.Get(), L"ProductStartMenu", startMenu);
      run.previousStartMenu = AsU16(startMenu);
    }
  }
  if (run.previousDir.empty() && !product.installDirValue.empty()) {
    HKEY root;
    std::wstring valueKey;
    std::wstring valueName;
    if (SplitRegistryValuePath(AsWide(product.installDirValue), root, valueKey, valueName)) {
      run.previousDir = AsU16(RegistryText(root, valueKey, valueName));
    }
  }
  if ((product.ProductFlags2 & kFlags2RemoveInstallDirValue) != 0 &&
      !product.installDirValue.empty()) {
    RecordForRemoval(run.removalList, run.recordedFolders, product.installDirValue,
                     RemovalEntry::kRegistryValue);
  }
  run.previousInstallExists = FolderExists(run.previousDir);
}

// ---- greeting, licences and readmes ----

void ShowGreeting() {
  if (!GreetingShown(Product().ProductFlags, AutomaticMode())) return;
  PageRequest page =
      MakePage(PageKind::kGreeting, kGreetingLayout, kTextInstallerCaption, kTextGreeting);
  if (!Ui().ShowPage(page).accepted) Refuse();
}

namespace {

void ShowDocumentPages(PageKind kind, DialogLayoutIndex layout, TextId leadingText, TextId title,
                       TextId message, const std::vector<std::vector<uint8_t>>& documents) {
  std::vector<std::vector<uint8_t>> shown;
  std::u16string leading = Texts().Get(leadingText);
  if (!leading.empty()) shown.push_back(Utf16Document(leading));
  shown.insert(shown.end(), documents.begin(), documents.end());
  for (const std::vector<uint8_t>& document : shown) {
    PageRequest page = MakePage(kind, layout, title, message);
    page.document = AsWide(DecodeDocument(document, DecodeAnsi));
    if (!Ui().ShowPage(page).accepted) CancelInstall();
  }
}

}  // namespace

void ShowDocuments() {
  if (AutomaticMode()) return;
  const ProductSettings& product = Product();
  ShowDocumentPages(PageKind::kLicense, kLicenseLayout, kTextLanguageLicense, kTextLicensePageTitle,
                    kTextLicensePageMessage, product.licenses);
  ShowDocumentPages(PageKind::kReadme, kReadmeLayout, kTextLanguageReadme, kTextReadmePageTitle,
                    kTextReadmePageMessage, product.readmes);
}

// ---- the installation folder ----

namespace {

// "HKLM\\..." or "HKCU\\...": the folder is a registry value and must exist.
void TakeDirectoryFromRegistry(const RegistryDirectoryReference& reference, InstallRun& run) {
  const std::u16string& stored = Product().defaultInstallDir;
  HKEY root = reference.currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  const std::wstring found = RegistryText(root, AsWide(reference.key), AsWide(reference.valueName));
  const std::u16string directory(AsU16(found));
  if (directory.empty()) {
    std::u16string message;
    if (!FormatText(u"Failed to obtain installation directory from \"%s\"", {stored}, message)) {
      message = u"Failed to obtain installation directory";
    }
    ShowError(AsWide(message));
    Refuse();
  }
  if (!FolderExists(directory)) {
    std::u16string message;
    FormatText(u"Installation directory \"%s\" obtained from \"%s\" does not exist.",
               {directory, stored}, message);
    ShowMessage(AsWide(message));
    Refuse();
  }
  run.installDir = directory;
}

// The uninstall command of the installed version: the quiet one when there is one.
std::string PreviousUninstallCommand() {
  std::wstring key = UninstallKeyPathOf(Product().uninstallKeyName);
  return ChooseUninstallCommand(
      WideToAnsi(RegistryText(HKEY_LOCAL_MACHINE, key, L"QuietUninstallString")),
      WideToAnsi(RegistryText(HKEY_LOCAL_MACHINE, key, L"UninstallString")));
}

// The older version is removed first, by its own uninstaller, and this installer starts again
// afterwards. The run ends here either way.
[[noreturn]] void RemovePreviousFirst() {
  GetInstallerState().automaticMode = false;
  std::string command = PreviousUninstallCommand();
  if (command.empty()) {
    ShowError(GetText(kTextMustUninstall));
    Refuse();
  }
  PageRequest page;
  page.kind = PageKind::kMustUninstall;
  page.caption = GetText(kTextErrorCaption);
  page.title = GetText(kTextErrorCaption);
  page.text = GetText(kTextMustUninstall);
  if (Ui().ShowPage(page).accepted) UninstallThenReinstall(command);
  Refuse();
}

void ConfirmPreviousInstallation(InstallRun& run) {
  const ProductSettings& product = Product();
  PreviousInstallQuestion question = ChoosePreviousInstallQuestion(
      product.ProductFlags, ToBarNarrow(run.oldVersion), ToBarNarrow(product.DisplayVersion));
  run.isUpgrade = question.isUpgrade;
  run.isDowngrade = question.isDowngrade;
  run.sameVersion = question.sameVersion;
  if (AutomaticMode() || HasFlag(kFlagNoPreviousInstallQuestion)) return;
  std::wstring folderNote = GetText(kTextPreviousInstallContinue);
  std::wstring message = TextWith(question.text, {run.previousDir, AsU16(folderNote)});
  if (!AskYesNo(message, GetText(kTextPreviousInstallCaption))) CancelInstall();
  if (ConfirmReplacingPrevious(product.ProductFlags, ToBarNarrow(run.oldVersion),
                               product.askBelowVersion) &&
      !AskOkCancel(GetText(kTextConfirmReplacingPrevious), GetText(kTextQuestionCaption))) {
    Refuse();
  }
}

void AskForDirectory(const PayloadContext& payload, InstallRun& run) {
  for (;;) {
    PageRequest page = MakePage(PageKind::kDirectory, kDirectoryLayout, kTextFolderPageTitle,
                                kTextFolderPageMessage);
    page.value = AsWide(run.installDir);
    PageResult result = Ui().ShowPage(page);
    if (!result.accepted) {
      DeleteDirectoryTestFile();
      CancelInstall();
    }
    run.installDir = AsU16(result.value);
    run.requiredSpace = ComputeRequiredSpace(payload, run.installDir);
    if (AcceptInstallDirectory(run.installDir, run)) break;
  }
  DeleteDirectoryTestFile();
}

}  // namespace

void ChooseInstallDirectory(const PayloadContext& payload, InstallRun& run) {
  const ProductSettings& product = Product();
  RegistryDirectoryReference reference;
  if (ParseRegistryDirectoryReference(product.defaultInstallDir, reference)) {
    TakeDirectoryFromRegistry(reference, run);
    return;
  }
  if (HasFlag(kFlagUninstallable) && run.previousInstallExists) {
    if (ForcedRemovalApplies(product.ProductFlags, ToBarNarrow(run.oldVersion),
                             product.mustUninstallBelow)) {
      RemovePreviousFirst();
    }
    ConfirmPreviousInstallation(run);
    run.installDir = run.previousDir;
    return;
  }
  const std::u16string& override = GetInstallerState().installDirOverride;
  run.installDir = override.empty() ? product.defaultInstallDir : override;
  if (!AutomaticMode() && HasFlag(kFlagOfferDirectoryPage)) AskForDirectory(payload, run);
}

// ---- the Start Menu folder ----

void ChooseStartMenuFolder(InstallRun& run) {
  ProductSettings& product = Product();
  if (run.previousInstallExists) {
    if (!run.previousStartMenu.empty()) product.ProductStartMenu = run.previousStartMenu;
    return;
  }
  if (AutomaticMode() || !HasFlag(kFlagOfferStartMenuPage)) return;
  PageRequest page = MakePage(PageKind::kStartMenu, kStartMenuLayout, kTextStartMenuPageTitle,
                              kTextStartMenuPageMessage);
  page.value = AsWide(product.ProductStartMenu);
  PageResult result = Ui().ShowPage(page);
  if (!result.accepted) CancelInstall();
  product.ProductStartMenu = AsU16(result.value);
}

}  // namespace qs
