#include "core/installer_state_win.h"

namespace qs {

InstallerState& GetInstallerState() {
  static InstallerState state;
  return state;
}

}  // namespace qs
