#pragma once
// The product's texts by name. Every sentence a page or a box shows is a numbered entry of the
// product's text table; the product supplies the wording in each of its languages, while the
// numbers and what each one is for are fixed here. The builder's English wording
// (builder/default_texts.cpp) is keyed by the same names.
//
// Unscoped, so that a name indexes the table as it is; but no number turns into a TextId by
// itself, so a call that takes a TextId refuses a bare number.
#include <cstdint>

namespace qs {

// "(format: ...)" lists the arguments the text is formatted with, in order.
enum TextId : int32_t {
  kTextInstallerTitle = 0,              // pages and messages after the language choice
  kTextGreeting = 1,                    // greeting page message
  kTextPreviousInstallCaption = 2,      // caption of the previous-installation question
  kTextPreviousInstall = 3,             // versions not compared (format: folder, continue note)
  kTextPreviousInstallSameVersion = 4,  // (format: folder, continue note)
  kTextPreviousInstallUpgrade = 5,      // an older version installed (format: folder, note)
  kTextPreviousInstallDowngrade = 6,    // a newer version installed (format: folder, note)
  kTextPreviousInstallContinue = 7,     // the note: second paragraph of the four above
  kTextPreparing = 8,                   // progress status before the batches
  kTextMustUninstall = 9,               // the old version must go first, or cannot be removed
  kTextUninstallFailed = 10,            // (format: the failure summary)
  kTextFolderPageMessage = 11,          // folder page message; prompt of its folder browser
  kTextMasterProductMissing = 12,       // (format: the master product's name)
  kTextCorruptReport = 13,              // (format: the error number)
  kTextInvalidPath = 14,                // folder page: the path is not valid
  kTextUninstallCompleteCaption = 15,
  kTextNoSuchDrive = 16,         // (format: the drive, or the path as typed)
  kTextFolderTooShort = 17,      // folder page: a drive root
  kTextProgramFilesItself = 18,  // (format: the Program Files folder)
  kTextLowDiskSpace = 19,        // question (format: space needed, space free)
  kTextQuestionCaption = 20,     // caption of questions and of the uninstall failure
  kTextErrorCaption = 21,        // caption of error boxes
  kTextUseExistingFolder = 22,   // folder page: the folder exists, use it?
  kTextCreateFolder = 23,        // folder page: the folder will be made, go on?
  kTextFolderPageTitle = 24,     // also the caption of those two questions
  kTextCannotCreateFolder = 25,  // followed by the folder and the reason
  kTextCancelQuestion = 28,      // progress page: stop the installation?
  kTextUnpacking = 29,           // progress status while file data is read
  kTextRecordReserved1 = 30,     // carried in the uninstall record, never shown
  kTextCannotWriteFile = 31,     // followed by the path and the reason
  kTextConfiguring = 32,         // progress status after component registration
  kTextUninstallShortcutName = 33,
  kTextUninstallComplete = 34,
  kTextSharedFileCaption = 35,    // caption of the shared-file question
  kTextFinishing = 36,            // progress status at the end of the work
  kTextRestartQuestion = 37,      // after installing
  kTextDefaultShortcutName = 38,  // (format: the target's file name)
  kTextInstallingHeading = 39,    // progress page heading
  kTextFailureQuestion = 40,      // view the log? (format: the log's path)
  kTextFailureCaption = 41,
  kTextInstallComplete = 42,         // message box, or the summary page's message
  kTextInstallCompleteCaption = 43,  // also the summary page's title and the log's last line
  kTextLicensePageTitle = 44,
  kTextAcceptButton = 45,
  kTextDeclineButton = 46,
  kTextLicensePageMessage = 47,
  kTextNextButton = 48,
  kTextCancelButton = 49,
  kTextReadmePageTitle = 50,
  kTextReadmePageMessage = 51,
  kTextBrowseButton = 52,
  kTextUninstallQuestion = 53,   // remove the product?
  kTextInstalling = 54,          // progress title and status; the item when paths are hidden
  kTextUninstallCaption = 55,    // the uninstaller's caption
  kTextRemoveFontQuestion = 56,  // (format: the font's name)
  kTextRemoveFontCaption = 57,
  kTextCannotRemoveFile = 58,          // followed by the path
  kTextRemoveSharedFileQuestion = 59,  // (format: the file's path)
  kTextUnsupportedSystem = 61,         // (format: the system's name)
  kTextCheckingFileData = 62,          // progress status before the file data check
  kTextLanguageLicense = 63,           // the language's licence, before the product's own
  kTextLanguageReadme = 64,            // the language's readme, before the product's own
  kTextInstallerCaption = 65,          // the installer's caption
  kTextNetworkPath = 66,               // folder page: network paths refused
  kTextRemovingFonts = 67,             // uninstall progress statuses
  kTextRemovingFiles = 68,
  kTextRemovingRegistryEntries = 69,
  kTextRemovingAssociations = 70,
  kTextUninstallingHeading = 71,       // uninstall progress page heading
  kTextConfirmReplacingPrevious = 72,  // OK/Cancel before replacing an older version
  kTextCannotWriteInFolder = 73,       // (format: the folder)
  kTextUninstallRestartQuestion = 74,
  kTextAdminRequired = 77,
  kTextAdminRecommended = 78,  // OK/Cancel
  kTextRecordReserved2 = 79,   // carried in the uninstall record, never shown
  kTextRecordReserved3 = 80,   // carried in the uninstall record, never shown
  kTextWrongBitness = 81,      // (format: 64 or 32, the bitness needed)
  kTextLanguagePageMessage = 82,
  kTextFinishOpenFile = 83,  // summary page check boxes
  kTextFinishLaunchProgram = 84,
  kTextFinishViewLog = 85,
  kTextInstallLogShortcutName = 86,
  kTextFinishOpenOther = 87,
  kTextStartMenuPageMessage = 88,
  kTextStartMenuPageTitle = 89,
  kTextInstallButton = 90,  // Next on the last page before the work
  kTextAnotherInstallerRunning = 91,
  kTextSpaceRequired = 92,  // folder page labels
  kTextSpaceAvailable = 93,
  kTextLanguagePageTitle = 94,
  kTextFinishButton = 95,
  kTextUnsuitableDrive = 96,       // CD or removable drive (format: the drive)
  kTextCreatingRestorePoint = 97,  // progress status
  kTextInstallCancelled = 98,
  kTextCloseProgramQuestion = 99,  // Retry/Cancel (format: the program's name)
  kTextRecordReserved4 = 100,      // carried in the uninstall record, never shown
  kTextUninstallCancelled = 101,
  kTextGreetingSubtitle = 103,  // header band of the greeting page
  kTextUninstallButton = 104,   // the MustUninstall page's button
  // No text of the product: the number under which the uninstall record carries the dialog
  // caption, which the uninstaller's table then holds.
  kTextRecordDialogCaption = 999,
};

}  // namespace qs
