// Driver packages of the product removed from the system's driver store, by the name their INF
// file got there.
#include <windows.h>

#include "base/system_library_win.h"
#include "base/text_win.h"
#include "core/target_path.h"
#include "integration/integration_removal_win.h"

namespace qs {
namespace {

using UninstallOemInfFunction = BOOL(WINAPI*)(PCWSTR, DWORD, PVOID);

// SUOI_FORCEDELETE: removed even when a device still uses the driver.
constexpr DWORD kForceDelete = 0x1;

}  // namespace

void RemoveDrivers(const std::vector<std::string>& infLines) {
  if (infLines.empty()) return;
  UniqueModule setupApi = LoadSystemLibrary(L"setupapi.dll");
  auto uninstallOemInf =
      LibraryFunction<UninstallOemInfFunction>(setupApi, "SetupUninstallOEMInfW");
  if (!uninstallOemInf) return;
  for (const std::string& line : infLines) {
    const std::string name = FileNamePart(line);
    if (name.empty() || name == "." || name == "..") continue;
    uninstallOemInf(Widen(name).c_str(), kForceDelete, nullptr);
  }
}

}  // namespace qs
