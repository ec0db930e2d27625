#pragma once
// The folders a run settles, which the path variables name. An installation and an
// uninstallation each fill their own.
#include <string>

namespace qs {

struct RunFolders {
  std::u16string installDir;    // %InstallDir%
  std::u16string uninstallDir;  // %UninstallDir%: installDir + "\\" + UninstallSubdir
  std::u16string sharedDir;     // %SharedDir%
  std::u16string oldVersion;    // %OldVersion%: DisplayVersion of the previous installation
};

}  // namespace qs
