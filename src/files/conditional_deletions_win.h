#pragma once
// The product's conditional deletes: files matching a specification and a date or size
// condition, deleted now or at the next restart, once while installing and once while
// uninstalling.
#include <functional>
#include <string>

#include "core/install_run.h"

namespace qs {

// Installing: logs to run.installLog and collects failed restart registrations in
// run.failureSummary; sets the restart flag when a deletion waits for the restart.
void RunInstallConditionalDeletions(InstallRun& run);

// Uninstalling: produces no messages; `onDeleted` is told each file deleted or registered for
// deletion (the uninstaller drops it from its own list). Sets the uninstall restart flag when a
// deletion waits for the restart. `installDir` is the default folder of relative items.
void RunUninstallConditionalDeletions(const std::string& installDir,
                                      const std::function<void(const std::string&)>& onDeleted);

}  // namespace qs
