#include "integration/component_unregistration_win.h"

#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include "base/file_redirection_win.h"
#include "base/handle_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "core/step_timing_win.h"
#include "integration/shell_folders_win.h"

namespace qs {
namespace {

using DllUnregisterServerFunction = HRESULT(STDAPICALLTYPE*)();
using LoadTypeLibExFunction = HRESULT(STDAPICALLTYPE*)(LPCOLESTR, REGKIND, ITypeLib**);
using UnRegisterTypeLibFunction = HRESULT(STDAPICALLTYPE*)(REFGUID, WORD, WORD, LCID, SYSKIND);

enum class InProcessResult { kNotLoaded, kFailed, kDone };

// The server's own DllUnregisterServer, in this process. The file is loaded by its full path,
// and its dependencies are looked up in its own folder first, as regsvr32 does.
InProcessResult UnregisterInProcess(const std::wstring& path, DWORD& loadError) {
  UniqueModule module(::LoadLibraryExW(Redirected(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module) {
    loadError = ::GetLastError();
    return InProcessResult::kNotLoaded;
  }
  auto unregister = LibraryFunction<DllUnregisterServerFunction>(module, "DllUnregisterServer");
  if (unregister == nullptr) return InProcessResult::kFailed;
  return SUCCEEDED(unregister()) ? InProcessResult::kDone : InProcessResult::kFailed;
}

enum class Regsvr32Result { kNotStarted, kFailed, kDone };

// "regsvr32.exe /s /u" of `server` by `program`, hidden, with `folder` as its current folder.
// The window messages keep running while it works.
Regsvr32Result RunRegsvr32(const std::wstring& program, const std::wstring& folder,
                           const std::wstring& server) {
  std::wstring command = L"regsvr32.exe /s /u \"" + server + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
    return Regsvr32Result::kNotStarted;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  HANDLE waited = processHandle.Get();
  for (;;) {
    const DWORD woken = ::MsgWaitForMultipleObjects(1, &waited, FALSE, 75, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) break;
    if (woken == WAIT_FAILED) {
      ::WaitForSingleObject(waited, INFINITE);
      break;
    }
    PumpMessages();
  }
  DWORD exitCode = 1;
  return ::GetExitCodeProcess(waited, &exitCode) && exitCode == 0 ? Regsvr32Result::kDone
                                                                  : Regsvr32Result::kFailed;
}

// The regsvr32 of the system folder, started by its full path so that no other regsvr32.exe
// is found first. For a 64-bit product the run has switched file-system redirection off, so
// the system folder is the 64-bit one; otherwise the 32-bit program reaches the 32-bit one,
// which is redirected itself and takes the server's path as the run names it.
//
// The 64-bit program starts that same 32-bit regsvr32 for a server of the other kind (a 32-bit
// DLL), the one case where it matters. Any other server it could not load either (a missing or
// damaged file) goes to the system's own regsvr32 with the server's real place: that one fails
// the same way, and exists on machines without 32-bit support too.
bool UnregisterThroughRegsvr32(const std::wstring& path, DWORD loadError) {
  const std::wstring folder = SystemDir();
  if (folder.empty()) return false;
  std::wstring program = folder;
  if (program.back() != L'\\') program += L'\\';
  program += L"regsvr32.exe";
  const std::wstring redirected = FileSystemPath(program);
  if (loadError == ERROR_BAD_EXE_FORMAT && redirected != program) {
    const Regsvr32Result result = RunRegsvr32(redirected, FileSystemPath(folder), path);
    if (result != Regsvr32Result::kNotStarted) return result == Regsvr32Result::kDone;
  }
  return RunRegsvr32(program, folder, FileSystemPath(path)) == Regsvr32Result::kDone;
}

}  // namespace

bool UnregisterComServer(const std::wstring& widePath, bool product64) {
  DWORD loadError = 0;
  if (!product64) {
    const InProcessResult result = UnregisterInProcess(widePath, loadError);
    if (result != InProcessResult::kNotLoaded) return result == InProcessResult::kDone;
    // A server this process cannot load (a 64-bit DLL in a 32-bit product for the 32-bit
    // program, a 32-bit one for the 64-bit program) is left to regsvr32, which hands a DLL of
    // the other kind on to its other self.
  }
  return UnregisterThroughRegsvr32(widePath, loadError);
}

bool UnregisterTypeLibrary(const std::wstring& path) {
  UniqueModule oleaut = LoadSystemLibrary(L"oleaut32.dll");
  auto load = LibraryFunction<LoadTypeLibExFunction>(oleaut, "LoadTypeLibEx");
  auto unregister = LibraryFunction<UnRegisterTypeLibFunction>(oleaut, "UnRegisterTypeLib");
  if (load == nullptr || unregister == nullptr) return false;
  // LoadTypeLib would register a library it loads from a file as a side effect; loading it
  // without registering leaves only the unregistration to be done.
  ITypeLib* library = nullptr;
  if (FAILED(load(Redirected(path), REGKIND_NONE, &library)) || library == nullptr) {
    return false;
  }
  bool unregistered = false;
  TLIBATTR* attributes = nullptr;
  if (SUCCEEDED(library->GetLibAttr(&attributes)) && attributes != nullptr) {
    unregistered =
        SUCCEEDED(unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                             attributes->lcid, attributes->syskind));
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
  return unregistered;
}

}  // namespace qs
