#include "files/install_log_win.h"

#include <windows.h>

#include <algorithm>
#include <string_view>

#include "base/file_redirection_win.h"
#include "base/file_win.h"
#include "base/handle_win.h"
#include "base/text_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/system_actions_win.h"
#include "files/date_format.h"
#include "files/install_log_text.h"
#include "files/local_time_win.h"
#include "files/os_name_win.h"

namespace qs {
namespace {

// The log file is in the ANSI code page: every text is encoded once, here.
std::string Ansi(std::u16string_view text) {
  return WideToAnsi(AsWide(text));
}

// Writes all of `text`; errors are not reported, the log is written as far as it goes.
void WriteAll(HANDLE file, std::string_view text) {
  WriteAllBytes(file, ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace

bool WriteInstallLogFile(const InstallRun& run, std::u16string_view summary, bool isReinstall) {
  UniqueFileHandle file(::CreateFileW(Redirected(Widen(run.installLogPath)), GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
  if (!file) return false;
  // Earlier runs stay: when the end cannot be reached, nothing is written rather than
  // writing over them.
  LARGE_INTEGER end = {};
  LARGE_INTEGER zero = {};
  if (!::SetFilePointerEx(file.Get(), zero, &end, FILE_END)) return true;

  const ProductSettings& product = Product();
  InstallLogContent content;
  content.productName = Ansi(U16(product.DisplayName));
  content.installDate = FormatDateTime(LocalTimeNow(), kDefaultDateFormat);
  content.showInstallType = (product.ProductFlags & kFlagUninstallable) != 0;
  content.isReinstall = isReinstall;
  content.installLocation = Ansi(U16(run.installDir));
  content.productVersion = Ansi(U16(product.DisplayVersion));
  content.overwritingVersion = Ansi(U16(run.oldVersion));
  content.operatingSystem = RunningSystemName(0);
  content.log = Ansi(run.installLog);
  content.failureSummary = Ansi(summary);
  if (summary.empty()) content.completionText = Ansi(AsU16(GetText(kTextInstallCompleteCaption)));

  WriteAll(file.Get(), InstallLogText(content, end.QuadPart > 0));
  return true;
}

void OpenInstallLog(const InstallRun& run) {
  const std::wstring path = Widen(run.installLogPath);
  if (System().OpenThroughShell(path, {}) == 0) return;
  System().StartProgram(L"notepad.exe \"" + path + L"\"", {});
}

}  // namespace qs
