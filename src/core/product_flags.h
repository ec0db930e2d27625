#pragma once
// The bits of the product's two flag words: `ProductFlags` (64 bits, first field of the settings
// stream) and `ProductFlags2` (32 bits, in the container header). Both travel unchanged into the
// uninstall registration, so the uninstaller reads the same bits back. Bits not named here have
// no effect and are carried as they are.
#include <cstdint>

namespace qs {

// ---- `ProductFlags`, low word ----

// A previous installation must be uninstalled before this one installs.
inline constexpr uint64_t kFlagRemovePreviousFirst = 1ull << 0;
// An uninstaller shortcut goes into the product's Start Menu folder.
inline constexpr uint64_t kFlagUninstallerShortcutInStartMenu = 1ull << 1;
// The product can be uninstalled: uninstaller, Add/Remove Programs entry, removal record.
inline constexpr uint64_t kFlagUninstallable = 1ull << 2;
// The greeting is shown even in automatic mode.
inline constexpr uint64_t kFlagGreetingInAutomaticMode = 1ull << 3;
// The uninstaller asks before removing each font the product installed.
inline constexpr uint64_t kFlagAskBeforeRemovingFonts = 1ull << 4;
// The file blocks of the payload are zlib streams.
inline constexpr uint64_t kFlagCompressedBlocks = 1ull << 5;
// Install.LOG is written even after an installation without failures.
inline constexpr uint64_t kFlagWriteInstallLogAlways = 1ull << 6;
// The directory page lets the user choose the installation folder.
inline constexpr uint64_t kFlagOfferDirectoryPage = 1ull << 7;
// Only one installer runs at a time: a machine-wide mutex with a fixed name.
inline constexpr uint64_t kFlagSingleInstaller = 1ull << 8;
// The uninstaller always runs in automatic mode.
inline constexpr uint64_t kFlagAutomaticUninstall = 1ull << 9;
// The uninstaller deletes the installation folder with everything left in it.
inline constexpr uint64_t kFlagDeleteInstallDirOnUninstall = 1ull << 10;
// A locked file is replaced at restart even when it did not exist before the installation.
inline constexpr uint64_t kFlagReplaceAtRestartEvenIfNew = 1ull << 11;
// The installation folder joins the machine-wide search path (and leaves it on uninstall).
inline constexpr uint64_t kFlagAddInstallDirToPath = 1ull << 12;
// Set during the run when a file is left to be replaced or deleted at restart.
inline constexpr uint64_t kFlagRestartRequired = 1ull << 14;
// A background picture is stored; the uninstaller gets it as a file.
inline constexpr uint64_t kFlagBackgroundBitmap = 1ull << 15;
// The product needs an installed master product; its name and key follow in the settings.
inline constexpr uint64_t kFlagMasterProduct = 1ull << 16;
// The uninstaller asks before deleting a shared file whose count reached zero.
inline constexpr uint64_t kFlagAskBeforeRemovingSharedFiles = 1ull << 17;
// Every written file is read back and compared.
inline constexpr uint64_t kFlagVerifyWrittenFiles = 1ull << 18;
// A failed write is retried after clearing read-only, hidden and system attributes.
inline constexpr uint64_t kFlagClearAttributesOnRetry = 1ull << 19;
// The log names each file's source and destination and each shortcut made.
inline constexpr uint64_t kFlagDetailedLog = 1ull << 20;
// The progress page's Cancel button is disabled.
inline constexpr uint64_t kFlagNoProgressCancel = 1ull << 21;
// No closing message or summary page after an installation without failures.
inline constexpr uint64_t kFlagNoEndReport = 1ull << 22;
// The Pre-Installation Batch runs in a hidden window, its PAUSE lines dropped.
inline constexpr uint64_t kFlagHidePreInstallBatch = 1ull << 23;
// The Post-Installation Batch runs hidden.
inline constexpr uint64_t kFlagHidePostInstallBatch = 1ull << 24;
// The Installation-Exit Batch runs hidden.
inline constexpr uint64_t kFlagHideExitBatch = 1ull << 25;
// The uninstaller's first batch runs hidden.
inline constexpr uint64_t kFlagHideUninstallBatch1 = 1ull << 26;
// The uninstaller's second batch runs hidden.
inline constexpr uint64_t kFlagHideUninstallBatch2 = 1ull << 27;
// No question before installing over a previous installation.
inline constexpr uint64_t kFlagNoPreviousInstallQuestion = 1ull << 28;
// No background window behind the pages.
inline constexpr uint64_t kFlagNoBackgroundWindow = 1ull << 29;
// The chosen installation folder is confirmed by a Yes/No question.
inline constexpr uint64_t kFlagConfirmDirectory = 1ull << 31;

// ---- `ProductFlags`, high word ----

// The installer checks the checksum of its own program image.
inline constexpr uint64_t kFlagVerifyInstallerImage = 1ull << 32;
// An uninstaller shortcut goes on the desktop.
inline constexpr uint64_t kFlagUninstallerShortcutOnDesktop = 1ull << 33;
// The Start Menu page lets the user choose the product's folder.
inline constexpr uint64_t kFlagOfferStartMenuPage = 1ull << 34;
// Error boxes are shown even in automatic mode.
inline constexpr uint64_t kFlagShowErrorsInAutomaticMode = 1ull << 35;
// The previous-installation question says upgrade, same version or downgrade.
inline constexpr uint64_t kFlagComparePreviousVersion = 1ull << 36;
// The directory page refuses network paths.
inline constexpr uint64_t kFlagRefuseNetworkPaths = 1ull << 37;
// An uninstaller shortcut goes into the uninstall folder.
inline constexpr uint64_t kFlagUninstallerShortcutInUninstallDir = 1ull << 38;
// The background window is shown maximised.
inline constexpr uint64_t kFlagFullScreenBackground = 1ull << 40;
// In automatic mode a needed restart is still asked for instead of done at once.
inline constexpr uint64_t kFlagAskRebootInAutomaticMode = 1ull << 41;
// No greeting in interactive runs.
inline constexpr uint64_t kFlagNoGreeting = 1ull << 43;
// An OK/Cancel question before replacing an installed version.
inline constexpr uint64_t kFlagConfirmReplacingPrevious = 1ull << 44;
// Set during an uninstallation that left deletions for the restart.
inline constexpr uint64_t kFlagUninstallRestartRequired = 1ull << 45;
// The readme texts are also written as files into the installation folder.
inline constexpr uint64_t kFlagWriteReadmeFiles = 1ull << 46;
// The licence texts are also written as files into the installation folder.
inline constexpr uint64_t kFlagWriteLicenseFiles = 1ull << 47;
// The progress window shows a fixed text instead of each file and shortcut path.
inline constexpr uint64_t kFlagHidePathsInProgress = 1ull << 49;
// The installation folder is granted access rights.
inline constexpr uint64_t kFlagGrantDirectoryRights = 1ull << 50;
// The progress page is shown.
inline constexpr uint64_t kFlagShowProgressPage = 1ull << 51;
// The pages carry the product's icon.
inline constexpr uint64_t kFlagProductIconOnPages = 1ull << 52;
// An empty reboot.dat in the installation folder lives until the next restart.
inline constexpr uint64_t kFlagRebootMarker = 1ull << 53;
// The uninstaller leaves Install.LOG in place.
inline constexpr uint64_t kFlagKeepInstallLogOnUninstall = 1ull << 54;
// The directory page refuses removable drives.
inline constexpr uint64_t kFlagRefuseRemovableDrives = 1ull << 55;
// On a removable drive the product installs without uninstall support.
inline constexpr uint64_t kFlagNoUninstallOnRemovable = 1ull << 56;
// The summary page offers to open Install.LOG; dropped when the log is not always written.
inline constexpr uint64_t kFlagOfferToViewLog = 1ull << 57;
// A shortcut to Install.LOG goes into the product's Start Menu folder.
inline constexpr uint64_t kFlagInstallLogShortcut = 1ull << 59;
// The Upgrade Batch runs hidden.
inline constexpr uint64_t kFlagHideUpgradeBatch = 1ull << 60;
// The Reinstall Batch runs hidden.
inline constexpr uint64_t kFlagHideReinstallBatch = 1ull << 61;
// Together with kFlagGrantDirectoryRights, the shared folder is granted access rights too.
inline constexpr uint64_t kFlagGrantSharedDirRights = 1ull << 62;

// ---- `ProductFlags2` ----

// The Reinstall Batch runs only over an installation of the same version.
inline constexpr uint32_t kFlags2ReinstallBatchSameVersionOnly = 0x1;
// A system restore point brackets the installation; cleared when it cannot be created.
inline constexpr uint32_t kFlags2RestorePoint = 0x2;
// The uninstaller is a copy of the program without its payload section.
inline constexpr uint32_t kFlags2StrippedUninstaller = 0x20;
// The Pre-Installation Batch's output is captured into the log under its name.
inline constexpr uint32_t kFlags2LogPreInstallBatch = 0x40;
// The Post-Installation Batch's output is captured into the log.
inline constexpr uint32_t kFlags2LogPostInstallBatch = 0x80;
// The Upgrade Batch's output is captured into the log.
inline constexpr uint32_t kFlags2LogUpgradeBatch = 0x100;
// The Reinstall Batch's output is captured into the log.
inline constexpr uint32_t kFlags2LogReinstallBatch = 0x200;
// Page buttons get small images; cleared at start on systems before Vista, Server 2003 aside.
inline constexpr uint32_t kFlags2ModernLook = 0x400;
// No shortcuts at all when the installation folder is on removable media.
inline constexpr uint32_t kFlags2NoShortcutsOnRemovable = 0x800;
// The settings and the file blocks are enciphered with Blowfish; the key follows the header.
inline constexpr uint32_t kFlags2Enciphered = 0x1000;
// The uninstaller deletes the registry value that named the previous installation folder.
inline constexpr uint32_t kFlags2RemoveInstallDirValue = 0x2000;
// An empty desktop folder name means the product name, so the desktop folder is always made.
inline constexpr uint32_t kFlags2AlwaysDesktopFolder = 0x4000;

// Both words, read by name. The words stay plain members: the run sets and clears a few bits
// (restart required, restore point, modern look) as it goes.
struct FlagWords {
  uint64_t flags = 0;
  uint32_t flags2 = 0;

