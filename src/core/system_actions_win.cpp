#include "core/system_actions_win.h"

#include <process.h>
#include <shellapi.h>
#include <windows.h>
#include <wininet.h>

#include <memory>
#include <string>
#include <utility>

#include "base/file_redirection_win.h"
#include "base/file_win.h"
#include "base/handle_win.h"
#include "base/privilege_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "core/installer_state_win.h"
#include "core/system_actions_factory_win.h"
#include "core/target_path.h"
#include "files/os_name_win.h"
#include "integration/path_variables_win.h"
#include "integration/shell_folders_win.h"
#include "ui/transcript_file_win.h"

namespace qs {
namespace {

DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = ::GetLastError();
  return error != 0 ? error : fallback;
}

const wchar_t* OrNull(const std::wstring& text) {
  return text.empty() ? nullptr : text.c_str();
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t end = path.find_last_of(L"\\/");
  if (end == std::wstring::npos) return {};
  // A file in the root keeps the root's backslash ("C:\").
  return path.substr(0, end == 0 || path[end - 1] == L':' ? end + 1 : end);
}

// Asked unmapped: the 64-bit program runs the system's own interpreter, as a machine without
// 32-bit support has no other.
bool IsExistingFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// %comspec% when it names a file; else the system's own interpreter.
std::wstring CommandInterpreter() {
  const std::wstring comspec = ExpandEnvironment(L"%comspec%");
  if (comspec != L"%comspec%" && IsExistingFile(comspec)) return comspec;
  if (RunningSystem().platform != OsPlatform::kWindowsNt) {
    return std::wstring(AsWide(JoinPath(AsU16(WinDir()), u"command.com")));
  }
  return std::wstring(AsWide(JoinPath(AsU16(SystemDir()), u"cmd.exe")));
}

// The batch as the interpreter's argument: its short path, which has no spaces. Where the
// volume keeps no short names the long path comes back, and it is quoted when it needs to be.
// The interpreter sees no redirection of ours, so it is told where the batch really is.
std::wstring BatchArgument(const std::wstring& path) {
  std::wstring argument = FileSystemPath(path);
  const DWORD needed = ::GetShortPathNameW(argument.c_str(), nullptr, 0);
  if (needed != 0) {
    std::wstring shortPath(needed, L'\0');
    const DWORD length = ::GetShortPathNameW(argument.c_str(), shortPath.data(), needed);
    if (length != 0 && length < needed) argument.assign(shortPath, 0, length);
  }
  if (argument.find(L' ') != std::wstring::npos) argument = L"\"" + argument + L"\"";
  return argument;
}

// The system error of a ShellExecute result of 32 or below.
DWORD ShellResultError(INT_PTR result) {
  switch (result) {
    case 0:
    case SE_ERR_OOM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SE_ERR_FNF:
      return ERROR_FILE_NOT_FOUND;
    case SE_ERR_PNF:
      return ERROR_PATH_NOT_FOUND;
    case SE_ERR_ACCESSDENIED:
      return ERROR_ACCESS_DENIED;
    case ERROR_BAD_FORMAT:
      return ERROR_BAD_FORMAT;
    case SE_ERR_SHARE:
      return ERROR_SHARING_VIOLATION;
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC:
      return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY:
      return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND:
      return ERROR_DLL_NOT_FOUND;
  }
  return ERROR_GEN_FAILURE;
}

// The shell's "open" verb on `file`: 0, or the system error.
DWORD ShellOpen(const std::wstring& file, const std::wstring& folder, int show) {
  static UniqueModule shell32;  // loaded once, by the main thread
  if (!shell32) shell32 = LoadSystemLibrary(L"shell32.dll");
  const auto shellExecute = LibraryFunction<decltype(&::ShellExecuteW)>(shell32, "ShellExecuteW");
  if (shellExecute == nullptr) return LastErrorOr(ERROR_PROC_NOT_FOUND);
  const std::wstring place = FileSystemProgramPath(file);
  const std::wstring directory = FileSystemPath(folder);
  const auto result = reinterpret_cast<INT_PTR>(
      shellExecute(nullptr, L"open", place.c_str(), nullptr, OrNull(directory), show));
  return result > 32 ? 0 : ShellResultError(result);
}

// ---- The notification request ----

// WinInet handles close with the library's own function.
class InternetHandle {
 public:
  using Close = decltype(&::InternetCloseHandle);
  InternetHandle(HINTERNET handle, Close close) : handle_(handle), close_(close) {}
  ~InternetHandle() {
    if (handle_ != nullptr) close_(handle_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;

  HINTERNET Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
  Close close_;
};

struct WinInet {
  decltype(&::InternetOpenW) open = nullptr;
  decltype(&::InternetSetOptionW) setOption = nullptr;
  decltype(&::InternetOpenUrlW) openUrl = nullptr;
  decltype(&::InternetCloseHandle) close = nullptr;
};

// The library stays loaded for the rest of the process: the request thread uses it until
// ExitInstaller has waited for it.
bool LoadWinInet(WinInet& functions) {
  static UniqueModule wininet;  // loaded once, by the main thread
  if (!wininet) wininet = LoadSystemLibrary(L"wininet.dll");
  functions.open = LibraryFunction<decltype(functions.open)>(wininet, "InternetOpenW");
  functions.setOption =
      LibraryFunction<decltype(functions.setOption)>(wininet, "InternetSetOptionW");
  functions.openUrl = LibraryFunction<decltype(functions.openUrl)>(wininet, "InternetOpenUrlW");
  functions.close = LibraryFunction<decltype(functions.close)>(wininet, "InternetCloseHandle");
  return functions.open != nullptr && functions.setOption != nullptr &&
         functions.openUrl != nullptr && functions.close != nullptr;
}

struct NotificationRequest {
  WinInet functions;
  std::wstring url;
};

// The process waits for this thread before it ends, so a server that never answers must not
// hold it for long: every stage of the request gives up after this many milliseconds.
constexpr DWORD kNotificationTimeoutMs = 30000;

unsigned __stdcall RequestNotification(void* parameter) {
  std::unique_ptr<NotificationRequest> request(static_cast<NotificationRequest*>(parameter));
  const WinInet& f = request->functions;
  InternetHandle session(f.open(kInstallerTitle, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0),
                         f.close);
  if (!session) return 0;
  DWORD timeout = kNotificationTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    f.setOption(session.Get(), option, &timeout, sizeof timeout);
  }
  // The answer is of no interest: the request is made and its handle closed.
  InternetHandle answer(f.openUrl(session.Get(), request->url.c_str(), nullptr, 0,
                                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_RELOAD |
                                      INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE,
                                  0),
                        f.close);
  return 0;
}

// ---- The implementations ----

class RealSystemActions : public SystemActions {
 public:
  bool Restart() override {
    EnablePrivilege(SE_SHUTDOWN_NAME);  // without it the call below says why
    return ::ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION |
                                           SHTDN_REASON_MINOR_INSTALLATION |
                                           SHTDN_REASON_FLAG_PLANNED) != FALSE;
  }

