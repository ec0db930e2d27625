#pragma once
// The folders a run settles, which the path variables name. An installation and an
// uninstallation each fill their own; narrow texts follow the "|" convention.
#include <string>

namespace qs {

struct RunFolders {
  std::string installDir;    // %InstallDir%
  std::string uninstallDir;  // %UninstallDir%: installDir + "\\" + UninstallSubdir
  std::string sharedDir;     // %SharedDir%
  std::string oldVersion;    // %OldVersion%: DisplayVersion of the previous installation
};

}  // namespace qs
