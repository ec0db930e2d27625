#include "core/product_win.h"

#include "base/text_win.h"
#include "core/installer_state_win.h"
#include "integration/path_variables_win.h"
#include "integration/shell_folders_win.h"

namespace qs {
namespace {

const RunFolders* foldersInUse = nullptr;  // null: the installation's

}  // namespace

ProductSettings& Product() {
  static ProductSettings settings;
  return settings;
}

InstallRun& Installation() {
  static InstallRun run;
  return run;
}

const RunFolders& CurrentFolders() {
  return foldersInUse != nullptr ? *foldersInUse : Installation();
}

void UseFolders(const RunFolders& folders) {
  foldersInUse = &folders;
}

LanguageTexts& Texts() {
  static LanguageTexts texts;
  return texts;
}

std::wstring GetText(TextId id) {
  return std::wstring(AsWide(Texts().Get(id)));
}

SettingsEnvironment SystemSettingsEnvironment() {
  SettingsEnvironment environment;
  environment.productNameOverride = GetInstallerState().productNameOverride;
  environment.windowsDir = AsU16(WinDir());
  environment.programFilesDir = AsU16(ProgramsDir());
  environment.expandVariables = [](std::u16string_view text) { return ExpandPathVariables(text); };
  environment.decodeAnsi = DecodeAnsi;
  return environment;
}

void StartTexts(const SettingsEnvironment& environment) {
  Texts() = LanguageTexts(&Product().languages, PlaceholderValuesOf(Product(), environment));
}

void UseLanguage(size_t language) {
  Texts().Choose(language);
  InstallerState& state = GetInstallerState();
  std::wstring title = GetText(kTextInstallerTitle);
  if (title.empty()) return;  // a product without a title keeps the program's
  state.title = AsU16(title);
}

}  // namespace qs
