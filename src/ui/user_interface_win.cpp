#include "ui/user_interface_win.h"

#include <windows.h>

#include <memory>

#include "ui/recording_ui_win.h"
#include "ui/transcript_file_win.h"
#include "ui/win32_ui_win.h"

namespace qs {
namespace {

std::unique_ptr<UserInterface>& Current() {
  static std::unique_ptr<UserInterface> current;
  return current;
}

}  // namespace

void StartUserInterface() {
  if (!TranscriptPath().empty()) {
    Current() = std::make_unique<RecordingUserInterface>(LoadTranscriptAnswers());
  } else {
    Current() = std::make_unique<Win32UserInterface>();
  }
}

UserInterface& Ui() {
  if (!Current()) Current() = std::make_unique<Win32UserInterface>();
  return *Current();
}

std::unique_ptr<UserInterface> ReplaceUserInterface(std::unique_ptr<UserInterface> replacement) {
  std::unique_ptr<UserInterface> previous = std::move(Current());
  Current() = std::move(replacement);
  return previous;
}

std::wstring_view LanguageName(std::wstring_view line) {
  if (!line.empty() && line.front() == L'\t') line.remove_prefix(1);
  return line;
}

const char* PageKindName(PageKind kind) {
  switch (kind) {
    case PageKind::kLanguage:
      return "language";
    case PageKind::kGreeting:
      return "greeting";
    case PageKind::kLicense:
      return "license";
    case PageKind::kReadme:
      return "readme";
    case PageKind::kDirectory:
      return "directory";
    case PageKind::kStartMenu:
      return "startmenu";
    case PageKind::kSummary:
      return "summary";
    case PageKind::kMustUninstall:
      return "mustuninstall";
  }
  return "page";
}

int ButtonCount(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return 1;
    case MessageButtons::kOkCancel:
    case MessageButtons::kYesNo:
    case MessageButtons::kRetryCancel:
      return 2;
    case MessageButtons::kYesNoCancel:
    case MessageButtons::kAbortRetryIgnore:
      return 3;
  }
  return 1;
}

MessageAnswer AnswerOfButton(MessageButtons buttons, int position) {
  if (position < 0 || position >= ButtonCount(buttons)) position = 0;
  static constexpr MessageAnswer kOkCancel[] = {MessageAnswer::kOk, MessageAnswer::kCancel};
  static constexpr MessageAnswer kYesNoCancel[] = {MessageAnswer::kYes, MessageAnswer::kNo,
                                                   MessageAnswer::kCancel};
  static constexpr MessageAnswer kRetryCancel[] = {MessageAnswer::kRetry, MessageAnswer::kCancel};
  static constexpr MessageAnswer kAbortRetryIgnore[] = {
      MessageAnswer::kAbort, MessageAnswer::kRetry, MessageAnswer::kIgnore};
  switch (buttons) {
    case MessageButtons::kOk:
    case MessageButtons::kOkCancel:
      return kOkCancel[position];
    case MessageButtons::kYesNo:
    case MessageButtons::kYesNoCancel:
      return kYesNoCancel[position];
    case MessageButtons::kRetryCancel:
      return kRetryCancel[position];
    case MessageButtons::kAbortRetryIgnore:
      return kAbortRetryIgnore[position];
  }
  return MessageAnswer::kOk;
}

}  // namespace qs
