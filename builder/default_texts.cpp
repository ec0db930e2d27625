#include "builder/default_texts.h"

#include <algorithm>
#include <vector>

namespace qs::builder {
namespace {

constexpr TextSpec Plain(TextId number, std::string_view english, std::string_view use) {
  return TextSpec{number, false, {}, english, use};
}

constexpr TextSpec Format(TextId number, std::string_view arguments, std::string_view english,
                          std::string_view use) {
  return TextSpec{number, true, arguments, english, use};
}

// Texts marked "kept for the uninstaller" travel in Uninstall.DAT and are what the uninstaller
// shows; every other text is used only while installing.
constexpr TextSpec kTexts[] = {
    Plain(kTextInstallerTitle, "<product> Setup",
          "installer title, used by pages and messages after the language choice"),
    Plain(kTextGreeting,
          "Welcome to the <product> setup.\r\n\r\n"
          "This will install <product> on your computer. We recommend closing all other programs "
          "before you continue.",
          "greeting page message"),
    Plain(kTextPreviousInstallCaption, "Existing Installation Found",
          "caption of the previous-installation question"),
    Format(kTextPreviousInstall, "ss", "<product> is already installed in \"%s\".\r\n\r\n%s",
           "previous-installation question, versions not compared; args: previous folder, the "
           "second paragraph"),
    Format(kTextPreviousInstallSameVersion, "ss",
           "This version of <product> is already installed in \"%s\". Setup will reinstall "
           "it.\r\n\r\n%s",
           "previous-installation question, same version; args: previous folder, the second "
           "paragraph"),
    Format(kTextPreviousInstallUpgrade, "ss",
           "An older version of <product> is installed in \"%s\". Setup will upgrade "
           "it.\r\n\r\n%s",
           "previous-installation question, older version installed; args: previous folder, "
           "the second paragraph"),
    Format(kTextPreviousInstallDowngrade, "ss",
           "A newer version of <product> is installed in \"%s\". Continuing will replace it with "
           "this older version.\r\n\r\n%s",
           "previous-installation question, newer version installed; args: previous folder, "
           "the second paragraph"),
    Plain(kTextPreviousInstallContinue, "Do you want to continue?",
          "second paragraph of the previous-installation question (the last argument of the four "
          "questions before it)"),
    Plain(kTextPreparing, "Preparing to install...", "progress status before the batches"),
    Plain(kTextMustUninstall,
          "An older version of <product> must be uninstalled before this version can be installed.",
          "MustUninstall page message; error when the old version has no uninstall command"),
    Format(kTextUninstallFailed, "s",
           "<product> could not be removed completely. These items were left "
           "behind:\r\n\r\n%s",
           "uninstall failure message; arg: the failure summary; kept for the uninstaller"),
    Plain(kTextFolderPageMessage,
          "Choose the folder in which to install <product>. To use a different folder, type its "
          "path or click Browse.",
          "folder page message; prompt of its folder browser"),
    Format(kTextMasterProductMissing, "s",
           "<product> needs %s, which is not installed on this computer. Please install it "
           "first, then run this setup again.",
           "master product not installed; arg: the master product's name"),
    Format(kTextCorruptReport, "d",
           "This installer is damaged and cannot continue. This usually happens when a download "
           "is incomplete, but it can also be caused by a virus.\r\n\r\n"
           "Please delete this installer, download it again and run the new copy. If the problem "
           "continues, check your computer for viruses.\r\n\r\nError code: %d",
           "corrupt-installer report; arg: the error number"),
    Plain(kTextInvalidPath,
          "This folder path is not valid. Please enter a full path, including the drive.",
          "folder page: invalid path"),
    Plain(kTextUninstallCompleteCaption, "Uninstall Complete",
          "caption of the uninstall success message; kept for the uninstaller"),
    Format(kTextNoSuchDrive, "s",
           "Drive %s is not available. Please choose a folder on another drive.",
           "folder page: drive not present; arg: the drive, such as \"E:\""),
    Plain(kTextFolderTooShort,
          "This path is too short. Please choose a folder rather than the root of a drive.",
          "folder page: path too short"),
    Format(kTextProgramFilesItself, "s",
           "<product> cannot be installed directly into \"%s\". Please choose a folder inside "
           "it.",
           "folder page: the Program Files folder itself; arg: that folder"),
    Format(kTextLowDiskSpace, "ss",
           "There is not enough free space on this drive. <product> needs %s, but only %s is "
           "available.\r\n\r\nDo you want to install anyway?",
           "folder page: not enough space, Yes/No; args: space required, space available (sizes "
           "as text)"),
    Plain(kTextQuestionCaption, "<product>",
          "caption of questions (rights, space, cancel, old version, reboot) and of the "
          "uninstall failure message; kept for the uninstaller"),
    Plain(kTextErrorCaption, "Error", "caption of error boxes"),
    Plain(kTextUseExistingFolder,
          "This folder already exists. Do you want to install <product> into it?",
          "folder page: folder exists (confirmation question)"),
    Plain(kTextCreateFolder,
          "This folder does not exist yet and will be created. Do you want to continue?",
          "folder page: folder will be created (confirmation question)"),
    Plain(kTextFolderPageTitle, "Installation Folder",
          "folder page title; caption of the folder confirmation question"),
    Plain(kTextCannotCreateFolder, "Could not create the folder",
          "folder page: folder cannot be created; also the prefix of a folder failure in the "
          "summary, followed by the folder"),
    Plain(kTextCancelQuestion,
          "Are you sure you want to stop the installation? <product> may be left partly installed.",
          "progress page: cancel question"),
    Plain(kTextUnpacking, "Unpacking files...", "progress status while file data is read"),
    Plain(kTextCannotWriteFile, "Could not write",
          "prefix of a failed file, shortcut or uninstall-record write in the summary, followed "
          "by the path"),
    Plain(kTextConfiguring, "Configuring your system...",
          "progress status after component registration"),
    Plain(kTextUninstallShortcutName, "Uninstall <product>", "name of the uninstaller's shortcut"),
    Plain(kTextUninstallComplete, "<product> was successfully removed from your computer.",
          "uninstall success message; kept for the uninstaller"),
    Plain(kTextSharedFileCaption, "Remove Shared File",
          "caption of the shared-file question; kept for the uninstaller"),
    Plain(kTextFinishing, "Finishing the installation...",
          "progress status at the end of installing"),
    Plain(kTextRestartQuestion,
          "Your computer must be restarted to finish installing <product>. Do you want to restart "
          "now?",
          "reboot question after installing"),
    Format(kTextDefaultShortcutName, "s", "%s",
           "name of a shortcut given without a name; arg: the target's file name"),
    Plain(kTextInstallingHeading, "Please wait while <product> is being installed.",
          "progress page heading when installing"),
    Format(kTextFailureQuestion, "s",
           "Some parts of <product> could not be installed. The details are in the installation "
           "log:\r\n%s\r\n\r\nDo you want to view the log now?",
           "failures occurred, Yes/No offer to view the log; arg: the log's path"),
    Plain(kTextFailureCaption, "Installation Incomplete", "caption of the failures question"),
    Plain(kTextInstallComplete, "<product> has been installed on your computer.",
          "installation complete message; summary page message"),
    Plain(kTextInstallCompleteCaption, "Installation Complete",
          "caption of the complete message; summary page title; last line of a successful "
          "install log"),
    Plain(kTextLicensePageTitle, "License Agreement", "license page title"),
    Plain(kTextAcceptButton, "I &Accept", "license page accept button"),
    Plain(kTextDeclineButton, "I &Decline", "license page reject button"),
    Plain(kTextLicensePageMessage,
          "Please read the following license agreement. You must accept it to install <product>.",
          "license page message"),
    Plain(kTextNextButton, "&Next", "Next button"),
    Plain(kTextCancelButton, "Cancel", "Cancel button; kept for the uninstaller"),
    Plain(kTextReadmePageTitle, "Important Information", "readme page title"),
    Plain(kTextReadmePageMessage, "Please read the following information before you continue.",
          "readme page message"),
    Plain(kTextBrowseButton, "&Browse...", "Browse button"),
    Plain(kTextUninstallQuestion,
          "Are you sure you want to completely remove <product> from your computer?",
          "uninstall confirmation question; kept for the uninstaller"),
    Plain(kTextInstalling, "Installing <product>...",
          "progress window title and status when installing; progress item when paths are "
          "hidden"),
    Plain(kTextUninstallCaption, "<product> Uninstall",
          "uninstaller caption: confirmation, progress page, cancel notice, close-program "
          "question; kept for the uninstaller"),
    Format(kTextRemoveFontQuestion, "s",
           "Do you want to remove the font \"%s\" that was installed with <product>?",
           "uninstall font question; arg: the font's name; kept for the uninstaller"),
    Plain(kTextRemoveFontCaption, "Remove Font",
          "caption of the font question; kept for the uninstaller"),
    Plain(kTextCannotRemoveFile, "Could not remove",
          "prefix of a file the uninstaller could not delete, followed by the path; kept for the "
          "uninstaller"),
    Format(kTextRemoveSharedFileQuestion, "s",
           "The shared file\r\n%s\r\nis no longer used by any program. Do you want to remove "
           "it?\r\n\r\nIf you are not sure, choose No.",
           "uninstall shared-file question; arg: the file's path; kept for the uninstaller"),
    Format(kTextUnsupportedSystem, "s",
           "<product> does not support %s and cannot be installed on this computer.",
           "unsupported operating system; arg: the system's name"),
    Plain(kTextCheckingFileData, "Checking the installation data...",
          "progress status before the file data check"),
    Plain(kTextLanguageLicense, "",
          "license document of the language, shown before the product's own"),
    Plain(kTextLanguageReadme, "",
          "readme document of the language, shown before the product's own"),
    Plain(kTextInstallerCaption, "<product> Setup",
          "installer caption: greeting, language page, cancel notice, close-program question; "
          "kept for the uninstaller"),
    Plain(kTextNetworkPath,
          "<product> cannot be installed on a network drive. Please choose a folder on a local "
          "drive.",
          "folder page: network path refused"),
    Plain(kTextRemovingFonts, "Removing fonts...",
          "uninstall progress status; kept for the uninstaller"),
    Plain(kTextRemovingFiles, "Removing files...",
          "uninstall progress status; kept for the uninstaller"),
    Plain(kTextRemovingRegistryEntries, "Removing registry entries...",
          "uninstall progress status; kept for the uninstaller"),
    Plain(kTextRemovingAssociations, "Removing file associations...",
          "uninstall progress status; kept for the uninstaller"),
    Plain(kTextUninstallingHeading, "Please wait while <product> is being removed.",
          "progress page heading when uninstalling; kept for the uninstaller"),
    Plain(kTextConfirmReplacingPrevious,
          "An earlier version of <product> is already installed on this computer.\r\n\r\n"
          "Click OK to install this version over it, or Cancel to exit setup.",
          "old-version question, OK/Cancel"),
    Format(kTextCannotWriteInFolder, "s",
           "Setup cannot create files in \"%s\". Please choose another folder, or check that you "
           "may write to this one.",
           "folder page: no file can be created in the folder; arg: the folder"),
    Plain(
        kTextUninstallRestartQuestion,
        "Your computer must be restarted to finish removing <product>. Do you want to restart now?",
        "reboot question after uninstalling; kept for the uninstaller"),
    Plain(kTextAdminRequired,
          "You need administrator rights to install <product>. Please sign in as an "
          "administrator and run this setup again.",
          "administrator rights required"),
    Plain(kTextAdminRecommended,
          "<product> should be installed by an administrator. Without administrator rights some "
          "parts may not be installed correctly.\r\n\r\nClick OK to continue anyway, or Cancel to "
          "exit setup.",
          "administrator rights recommended, OK/Cancel"),
    Format(kTextWrongBitness, "d",
           "<product> needs a %d-bit version of Windows and cannot be installed on this computer.",
           "wrong system bitness; arg: 64 or 32"),
    Plain(kTextLanguagePageMessage,
          "Please choose the language to use during the installation:", "language page message"),
    Plain(kTextFinishOpenFile, "View the Readme file",
          "summary check box: open the product's file"),
    Plain(kTextFinishLaunchProgram, "Run <product> now",
          "summary check box: launch the product's program"),
    Plain(kTextFinishViewLog, "View the installation log", "summary check box: view the log"),
    Plain(kTextInstallLogShortcutName, "<product> Installation Log",
          "name of the installation log's shortcut"),
    Plain(kTextFinishOpenOther, "Visit the <product> website",
          "summary check box: open the product's other item"),
    Plain(kTextStartMenuPageMessage, "Choose the Start Menu folder for the <product> shortcuts.",
          "Start Menu page message; prompt of its browser"),
    Plain(kTextStartMenuPageTitle, "Start Menu Folder", "Start Menu page title"),
    Plain(kTextInstallButton, "&Install", "Next button of the last page before installing"),
    Plain(kTextAnotherInstallerRunning,
          "Another installation is already running. Please wait until it has finished, then run "
          "this setup again.",
          "another installer is running"),
    Plain(kTextSpaceRequired, "Space required:", "folder page: label of the space-required line"),
    Plain(kTextSpaceAvailable,
          "Space available:", "folder page: label of the space-available line"),
    Plain(kTextLanguagePageTitle, "Choose Language", "language page title"),
    Plain(kTextFinishButton, "&Finish", "summary page button"),
    Format(kTextUnsuitableDrive, "s",
           "<product> cannot be installed on drive %s because it is a CD or removable drive. "
           "Please choose a folder on a hard drive.",
           "folder page: CD or removable drive refused; arg: the drive, such as \"E:\""),
    Plain(kTextCreatingRestorePoint, "Creating a system restore point...",
          "progress status before the restore point"),
    Plain(kTextInstallCancelled, "The installation of <product> was cancelled.",
          "cancel notice when installing"),
    Format(kTextCloseProgramQuestion, "s", "Please close %s, then click Retry to continue.",
           "close-program question, Retry/Cancel; arg: the program's name; kept for the "
           "uninstaller"),
    Plain(kTextUninstallCancelled, "The removal of <product> was cancelled.",
          "cancel notice when uninstalling; kept for the uninstaller"),
    Plain(kTextGreetingSubtitle, "Welcome", "greeting page subtitle in the header-band layout"),
    Plain(kTextUninstallButton, "&Uninstall", "MustUninstall page uninstall button"),
};

constexpr bool IsSortedByNumber() {
  for (size_t i = 1; i < std::size(kTexts); ++i) {
    if (kTexts[i - 1].number >= kTexts[i].number) return false;
  }
  return true;
}
static_assert(IsSortedByNumber(), "the text table must be sorted by number, each number once");

enum class ArgumentKind { kInt, kString, kUnusable };

ArgumentKind KindOf(char letter) {
  switch (letter) {
    case 'd':
    case 'i':
    case 'u':
    case 'o':
    case 'x':
    case 'X':
      return ArgumentKind::kInt;
    case 's':
      return ArgumentKind::kString;
    default:
      return ArgumentKind::kUnusable;
  }
}

struct Conversion {
  std::string written;  // as it stands in the text, e.g. "%-10s"
  char letter = 0;
};

std::string Join(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) {
    if (!joined.empty()) joined += ", ";
    joined += item;
  }
  return joined;
}

std::string Expected(std::string_view arguments) {
  if (arguments.empty()) return "no conversions";
  std::vector<std::string> items;
  for (char letter : arguments) items.push_back(std::string("%") + letter);
  return "the conversions " + Join(items);
}

constexpr std::string_view kPercentHint = " (write \"%%\" for a percent sign)";

// Splits the text into its conversions. Returns false, with `problem` set, at the first piece
// that printf would handle in a way the installer cannot allow.
bool ParseConversions(std::string_view text, std::vector<Conversion>& conversions,
                      std::string& problem) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      ++i;
      continue;
    }
    const size_t start = i++;
    if (i < text.size() && text[i] == '%') {
      ++i;
      continue;
    }
    auto refuse = [&](std::string_view why) {
      size_t end = i + 1;  // a letter outside ASCII is shown whole
      while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
      problem = "has \"" + std::string(text.substr(start, end - start)) + "\", " + std::string(why);
      return false;
    };
    while (i < text.size() && std::string_view("-+ #0").find(text[i]) != std::string_view::npos) {
      ++i;
    }
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i < text.size() && text[i] == '.') {
      ++i;
      while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    }
    if (i >= text.size()) {
      problem = "ends with an unfinished \"" + std::string(text.substr(start)) + "\"" +
                std::string(kPercentHint);
      return false;
    }
    const char letter = text[i];
    if (letter == '*')
      return refuse("whose \"*\" would take an argument the installer never passes");
    if (letter == '$') return refuse("an argument position the installer does not support");
    if (std::string_view("hlLqjztIw").find(letter) != std::string_view::npos) {
      return refuse("whose size prefix does not match the arguments the installer passes");
    }
    if (letter == 'n') return refuse("which would write to memory instead of printing");
    if (KindOf(letter) == ArgumentKind::kUnusable) {
      return refuse(std::string("which is not a conversion these texts can use") +
                    std::string(kPercentHint));
    }
    conversions.push_back({std::string(text.substr(start, i + 1 - start)), letter});
    ++i;
  }
  return true;
}

}  // namespace

