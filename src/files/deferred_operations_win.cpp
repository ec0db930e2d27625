#include "files/deferred_operations_win.h"

namespace qs {

void MarkRestartPending(const std::string&) {}

}  // namespace qs
