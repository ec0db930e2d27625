#include "uninstall/self_removal_win.h"

#include <windows.h>

#include "base/file_redirection_win.h"
#include "base/file_win.h"
#include "base/handle_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "core/system_actions_win.h"
#include "files/file_queries_win.h"
#include "files/os_name_win.h"
#include "integration/batch_text.h"
#include "integration/shell_folders_win.h"
#include "uninstall/self_removal.h"

namespace qs {
namespace {

// From Windows 7 on the interpreter reads a UTF-8 batch once told so.
bool InterpreterReadsUtf8() {
  const OsFacts& system = RunningSystem();
  return system.major > 6 || (system.major == 6 && system.minor >= 1);
}

bool FitsAnsiCodePage(std::wstring_view text) {
  return AnsiToWide(WideToAnsi(text)) == text;
}

// A folder as the batch names it in the ANSI code page. A folder whose name the code page
// cannot hold is named by its short path when it has one.
std::string AnsiFolder(const std::wstring& folder) {
  std::string narrow = WideToAnsi(folder);
  if (AnsiToWide(narrow) == folder) return narrow;
  wchar_t shortPath[MAX_PATH];
  const DWORD length = ::GetShortPathNameW(Redirected(folder), shortPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return narrow;
  std::string shortNarrow = WideToAnsi(std::wstring_view(shortPath, length));
  return AnsiToWide(shortNarrow) == std::wstring_view(shortPath, length) ? shortNarrow : narrow;
}

}  // namespace

std::wstring SelfRemovalFolder() {
  std::wstring folder = TempDir();
  return folder.empty() ? L"c:\\temp" : folder;
}

bool WriteBatchFile(const std::wstring& path, std::string_view bytes) {
  // A read-only leftover of an earlier run would refuse to be replaced.
  const DWORD attributes = ::GetFileAttributesW(Redirected(path));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    ::SetFileAttributesW(Redirected(path), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  UniqueFileHandle file(::CreateFileW(Redirected(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const DWORD error = WriteAllBytes(
      file.Get(), ByteSpan(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  if (error != 0) ::SetLastError(error);
  return error == 0;
}

// utrri.bat is written in the ANSI code page, as the interpreter reads it. A command or command
// line that the code page cannot hold (a folder in another script given with /d, say) makes it
// a UTF-8 batch instead where the interpreter reads those; elsewhere the code page's nearest
// form is all there is.
bool UninstallThenReinstall(const std::string& uninstallCommand) {
  const std::wstring folder = SelfRemovalFolder();
  const std::wstring batchPath = folder + L"\\utrri.bat";
  const std::wstring command = Widen(uninstallCommand);
  const std::wstring_view commandLine = ::GetCommandLineW();
  std::string text;
  if ((FitsAnsiCodePage(command) && FitsAnsiCodePage(commandLine)) || !InterpreterReadsUtf8()) {
    text = UninstallThenReinstallBatch(WideToAnsi(command), WideToAnsi(commandLine),
                                       AnsiFolder(folder) + "\\utrri.bat");
  } else {
    text =
        EncodeBatchText(Utf8ToUtf16(UninstallThenReinstallBatch(
                            WideToUtf8(command), WideToUtf8(commandLine), WideToUtf8(batchPath))),
                        true);
  }
  if (!WriteBatchFile(batchPath, text)) return false;
  return System().LaunchBatch(batchPath);
}

bool ScheduleSelfRemoval(const std::wstring& installDir, const std::wstring& uninstallSubdir) {
  wchar_t program[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
  if (length == 0 || length >= MAX_PATH * 4) return true;
  // Only the uninstaller in the product's uninstall folder removes itself: the same program
  // started from elsewhere with /u (an installer in a download folder) is the user's own file.
  const std::wstring running(program, length);
  const size_t slash = running.find_last_of(L"\\/");
  const std::wstring uninstallFolder =
      uninstallSubdir.empty() ? installDir : installDir + L"\\" + uninstallSubdir;
  if (slash == std::wstring::npos ||
      FolderKey(running.substr(0, slash)) != FolderKey(uninstallFolder)) {
    return true;
  }
  const std::wstring batchPath = SelfRemovalFolder() + L"\\delunins.bat";
  const std::u16string text =
      SelfRemovalBatch(AsU16(std::wstring_view(program, length)), AsU16(installDir),
                       AsU16(uninstallSubdir), AsU16(batchPath));
  if (!WriteBatchFile(batchPath, EncodeBatchText(text, InterpreterReadsUtf8()))) return true;
  System().LaunchBatch(batchPath);
  return false;
}

void StartNotificationRequest(const std::string& url, std::u16string_view version) {
  if (url.empty()) return;
  const std::string address = NotificationAddress(WideToUtf8(Widen(url)), Utf16ToUtf8(version));
  System().StartNotification(AsWide(Utf8ToUtf16(address)));
}

}  // namespace qs
