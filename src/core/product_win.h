#pragma once
// The product as the running installer knows it: its settings and its texts in the chosen
// language. Filled once during start-up, read by everything after.
#include <cstdint>
#include <string>

#include "core/install_run.h"
#include "core/language_texts.h"
#include "core/product_settings.h"
#include "core/run_folders.h"
#include "core/settings_reader.h"
#include "core/text_ids.h"

namespace qs {

ProductSettings& Product();
// What the install sequence has settled so far.
InstallRun& Installation();
// The folders of the run under way, which the path variables name: the installation's, until
// an uninstallation puts its own forward. `folders` must live as long as the process uses them.
const RunFolders& CurrentFolders();
void UseFolders(const RunFolders& folders);
// The texts; until the settings are read, a table without texts (every text empty).
LanguageTexts& Texts();
// Text `id` in the chosen language, placeholders replaced; empty outside the table.
std::wstring GetText(TextId id);

// What the settings reader needs from this system and this run's switches.
SettingsEnvironment SystemSettingsEnvironment();

// Starts the texts once the settings are read: the language named "English" (or the first),
// with this run's placeholder values.
void StartTexts(const SettingsEnvironment& environment);
// Makes `language` the run's language; its kTextInstallerTitle becomes the installer title.
void UseLanguage(size_t language);

}  // namespace qs
