#include "ui/win32_ui_win.h"

#include <windows.h>

#include <string>

#include "core/installer_state_win.h"
#include "ui/background_window_win.h"

namespace qs {
namespace {

// The window a message box belongs to: the active window of this thread (a wizard page),
// else the background window, else none.
HWND CurrentTopWindow() {
  HWND active = ::GetActiveWindow();
  if (active != nullptr) return active;
  HWND background = GetInstallerState().backgroundWindow;
  return ::IsWindow(background) ? background : nullptr;
}

UINT IconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kNone:
      return 0;
    case MessageIcon::kError:
      return MB_ICONERROR;
    case MessageIcon::kWarning:
      return MB_ICONWARNING;
    case MessageIcon::kInformation:
      return MB_ICONINFORMATION;
    case MessageIcon::kQuestion:
      return MB_ICONQUESTION;
  }
  return 0;
}

UINT ButtonStyle(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return MB_OK;
    case MessageButtons::kOkCancel:
      return MB_OKCANCEL;
    case MessageButtons::kYesNo:
      return MB_YESNO;
    case MessageButtons::kYesNoCancel:
      return MB_YESNOCANCEL;
    case MessageButtons::kRetryCancel:
      return MB_RETRYCANCEL;
    case MessageButtons::kAbortRetryIgnore:
      return MB_ABORTRETRYIGNORE;
  }
  return MB_OK;
}

UINT DefaultButtonStyle(int position) {
  switch (position) {
    case 1:
      return MB_DEFBUTTON2;
    case 2:
      return MB_DEFBUTTON3;
    default:
      return MB_DEFBUTTON1;
  }
}

MessageAnswer AnswerOfId(int id, const MessageRequest& request) {
  switch (id) {
    case IDOK:
      return MessageAnswer::kOk;
    case IDCANCEL:
      return MessageAnswer::kCancel;
    case IDYES:
      return MessageAnswer::kYes;
    case IDNO:
      return MessageAnswer::kNo;
    case IDRETRY:
      return MessageAnswer::kRetry;
    case IDIGNORE:
      return MessageAnswer::kIgnore;
    case IDABORT:
      return MessageAnswer::kAbort;
    default:
      // The box could not be shown: the question takes its default.
      return request.unshownAnswer.value_or(AnswerOfButton(request.buttons, request.defaultButton));
  }
}

// Centres the box on the work area of the owner's monitor, so that it never lands on a
// minimised or off-screen owner. The hook lives only while the box opens; message boxes come from
// the main thread only.
HHOOK positionHook = nullptr;

LRESULT CALLBACK PositionMessageBox(int code, WPARAM wParam, LPARAM lParam) {
  HHOOK hook = positionHook;
  if (code == HCBT_ACTIVATE) {
    auto box = reinterpret_cast<HWND>(wParam);
    HWND owner = ::GetWindow(box, GW_OWNER);
    HMONITOR monitor =
        ::MonitorFromWindow(owner != nullptr ? owner : box, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    RECT boxRect;
    if (::GetMonitorInfoW(monitor, &info) && ::GetWindowRect(box, &boxRect)) {
      const RECT& area = info.rcWork;
      int width = boxRect.right - boxRect.left;
      int height = boxRect.bottom - boxRect.top;
      int x = area.left + ((area.right - area.left) - width) / 2;
      int y = area.top + ((area.bottom - area.top) - height) / 2;
      ::SetWindowPos(box, nullptr, x < area.left ? area.left : x, y < area.top ? area.top : y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::UnhookWindowsHookEx(hook);
    positionHook = nullptr;
    return 0;
  }
  return ::CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

MessageAnswer Win32UserInterface::ShowMessageBox(const MessageRequest& request) {
  HWND owner = CurrentTopWindow();
  UINT style = IconStyle(request.icon) | ButtonStyle(request.buttons) |
               DefaultButtonStyle(request.defaultButton) | MB_SETFOREGROUND;
  if (owner == nullptr) style |= MB_TASKMODAL;
  std::wstring caption(request.caption);
  std::wstring text(request.text);

  ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW, in any build
  if (positionHook == nullptr) {
    positionHook = ::SetWindowsHookExW(WH_CBT, PositionMessageBox, nullptr, ::GetCurrentThreadId());
  }
  int id = ::MessageBoxW(owner, text.c_str(), caption.c_str(), style);
  if (positionHook != nullptr) {
    ::UnhookWindowsHookEx(positionHook);
    positionHook = nullptr;
  }
  return AnswerOfId(id, request);
}

PageResult Win32UserInterface::ShowPage(const PageRequest& request) {
  PageResult result;
  result.selection = request.selection;
  result.value = request.value;
  std::wstring text = request.text;
  auto addDetail = [&text](std::wstring_view detail) {
    if (detail.empty()) return;
    if (!text.empty()) text += L"\r\n\r\n";
    text += detail;
  };
  MessageButtons buttons = MessageButtons::kOkCancel;
  switch (request.kind) {
    case PageKind::kLanguage:
      if (request.selection < request.lines.size()) {
        addDetail(LanguageName(request.lines[request.selection]));
      }
      break;
    case PageKind::kLicense:
    case PageKind::kReadme:
      addDetail(request.document);
      break;
    case PageKind::kDirectory:
    case PageKind::kStartMenu:
      addDetail(request.value);
      break;
    case PageKind::kSummary:
      buttons = MessageButtons::kOk;
      break;
    case PageKind::kGreeting:
    case PageKind::kMustUninstall:
      break;
  }
  std::wstring caption = request.caption.empty() ? request.title : request.caption;
  MessageAnswer answer =
      ShowMessageBox({caption, text, MessageIcon::kNone, buttons, 0, std::nullopt});
  result.accepted = answer == MessageAnswer::kOk;
  return result;
}

void Win32UserInterface::ShowBackground(const BackgroundSettings& settings, bool minimised) {
  if (GetInstallerState().backgroundWindow == nullptr) {
    OpenBackgroundWindow(settings, minimised);
  } else {
    UpdateBackgroundWindow(settings);
  }
}

}  // namespace qs