  constexpr bool Has(uint64_t mask) const { return (flags & mask) != 0; }
  constexpr bool Has2(uint32_t mask) const { return (flags2 & mask) != 0; }

  constexpr bool RemovePreviousFirst() const { return Has(kFlagRemovePreviousFirst); }
  constexpr bool UninstallerShortcutInStartMenu() const {
    return Has(kFlagUninstallerShortcutInStartMenu);
  }
  constexpr bool Uninstallable() const { return Has(kFlagUninstallable); }
  constexpr bool GreetingInAutomaticMode() const { return Has(kFlagGreetingInAutomaticMode); }
  constexpr bool AskBeforeRemovingFonts() const { return Has(kFlagAskBeforeRemovingFonts); }
  constexpr bool CompressedBlocks() const { return Has(kFlagCompressedBlocks); }
  constexpr bool WriteInstallLogAlways() const { return Has(kFlagWriteInstallLogAlways); }
  constexpr bool OfferDirectoryPage() const { return Has(kFlagOfferDirectoryPage); }
  constexpr bool SingleInstaller() const { return Has(kFlagSingleInstaller); }
  constexpr bool AutomaticUninstall() const { return Has(kFlagAutomaticUninstall); }
  constexpr bool DeleteInstallDirOnUninstall() const {
    return Has(kFlagDeleteInstallDirOnUninstall);
  }
  constexpr bool ReplaceAtRestartEvenIfNew() const { return Has(kFlagReplaceAtRestartEvenIfNew); }
  constexpr bool AddInstallDirToPath() const { return Has(kFlagAddInstallDirToPath); }
  constexpr bool RestartRequired() const { return Has(kFlagRestartRequired); }
  constexpr bool BackgroundBitmap() const { return Has(kFlagBackgroundBitmap); }
  constexpr bool MasterProduct() const { return Has(kFlagMasterProduct); }
  constexpr bool AskBeforeRemovingSharedFiles() const {
    return Has(kFlagAskBeforeRemovingSharedFiles);
  }
  constexpr bool VerifyWrittenFiles() const { return Has(kFlagVerifyWrittenFiles); }
  constexpr bool ClearAttributesOnRetry() const { return Has(kFlagClearAttributesOnRetry); }
  constexpr bool DetailedLog() const { return Has(kFlagDetailedLog); }
  constexpr bool NoProgressCancel() const { return Has(kFlagNoProgressCancel); }
  constexpr bool NoEndReport() const { return Has(kFlagNoEndReport); }
  constexpr bool HidePreInstallBatch() const { return Has(kFlagHidePreInstallBatch); }
  constexpr bool HidePostInstallBatch() const { return Has(kFlagHidePostInstallBatch); }
  constexpr bool HideExitBatch() const { return Has(kFlagHideExitBatch); }
  constexpr bool HideUninstallBatch1() const { return Has(kFlagHideUninstallBatch1); }
  constexpr bool HideUninstallBatch2() const { return Has(kFlagHideUninstallBatch2); }
  constexpr bool NoPreviousInstallQuestion() const { return Has(kFlagNoPreviousInstallQuestion); }
  constexpr bool NoBackgroundWindow() const { return Has(kFlagNoBackgroundWindow); }
  constexpr bool ConfirmDirectory() const { return Has(kFlagConfirmDirectory); }
  constexpr bool VerifyInstallerImage() const { return Has(kFlagVerifyInstallerImage); }
  constexpr bool UninstallerShortcutOnDesktop() const {
    return Has(kFlagUninstallerShortcutOnDesktop);
  }
  constexpr bool OfferStartMenuPage() const { return Has(kFlagOfferStartMenuPage); }
  constexpr bool ShowErrorsInAutomaticMode() const { return Has(kFlagShowErrorsInAutomaticMode); }
  constexpr bool ComparePreviousVersion() const { return Has(kFlagComparePreviousVersion); }
  constexpr bool RefuseNetworkPaths() const { return Has(kFlagRefuseNetworkPaths); }
  constexpr bool UninstallerShortcutInUninstallDir() const {
    return Has(kFlagUninstallerShortcutInUninstallDir);
  }
  constexpr bool FullScreenBackground() const { return Has(kFlagFullScreenBackground); }
  constexpr bool AskRebootInAutomaticMode() const { return Has(kFlagAskRebootInAutomaticMode); }
  constexpr bool NoGreeting() const { return Has(kFlagNoGreeting); }
  constexpr bool ConfirmReplacingPrevious() const { return Has(kFlagConfirmReplacingPrevious); }
  constexpr bool UninstallRestartRequired() const { return Has(kFlagUninstallRestartRequired); }
  constexpr bool WriteReadmeFiles() const { return Has(kFlagWriteReadmeFiles); }
  constexpr bool WriteLicenseFiles() const { return Has(kFlagWriteLicenseFiles); }
  constexpr bool HidePathsInProgress() const { return Has(kFlagHidePathsInProgress); }
  constexpr bool GrantDirectoryRights() const { return Has(kFlagGrantDirectoryRights); }
  constexpr bool ShowProgressPage() const { return Has(kFlagShowProgressPage); }
  constexpr bool ProductIconOnPages() const { return Has(kFlagProductIconOnPages); }
  constexpr bool RebootMarker() const { return Has(kFlagRebootMarker); }
  constexpr bool KeepInstallLogOnUninstall() const { return Has(kFlagKeepInstallLogOnUninstall); }
  constexpr bool RefuseRemovableDrives() const { return Has(kFlagRefuseRemovableDrives); }
  constexpr bool NoUninstallOnRemovable() const { return Has(kFlagNoUninstallOnRemovable); }
  constexpr bool OfferToViewLog() const { return Has(kFlagOfferToViewLog); }
  constexpr bool InstallLogShortcut() const { return Has(kFlagInstallLogShortcut); }
  constexpr bool HideUpgradeBatch() const { return Has(kFlagHideUpgradeBatch); }
  constexpr bool HideReinstallBatch() const { return Has(kFlagHideReinstallBatch); }
  constexpr bool GrantSharedDirRights() const { return Has(kFlagGrantSharedDirRights); }

