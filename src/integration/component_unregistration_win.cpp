#include "integration/component_unregistration_win.h"

namespace qs {

bool UnregisterComServer(const std::string&, bool) {
  return false;
}
bool UnregisterTypeLibrary(const std::string&) {
  return false;
}

}  // namespace qs
