#include "integration/system_folders_win.h"

#include "integration/special_folders_win.h"

namespace qs {

std::string WindowsFolder() {
  std::string folder = WinDirNarrow();
  return folder.empty() ? "C:\\Windows" : folder;
}

std::string ProgramFilesFolder() {
  return ProgramsDirNarrow();
}

}  // namespace qs