std::span<const TextSpec> BuiltInTexts() {
  return kTexts;
}

const TextSpec* FindTextSpec(int number) {
  const auto* found =
      std::lower_bound(std::begin(kTexts), std::end(kTexts), number,
                       [](const TextSpec& entry, int wanted) { return entry.number < wanted; });
  return found != std::end(kTexts) && found->number == number ? found : nullptr;
}

int BuiltInTextTableSize() {
  return std::end(kTexts)[-1].number + 1;
}

bool CheckTextArguments(int number, std::string_view utf8Text, std::string& error) {
  const TextSpec* entry = FindTextSpec(number);
  if (entry == nullptr || !entry->isFormat) return true;

  const std::string prefix = "text " + std::to_string(number) + " ";
  std::vector<Conversion> found;
  std::string problem;
  if (!ParseConversions(utf8Text, found, problem)) {
    error = prefix + problem + "; it needs " + Expected(entry->arguments);
    return false;
  }

  bool matches = found.size() == entry->arguments.size();
  for (size_t i = 0; matches && i < found.size(); ++i) {
    matches = KindOf(found[i].letter) == KindOf(entry->arguments[i]);
  }
  if (matches) return true;

  std::vector<std::string> written;
  bool strayPercent = false;  // "50% of" reads as "% o", a conversion with the blank flag
  for (const Conversion& conversion : found) {
    written.push_back(conversion.written);
    strayPercent = strayPercent || conversion.written[1] == ' ';
  }
  error = prefix + "needs " + Expected(entry->arguments) + " but has " +
          (written.empty() ? std::string("none") : Join(written));
  if (strayPercent) error += kPercentHint;
  return false;
}

}  // namespace qs::builder
