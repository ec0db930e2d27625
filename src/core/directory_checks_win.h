#pragma once
// The installation folder on the running system: the folder page's checks with their messages
// and the test file they leave, the space the installation needs on the folder's drive, and
// the removal of folders left empty at the end of a run. Paths are narrow ("|" convention).
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/directory_rules.h"
#include "core/install_run.h"
#include "core/payload_startup_win.h"

namespace qs {

// The drives of the running system, asked without the system's "insert a disk" boxes.
class SystemDriveFacts : public DriveFacts {
 public:
  DriveType TypeOfDrive(std::u16string_view root) const override;
  std::optional<uint64_t> FreeSpace(std::u16string_view root) const override;
  uint64_t ClusterSize(std::u16string_view root) const override;
  std::u16string ProgramFilesFolder() const override;
};

// The checks of the folder page for `directory`, each refusal with its message (the product's
// text, or the built-in wording when the product's does not fit): the rules of
// CheckInstallDirectory, where low space is a question; then, with `ProductFlags` bit 31, the
// question whether to use the existing folder (kTextUseExistingFolder) or make it
// (kTextCreateFolder); a missing folder is made; finally a test file must be creatable in it.
// True when the folder is accepted; false sends the user back to the page.
// run.requiredSpace must already hold the space needed on this folder's drive
// (ComputeRequiredSpace); the free space is compared only without a previous installation.
// The page runs only in interactive runs, so every message is shown.
bool AcceptInstallDirectory(std::u16string_view directory, InstallRun& run);

// True when `path` is an existing folder.
bool IsExistingDirectory(const std::wstring& path);
// Makes `path` and every missing folder above it; 0 or the system error. `created` receives
// the folders made, outermost first.
DWORD CreateDirectoryTree(const std::wstring& path, std::vector<std::wstring>& created);

// Deletes the test file of the folder last accepted; called once the page is left.
void DeleteDirectoryTestFile();

// The uninstaller, every payload entry rounded up to the clusters of the drive of
// `installDir`, and the product's extra disk space.
uint64_t ComputeRequiredSpace(const PayloadContext& payload, std::u16string_view installDir);

// Removes `path` when nothing is in it but "thumbs.db" and "desktop.ini", which the shell
// leaves behind (they are deleted first). A path shorter than 4 characters, such as a drive's
// root, is never removed.
void RemoveDirectoryIfEmpty(std::u16string_view path);

}  // namespace qs
