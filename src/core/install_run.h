#pragma once
// What the install sequence settles as it goes, besides the command line and the product's
// settings: the folders, the previous installation, the space needed, the failures and the
// choices of the summary page. Narrow texts follow the "|" convention.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/run_folders.h"

namespace qs {

// The summary page's check boxes, as bits of InstallRun::finishChoices and of the page's
// request (which boxes are shown).
enum FinishChoice : uint32_t {
  kFinishOpenFile = 0x1,       // box 1023
  kFinishLaunchProgram = 0x2,  // box 1025
  kFinishViewLog = 0x4,        // box 1027
  kFinishOpenOther = 0x8,      // box 1029
};

// This run's text in Install.LOG once written, so that lines logged afterwards still reach
// the file.
struct WrittenInstallLog {
  int64_t logEnd = -1;  // where the run's log ends in the file; -1: the run wrote no file
  size_t logSize = 0;   // the bytes of InstallRun::installLog the file holds
  std::string ending;   // what follows the log in the file (InstallLogEnding)
};

// A shortcut that an installed file asks for; made after the files are in place.
struct ShortcutEntry {
  bool onDesktop = false;     // placement bit 0
  bool inStartMenu = false;   // placement bit 1
  bool shortcutFile = false;  // the entry is of the shortcut kind
  bool keep = false;
  std::u16string target;  // the installed file
  std::u16string command;
  std::u16string extra;
  std::u16string caption;
  std::u16string icon;
};

// The folders (installDir, uninstallDir, sharedDir, oldVersion) are the RunFolders the path
// variables read while an installation runs.
struct InstallRun : RunFolders {
  // The previous installation, from its Add/Remove Programs key.
  std::u16string previousDir;
  std::string previousSharedFiles;
  std::u16string previousStartMenu;
  bool previousInstallExists = false;
  bool isUpgrade = false;
  bool isDowngrade = false;
  bool sameVersion = false;

  // What the uninstaller removes, one entry a line ("\r\n") in the form Uninstall.DAT stores
  // (files/removal_record.h): a file, "~" + a folder the run made, "!" + a registry value's full
  // path. Folders are listed once each; recordedFolders holds their lower-cased forms.
  std::string removalList;
  std::set<std::u16string> recordedFolders;

  // What the file phase leaves for the phases after it.
  std::set<std::u16string> installedFiles;  // lower-cased paths written by this run
  // Paths that take part in shared-file counting, each possibly followed by its marker: ' '
  // permanent, '^' a COM server, '\xA9' a type library.
  std::vector<std::string> sharedFiles;
  std::vector<std::u16string> comServers;
  std::vector<std::u16string> typeLibraries;
  std::vector<std::u16string> drivers;
  std::string fontList;  // "\"caption\" \"file\" " for each font installed
  bool fontsChanged = false;
  std::vector<ShortcutEntry> shortcuts;

  // "SharedFiles" of the registration: the previous installation's, extended by this run.
  std::string sharedFilesText;
  // The sections of Uninstall.DAT the integration phases fill, one line each (no "\r\n"):
  // "extension~!~class~!~verb", firewall rules, driver INF files, "\"package\",level", applet
  // value paths.
  std::vector<std::string> associationLines;
  std::vector<std::string> firewallLines;
  std::vector<std::string> infLines;
  std::vector<std::string> msiLines;
  std::vector<std::string> appletLines;
  std::u16string uninstallerPath;  // set when the uninstaller was written
  // The uninstaller is missing, so the product gets no Add/Remove Programs entry.
  bool registrationSkipped = false;

  uint64_t requiredSpace = 0;
  std::u16string failureSummary;  // not empty: the run is incomplete
  std::u16string installLog;      // the log lines of the run
  std::u16string installLogPath;  // where the log file goes once written
  WrittenInstallLog writtenLog;
  bool rebootNeeded = false;
  uint32_t finishChoices = 0;  // FinishChoice bits

  bool redirectionDisabled = false;  // file-system redirection is off for a 64-bit product
  bool redirectionFailed = false;
};

}  // namespace qs
