#pragma once
// The uninstaller program in the uninstall data folder, and the icon files beside it.
#include "core/install_run.h"
#include "core/payload_startup_win.h"

namespace qs {

// Writes the uninstaller: the payload-stripped program (its icon replaced by the product's
// uninstaller icon) or a copy of the running program. When the old uninstaller is in use the
// new one waits for the restart and the restart flag is set. run.uninstallerPath is set.
void WriteUninstaller(const PayloadContext& payload, InstallRun& run);

// "uninstall.ico" in the uninstall data folder, when the product has an uninstaller icon;
// recorded for removal.
void WriteUninstallerIconFile(InstallRun& run);

// "product.ico" in the uninstall data folder, when the product has an icon. True when it was
// written (and recorded for removal); `path` is then its full path.
bool WriteProductIconFile(InstallRun& run, std::string& path);

}  // namespace qs
