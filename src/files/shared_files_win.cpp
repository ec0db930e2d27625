#include "files/shared_files_win.h"

namespace qs {

void CountSharedFiles(const std::vector<std::string>&, std::string&, std::string&, std::string&) {}
void ReleaseSharedFiles(HKEY, const std::string&, const ReleaseOptions&, std::string&) {}

}  // namespace qs
