// Installer packages removed by the system's package engine (MSI.DLL), each at the
// user-interface level it was installed with.
#include <windows.h>
// windows.h first
#include <msi.h>

#include <string>

#include "base/system_error_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "integration/integration_removal_win.h"
#include "integration/package_line.h"

namespace qs {
namespace {

using SetInternalUiFunction = INSTALLUILEVEL(WINAPI*)(INSTALLUILEVEL, HWND*);
using InstallProductFunction = UINT(WINAPI*)(LPCWSTR, LPCWSTR);

constexpr wchar_t kRemoveCommandLine[] = L"REBOOT=R REMOVE=ALL";

void ReportFailure(std::u16string& failureSummary, const std::string& package, DWORD code) {
  failureSummary += u"Failed to uninstall " + U16(package) + u", code " +
                    AsciiToUtf16(std::to_string(static_cast<int>(code))) + u": " +
                    SystemErrorU16(code) + u"\r\n";
}

}  // namespace

void RemoveInstallerPackages(std::vector<std::string>& msiLines,
                             std::u16string& failureSummary) {
  if (msiLines.empty()) return;
  UniqueModule msi = LoadSystemLibrary(L"msi.dll");
  const DWORD loadError = msi ? ERROR_SUCCESS : ::GetLastError();
  auto setInternalUi = LibraryFunction<SetInternalUiFunction>(msi, "MsiSetInternalUI");
  auto installProduct = LibraryFunction<InstallProductFunction>(msi, "MsiInstallProductW");

  std::vector<std::string> failed;
  for (const std::string& line : msiLines) {
    std::optional<PackageLine> package = ParsePackageLine(line);
    if (!package) continue;  // nothing that could ever be removed
    if (!setInternalUi || !installProduct) {
      ReportFailure(failureSummary, package->package,
                    loadError != ERROR_SUCCESS ? loadError : ERROR_PROC_NOT_FOUND);
      failed.push_back(line);
      continue;
    }
    setInternalUi(static_cast<INSTALLUILEVEL>(package->level), nullptr);
    const UINT result = installProduct(Widen(package->package).c_str(), kRemoveCommandLine);
    if (result == ERROR_SUCCESS_REBOOT_REQUIRED || result == ERROR_SUCCESS_REBOOT_INITIATED) {
      // Removed; the package's files go at the next restart, which the end of the run offers.
      Product().ProductFlags |= kFlagUninstallRestartRequired;
    } else if (result != ERROR_SUCCESS) {
      ReportFailure(failureSummary, package->package, result);
      failed.push_back(line);
    }
  }
  msiLines = std::move(failed);
}

}  // namespace qs
