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
#include "integration/shell_folders_win.h"

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

bool WriteInstallLogFile(InstallRun& run, std::u16string_view summary, bool isReinstall) {
  UniqueFileHandle file(::CreateFileW(Redirected(run.installLogPath), GENERIC_WRITE,
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
  content.productName = Ansi(product.DisplayName);
  content.installDate = FormatDateTime(LocalTimeNow(), kDefaultDateFormat);
  content.showInstallType = (product.ProductFlags & kFlagUninstallable) != 0;
  content.isReinstall = isReinstall;
  content.installLocation = Ansi(run.installDir);
  content.productVersion = Ansi(product.DisplayVersion);
  content.overwritingVersion = Ansi(run.oldVersion);
  content.operatingSystem = RunningSystemName(0);
  content.log = Ansi(run.installLog);
  content.failureSummary = Ansi(summary);
  if (summary.empty()) content.completionText = Ansi(AsU16(GetText(kTextInstallCompleteCaption)));

  const std::string text = InstallLogText(content, end.QuadPart > 0);
  WriteAll(file.Get(), text);
  std::string ending = InstallLogEnding(content);
  run.writtenLog.logEnd = end.QuadPart + static_cast<int64_t>(text.size() - ending.size());
  run.writtenLog.logSize = run.installLog.size();
  run.writtenLog.ending = std::move(ending);
  return true;
}

void UpdateInstallLogFile(InstallRun& run) {
  WrittenInstallLog& written = run.writtenLog;
  if (written.logEnd < 0 || run.installLog.size() <= written.logSize) return;
  UniqueFileHandle file(::CreateFileW(Redirected(run.installLogPath), GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  LARGE_INTEGER at = {};
  at.QuadPart = written.logEnd;
  if (!::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)) return;
  // The new lines take the place of the ending, which follows them again.
  const std::string added = Ansi(std::u16string_view(run.installLog).substr(written.logSize));
  WriteAll(file.Get(), added);
  WriteAll(file.Get(), written.ending);
  written.logEnd += static_cast<int64_t>(added.size());
  written.logSize = run.installLog.size();
}

void OpenInstallLog(const InstallRun& run) {
  const std::wstring path(AsWide(run.installLogPath));
  if (System().OpenThroughShell(path, {}) == 0) return;
  System().StartProgram(ViewInNotepadCommand(path), {});
}

std::wstring ViewInNotepadCommand(const std::wstring& path) {
  return L"\"" + SystemDir() + L"\\notepad.exe\" \"" + path + L"\"";
}

}  // namespace qs