  DWORD StartProgram(std::wstring_view commandLine, std::wstring_view folder) override {
    std::wstring command = FileSystemCommandLine(commandLine);  // CreateProcessW may write into it
    const std::wstring directory = FileSystemPath(folder);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          OrNull(directory), &startup, &process)) {
      return LastErrorOr(ERROR_GEN_FAILURE);
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    return 0;
  }

  DWORD OpenThroughShell(std::wstring_view path, std::wstring_view folder) override {
    return ShellOpen(std::wstring(path), std::wstring(folder), SW_SHOWNORMAL);
  }

  // The batch runs in its own folder, so that the interpreter holds no folder the batch may
  // want to remove.
  bool LaunchBatch(std::wstring_view batchPath) override {
    const std::wstring path(batchPath);
    const std::wstring folder = FolderOf(path);
    const std::wstring directory = FileSystemPath(folder);
    std::wstring command = L"\"" + CommandInterpreter() + L"\" /c " + BatchArgument(path);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                         nullptr, OrNull(directory), &startup, &process)) {
      UniqueHandle processHandle(process.hProcess);
      UniqueHandle threadHandle(process.hThread);
      return true;
    }
    return ShellOpen(path, folder, SW_HIDE) == 0;
  }

  // One request per run: a second call while the first thread exists is ignored.
  void StartNotification(std::wstring_view url) override {
    InstallerState& state = GetInstallerState();
    if (url.empty() || state.notifierThread) return;
    auto request = std::make_unique<NotificationRequest>();
    if (!LoadWinInet(request->functions)) return;
    request->url.assign(url);
    const uintptr_t thread =
        ::_beginthreadex(nullptr, 0, RequestNotification, request.get(), 0, nullptr);
    if (thread == 0) return;
    request.release();  // the thread owns it now
    state.notifierThread.Reset(reinterpret_cast<HANDLE>(thread));
  }
};

// Batches are a few lines; anything larger is recorded empty.
constexpr uint64_t kRecordedBatchLimit = 1 << 20;

class RecordingSystemActions : public SystemActions {
 public:
  bool Restart() override {
    AppendTranscriptRecord("restart", {});
    return true;
  }

  DWORD StartProgram(std::wstring_view commandLine, std::wstring_view folder) override {
    AppendTranscriptRecord("start", {commandLine, folder});
    return 0;
  }

  DWORD OpenThroughShell(std::wstring_view path, std::wstring_view folder) override {
    AppendTranscriptRecord("open", {path, folder});
    return 0;
  }

  // The batch's bytes as written: the test sees the encoding the interpreter would get.
  bool LaunchBatch(std::wstring_view batchPath) override {
    const std::wstring path(batchPath);
    std::string content;
    if (!ReadWholeFile(path, content, kRecordedBatchLimit)) content.clear();
    AppendTranscriptRecord("batch", {path, content});
    return true;
  }

  // As the real one, an empty address requests nothing.
  void StartNotification(std::wstring_view url) override {
    if (!url.empty()) AppendTranscriptRecord("notify", {url});
  }
};

std::unique_ptr<SystemActions>& Current() {
  static std::unique_ptr<SystemActions> current;
  return current;
}

}  // namespace

std::unique_ptr<SystemActions> MakeRealSystemActions() {
  return std::make_unique<RealSystemActions>();
}

std::unique_ptr<SystemActions> MakeRecordingSystemActions() {
  return std::make_unique<RecordingSystemActions>();
}

void StartSystemActions() {
  Current() = TranscriptPath().empty() ? MakeRealSystemActions() : MakeRecordingSystemActions();
}

SystemActions& System() {
  if (!Current()) StartSystemActions();
  return *Current();
}

}  // namespace qs
