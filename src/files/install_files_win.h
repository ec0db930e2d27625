#pragma once
// The file phase: every payload entry in stored order, its destination, the replacement rules,
// the write, and the lists that the later phases work off.
#include "core/install_run.h"
#include "core/payload_startup_win.h"

namespace qs {

// From the first entry to the container's closing checks, then the system told about fonts,
// progress 91, the written files dropped from pending restart operations, progress 92.
void InstallFiles(PayloadContext& payload, InstallRun& run);

}  // namespace qs
