#pragma once
// The two implementations behind System(), for tests that need one of them whatever the
// environment says.
#include <memory>

#include "core/system_actions_win.h"

namespace qs {

// Does what it is asked.
std::unique_ptr<SystemActions> MakeRealSystemActions();
// Appends one transcript record per call and does nothing else: "restart",
// "start <command> <folder>", "open <path> <folder>", "batch <path> <the batch's bytes>",
// "notify <url>". Every call succeeds.
std::unique_ptr<SystemActions> MakeRecordingSystemActions();

}  // namespace qs
