#include "files/install_files_win.h"

namespace qs {

void InstallFiles(PayloadContext&, InstallRun&) {}

}  // namespace qs
