// Taskbar pins of the product undone: the shell unpins each pinned shortcut the installation
// made.
#include <windows.h>
// windows.h first
#include <shellapi.h>

#include "base/file_redirection_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "integration/integration_removal_win.h"

namespace qs {
namespace {

using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);

constexpr std::string_view kPinnedFolder = "\\User Pinned\\";

}  // namespace

void UnpinFromTaskbar(const std::vector<std::string>& removalEntries) {
  UniqueModule shell;
  ShellExecuteExFunction shellExecuteEx = nullptr;
  for (const std::string& entry : removalEntries) {
    // Folders ("~") and registry values ("!") are no shortcuts.
    if (entry.empty() || entry.front() == '~' || entry.front() == '!') continue;
    if (entry.find(kPinnedFolder) == std::string::npos) continue;
    if (!shell) {
      shell = LoadSystemLibrary(L"shell32.dll");
      shellExecuteEx = LibraryFunction<ShellExecuteExFunction>(shell, "ShellExecuteExW");
      if (!shellExecuteEx) return;
    }
    const std::wstring path = FileSystemPath(Widen(entry));
    SHELLEXECUTEINFOW request = {};
    request.cbSize = sizeof(request);
    // Systems without the verb (Windows 10 and later) must not show an error box for it.
    request.fMask = SEE_MASK_FLAG_NO_UI;
    request.lpVerb = L"taskbarunpin";
    request.lpFile = path.c_str();
    request.nShow = SW_HIDE;
    shellExecuteEx(&request);
  }
}

}  // namespace qs
