#pragma once
// The uninstaller program in the uninstall data folder, and the product's own files beside it.
#include <string>
#include <string_view>

#include "base/byte_span.h"
#include "core/install_run.h"
#include "core/payload_startup_win.h"

namespace qs {

// Where the uninstaller goes: the uninstall data folder + the product's uninstallerName
// ("uninstall.exe" when the settings give none).
std::u16string UninstallerPath(const InstallRun& run);

// Writes the uninstaller: the payload-stripped program (its icon replaced by the product's
// uninstaller icon) or a copy of the running program. When the old uninstaller is in use the
// new one waits for the restart and the restart flag is set. run.uninstallerPath is set to
// where the uninstaller is (or will be after the restart), whether or not that worked.
void WriteUninstaller(const PayloadContext& payload, InstallRun& run);

// Replaces the first icon group of the program at `path` (the group and the images it lists) by
// the icon file `icon`; a program without one gets group 1. Its other resources are written back
// as they were. False, with `opened` telling whether the program could be opened for the change,
// when nothing was changed.
bool ReplaceProgramIcon(const std::wstring& path, ByteSpan icon, bool& opened);

// Writes one of the product's own files (a document) into `folder`, made when missing, and
// records it for removal. False, with the failure in run.failureSummary, when it could not be
// written; `path` is its full path.
bool WriteProductFile(InstallRun& run, std::u16string_view folder, std::u16string_view name,
                      ByteSpan bytes, std::u16string& path);

// The background picture in the uninstall data folder, for the uninstaller's background window.
inline constexpr char16_t kBackgroundPictureFile[] = u"Installer Background.BMP";

// WriteProductFile into the uninstall data folder (an icon, the background picture).
bool WriteUninstallDataFile(InstallRun& run, std::u16string_view name, ByteSpan bytes,
                            std::u16string& path);

// "uninstall.ico" in the uninstall data folder, when the product has an uninstaller icon;
// recorded for removal.
void WriteUninstallerIconFile(InstallRun& run);

// "product.ico" in the uninstall data folder, when the product has an icon. True when it was
// written (and recorded for removal); `path` is then its full path.
bool WriteProductIconFile(InstallRun& run, std::u16string& path);

}  // namespace qs
