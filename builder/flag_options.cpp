#include "builder/flag_options.h"

#include <array>

#include "core/product_flags.h"

namespace qs::builder {
namespace {

constexpr FlagOption Flag(std::string_view key, uint64_t mask, std::string_view meaning) {
  return {key, FlagWord::kProductFlags, mask, false, meaning};
}
constexpr FlagOption Flag2(std::string_view key, uint32_t mask, std::string_view meaning) {
  return {key, FlagWord::kProductFlags2, mask, false, meaning};
}
constexpr FlagOption Derived(FlagOption option) {
  option.derived = true;
  return option;
}

constexpr auto kOptions = std::to_array<FlagOption>({
    Flag("remove_previous_installation_first", kFlagRemovePreviousFirst,
         "a previous installation is uninstalled before this one installs"),
    Flag("uninstaller_shortcut_in_start_menu", kFlagUninstallerShortcutInStartMenu,
         "an uninstaller shortcut goes into the product's Start Menu folder"),
    Flag("uninstallable", kFlagUninstallable,
         "the product gets an uninstaller, an Add/Remove Programs entry and a removal record"),
    Flag("show_greeting_in_automatic_mode", kFlagGreetingInAutomaticMode,
         "the greeting is shown even in automatic mode"),
    Flag("ask_before_removing_fonts", kFlagAskBeforeRemovingFonts,
         "the uninstaller asks before removing each font"),
    Derived(Flag("compressed_blocks", kFlagCompressedBlocks,
                 "the file blocks are zlib streams (from the container options)")),
    Flag("write_install_log_always", kFlagWriteInstallLogAlways,
         "Install.LOG is written even when nothing failed"),
    Flag("offer_directory_page", kFlagOfferDirectoryPage,
         "the user chooses the installation folder"),
    Flag("single_installer_at_a_time", kFlagSingleInstaller,
         "only one installer runs at a time on the machine"),
    Flag("automatic_uninstall", kFlagAutomaticUninstall,
         "the uninstaller always runs in automatic mode"),
    Flag("delete_install_dir_on_uninstall", kFlagDeleteInstallDirOnUninstall,
         "the uninstaller deletes the installation folder with everything left in it"),
    Flag("replace_at_restart_even_if_new", kFlagReplaceAtRestartEvenIfNew,
         "a locked file is replaced at restart even when it did not exist before"),
    Flag("add_install_dir_to_path", kFlagAddInstallDirToPath,
         "the installation folder joins the machine-wide search path"),
    Derived(Flag("restart_required", kFlagRestartRequired,
                 "set while installing when a file is left for the restart")),
    Derived(Flag("background_bitmap", kFlagBackgroundBitmap,
                 "a background picture is stored (from the background settings)")),
    Derived(Flag("master_product", kFlagMasterProduct,
                 "the product needs a master product (from the master-product settings)")),
    Flag("ask_before_removing_shared_files", kFlagAskBeforeRemovingSharedFiles,
         "the uninstaller asks before deleting a shared file no longer used"),
    Flag("verify_written_files", kFlagVerifyWrittenFiles,
         "every written file is read back and compared"),
    Flag("clear_attributes_on_retry", kFlagClearAttributesOnRetry,
         "a failed write is retried with read-only, hidden and system attributes cleared"),
    Flag("detailed_log", kFlagDetailedLog, "the log names every file and shortcut made"),
    Flag("no_cancel_on_progress_page", kFlagNoProgressCancel,
         "the progress page's Cancel button is disabled"),
    Flag("no_end_report", kFlagNoEndReport,
         "no closing message or summary page after a clean installation"),
    Flag("hide_pre_installation_batch", kFlagHidePreInstallBatch,
         "the Pre-Installation Batch runs hidden, without its PAUSE lines"),
    Flag("hide_post_installation_batch", kFlagHidePostInstallBatch,
         "the Post-Installation Batch runs hidden, without its PAUSE lines"),
    Flag("hide_installation_exit_batch", kFlagHideExitBatch,
         "the Installation-Exit Batch runs hidden, without its PAUSE lines"),
    Flag("hide_uninstall_batch_1", kFlagHideUninstallBatch1,
         "the uninstaller's first batch runs hidden, without its PAUSE lines"),
    Flag("hide_uninstall_batch_2", kFlagHideUninstallBatch2,
         "the uninstaller's second batch runs hidden, without its PAUSE lines"),
    Flag("no_previous_installation_question", kFlagNoPreviousInstallQuestion,
         "no question before installing over a previous installation"),
    Flag("no_background_window", kFlagNoBackgroundWindow, "no background window behind the pages"),
    Flag("confirm_directory", kFlagConfirmDirectory,
         "the chosen installation folder is confirmed by a question"),
    Flag("verify_installer_image", kFlagVerifyInstallerImage,
         "the installer checks the checksum of its own program file"),
    Flag("uninstaller_shortcut_on_desktop", kFlagUninstallerShortcutOnDesktop,
         "an uninstaller shortcut goes on the desktop"),
    Flag("offer_start_menu_page", kFlagOfferStartMenuPage,
         "the user chooses the product's Start Menu folder"),
    Flag("show_errors_in_automatic_mode", kFlagShowErrorsInAutomaticMode,
         "error boxes are shown even in automatic mode"),
    Flag("compare_previous_version", kFlagComparePreviousVersion,
         "the previous-installation question says upgrade, same version or downgrade"),
    Flag("refuse_network_paths", kFlagRefuseNetworkPaths,
         "the directory page refuses network paths"),
    Flag("uninstaller_shortcut_in_uninstall_dir", kFlagUninstallerShortcutInUninstallDir,
         "an uninstaller shortcut goes into the uninstall folder"),
    Flag("full_screen_background", kFlagFullScreenBackground,
         "the background window is shown maximised"),
    Flag("ask_reboot_in_automatic_mode", kFlagAskRebootInAutomaticMode,
         "in automatic mode a needed restart is asked for instead of done at once"),
    Flag("no_greeting", kFlagNoGreeting, "no greeting in interactive runs"),
    Flag("confirm_replacing_previous_version", kFlagConfirmReplacingPrevious,
         "an OK/Cancel question before replacing an installed version"),
    Derived(Flag("uninstall_restart_required", kFlagUninstallRestartRequired,
                 "set while uninstalling when a deletion is left for the restart")),
    Flag("write_readme_files", kFlagWriteReadmeFiles,
         "the readme texts are also written into the installation folder"),
    Flag("write_license_files", kFlagWriteLicenseFiles,
         "the licence texts are also written into the installation folder"),
    Flag("hide_paths_in_progress", kFlagHidePathsInProgress,
         "the progress window shows a fixed text instead of each path"),
    Flag("grant_directory_rights", kFlagGrantDirectoryRights,
         "the installation folder is granted access rights"),
    Flag("show_progress_page", kFlagShowProgressPage, "the progress page is shown"),
    Flag("product_icon_on_pages", kFlagProductIconOnPages, "the pages carry the product's icon"),
    Flag("create_reboot_marker", kFlagRebootMarker,
         "an empty reboot.dat in the installation folder lives until the next restart"),
    Flag("keep_install_log_on_uninstall", kFlagKeepInstallLogOnUninstall,
         "the uninstaller leaves Install.LOG in place"),
    Flag("refuse_removable_drives", kFlagRefuseRemovableDrives,
         "the directory page refuses removable drives"),
    Flag("no_uninstall_on_removable_drive", kFlagNoUninstallOnRemovable,
         "on a removable drive the product installs without uninstall support"),
    Flag("offer_to_view_install_log", kFlagOfferToViewLog,
         "the summary page offers to open Install.LOG (needs write_install_log_always)"),
    Flag("install_log_shortcut_in_start_menu", kFlagInstallLogShortcut,
         "a shortcut to Install.LOG goes into the product's Start Menu folder"),
    Flag("hide_upgrade_batch", kFlagHideUpgradeBatch,
         "the Upgrade Batch runs hidden, without its PAUSE lines"),
    Flag("hide_reinstall_batch", kFlagHideReinstallBatch,
         "the Reinstall Batch runs hidden, without its PAUSE lines"),
    Flag("grant_shared_dir_rights", kFlagGrantSharedDirRights,
         "with grant_directory_rights, the shared folder is granted access rights too"),

    Flag2("reinstall_batch_only_for_same_version", kFlags2ReinstallBatchSameVersionOnly,
          "the Reinstall Batch runs only over the same version"),
    Flag2("create_restore_point", kFlags2RestorePoint,
          "a system restore point brackets the installation"),
    Flag2("strip_payload_from_uninstaller", kFlags2StrippedUninstaller,
          "the uninstaller is the program without its payload, not a full copy"),
    Flag2("log_pre_installation_batch_output", kFlags2LogPreInstallBatch,
          "the Pre-Installation Batch's output goes into the log"),
    Flag2("log_post_installation_batch_output", kFlags2LogPostInstallBatch,
          "the Post-Installation Batch's output goes into the log"),
    Flag2("log_upgrade_batch_output", kFlags2LogUpgradeBatch,
          "the Upgrade Batch's output goes into the log"),
    Flag2("log_reinstall_batch_output", kFlags2LogReinstallBatch,
          "the Reinstall Batch's output goes into the log"),
    Flag2("button_images", kFlags2ModernLook,
          "page buttons get small images (Vista and later, and Server 2003)"),
    Flag2("no_shortcuts_on_removable_drive", kFlags2NoShortcutsOnRemovable,
          "no shortcuts when the installation folder is on removable media"),
    Derived(Flag2("enciphered", kFlags2Enciphered,
                  "settings and file blocks are enciphered (set when a key is given)")),
    Flag2("remove_install_dir_value_on_uninstall", kFlags2RemoveInstallDirValue,
          "the uninstaller deletes the registry value that named the previous folder"),
    Flag2("always_create_desktop_folder", kFlags2AlwaysDesktopFolder,
          "an empty desktop folder name means the product name"),
});

}  // namespace

std::span<const FlagOption> FlagOptions() {
  return kOptions;
}

const FlagOption* FindFlagOption(std::string_view key) {
  for (const FlagOption& option : kOptions) {
    if (option.key == key) return &option;
  }
  return nullptr;
}

}  // namespace qs::builder
