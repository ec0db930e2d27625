#pragma once
// The one way out of the process: closes what the run opened, in order, then ends it.

namespace qs {

[[noreturn]] void ExitInstaller(int code);

}  // namespace qs
