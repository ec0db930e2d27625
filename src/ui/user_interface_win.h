#pragma once
// Everything the program shows goes through one UserInterface: the real windows, or, for
// tests, a recording that writes each call to a transcript and answers questions from a file.
#include <string>
#include <string_view>

namespace qs {

enum class MessageIcon { kNone, kError, kWarning, kInformation, kQuestion };

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel, kRetryCancel, kAbortRetryIgnore };

enum class MessageAnswer { kOk, kCancel, kYes, kNo, kRetry, kIgnore, kAbort };

struct MessageRequest {
  std::wstring_view caption;
  std::wstring_view text;
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOk;
  int defaultButton = 0;  // position among the buttons, from 0
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A modal message box; returns the button chosen.
  virtual MessageAnswer ShowMessageBox(const MessageRequest& request) = 0;

  // The progress page's bar (0-100), status line and item line. Without a progress page they
  // show nothing.
  virtual void SetProgress(int percent) = 0;
  virtual void ShowProgressText(std::wstring_view text) = 0;
  virtual void ShowCurrentItem(std::wstring_view text) = 0;
};

// Picks the implementation once, early at start-up: the recording one when the transcript
// variable is set, the real one otherwise. Before that, Ui() is the real one.
void StartUserInterface();
UserInterface& Ui();

// The buttons of a box in their order, and the answer of the button at `position` (the first
// button for a position out of range).
int ButtonCount(MessageButtons buttons);
MessageAnswer AnswerOfButton(MessageButtons buttons, int position);

}  // namespace qs