  constexpr bool ReinstallBatchSameVersionOnly() const {
    return Has2(kFlags2ReinstallBatchSameVersionOnly);
  }
  constexpr bool RestorePoint() const { return Has2(kFlags2RestorePoint); }
  constexpr bool StrippedUninstaller() const { return Has2(kFlags2StrippedUninstaller); }
  constexpr bool LogPreInstallBatch() const { return Has2(kFlags2LogPreInstallBatch); }
  constexpr bool LogPostInstallBatch() const { return Has2(kFlags2LogPostInstallBatch); }
  constexpr bool LogUpgradeBatch() const { return Has2(kFlags2LogUpgradeBatch); }
  constexpr bool LogReinstallBatch() const { return Has2(kFlags2LogReinstallBatch); }
  constexpr bool ModernLook() const { return Has2(kFlags2ModernLook); }
  constexpr bool NoShortcutsOnRemovable() const { return Has2(kFlags2NoShortcutsOnRemovable); }
  constexpr bool Enciphered() const { return Has2(kFlags2Enciphered); }
  constexpr bool RemoveInstallDirValue() const { return Has2(kFlags2RemoveInstallDirValue); }
  constexpr bool AlwaysDesktopFolder() const { return Has2(kFlags2AlwaysDesktopFolder); }
};

}  // namespace qs
