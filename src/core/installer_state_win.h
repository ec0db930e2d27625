#pragma once
// The process-wide record of the running installer or uninstaller. Filled at start-up; read by
// everything that follows.
#include <windows.h>

#include <string>

#include "base/handle_win.h"

namespace qs {

inline constexpr wchar_t kInstallerTitle[] = L"Quillonet Setup";

struct InstallerState {
  std::u16string title;  // shown in fatal messages until the product's texts are known
  HINSTANCE instance = nullptr;
  HICON largeIcon = nullptr;
  HICON smallIcon = nullptr;

  bool automaticMode = false;
  bool uninstallMode = false;
  bool startMinimized = false;

  std::u16string installDirOverride;   // /d:
  std::u16string productNameOverride;  // /n:

  HWND backgroundWindow = nullptr;
  // The run's temporary work file, which ExitInstaller deletes when the run ends while it is
  // there: the folder page's test file.
  std::wstring temporaryWorkFile;
  UniqueHandle notifierThread;

  bool oleInitialized = false;
};

InstallerState& GetInstallerState();

}  // namespace qs
