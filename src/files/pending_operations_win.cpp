#include "files/pending_operations_win.h"

namespace qs {

void RemoveFromPendingOperations(const std::set<std::u16string>&, std::string*) {}

}  // namespace qs
