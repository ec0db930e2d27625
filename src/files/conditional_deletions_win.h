#pragma once
// The product's conditional deletes: files matching a file specification and a date or size
// condition, deleted now or at the next restart, once while installing and once while
// uninstalling.
#include <functional>
#include <string>

#include "core/install_run.h"

namespace qs {

// Both passes take the entries of Product().conditionalDeletes in order (the uninstaller fills the
// list from its record), expand their path variables and test each file they name. An argument
// that is no date or size for its condition is a damaged installer: ReportCorrupt(65).

// Installing: logs to run.installLog and collects failed restart registrations in
// run.failureSummary; sets the restart flag when a deletion waits for the restart.
void RunInstallConditionalDeletions(InstallRun& run);

// Uninstalling: produces no messages; `onDeleted` is told each file deleted or registered for
// deletion. Sets the uninstall restart flag when a
// deletion waits for the restart. `installDir` is the default folder of relative items. An
// entry that deleted or registered a file is dropped from Product().conditionalDeletes, so that
// the record rewritten afterwards does not carry it out again in a later run.
void RunUninstallConditionalDeletions(std::u16string_view installDir,
                                      const std::function<void(const std::u16string&)>& onDeleted);

}  // namespace qs
