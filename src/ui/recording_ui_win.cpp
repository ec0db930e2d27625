#include "ui/recording_ui_win.h"

#include <windows.h>

#include "base/handle_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "ui/transcript_file_win.h"
#include "ui/transcript_format.h"

namespace qs {

const char* MessageIconName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kNone:
      return "none";
    case MessageIcon::kError:
      return "error";
    case MessageIcon::kWarning:
      return "warning";
    case MessageIcon::kInformation:
      return "information";
    case MessageIcon::kQuestion:
      return "question";
  }
  return "none";
}

const char* MessageButtonsName(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return "ok";
    case MessageButtons::kOkCancel:
      return "okcancel";
    case MessageButtons::kYesNo:
      return "yesno";
    case MessageButtons::kYesNoCancel:
      return "yesnocancel";
    case MessageButtons::kRetryCancel:
      return "retrycancel";
    case MessageButtons::kAbortRetryIgnore:
      return "abortretryignore";
  }
  return "ok";
}

const char* MessageAnswerName(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::kOk:
      return "ok";
    case MessageAnswer::kCancel:
      return "cancel";
    case MessageAnswer::kYes:
      return "yes";
    case MessageAnswer::kNo:
      return "no";
    case MessageAnswer::kRetry:
      return "retry";
    case MessageAnswer::kIgnore:
      return "ignore";
    case MessageAnswer::kAbort:
      return "abort";
  }
  return "ok";
}

RecordingUserInterface::RecordingUserInterface(std::wstring transcriptPath,
                                               std::vector<std::string> answers)
    : transcriptPath_(std::move(transcriptPath)), answers_(std::move(answers)) {}

MessageAnswer RecordingUserInterface::ShowMessageBox(const MessageRequest& request) {
  MessageAnswer answer = Answer(request);
  Append("message",
         {MessageIconName(request.icon), MessageButtonsName(request.buttons),
          WideToUtf8(request.caption), WideToUtf8(request.text), MessageAnswerName(answer)});
  return answer;
}

// A box with one button asks nothing and takes no answer. A question takes the next answer of
// the file; an answer that names none of its buttons, or no answer left, gives the default
// button, and the transcript shows the answer actually used.
MessageAnswer RecordingUserInterface::Answer(const MessageRequest& request) {
  MessageAnswer fallback = AnswerOfButton(request.buttons, request.defaultButton);
  int count = ButtonCount(request.buttons);
  if (count < 2 || nextAnswer_ >= answers_.size()) return fallback;
  const std::string& given = answers_[nextAnswer_++];
  for (int position = 0; position < count; ++position) {
    MessageAnswer candidate = AnswerOfButton(request.buttons, position);
    if (EqualsIgnoreAsciiCase(given, MessageAnswerName(candidate))) return candidate;
  }
  return fallback;
}

void RecordingUserInterface::SetProgress(int percent) {
  Append("progress", {std::to_string(percent)});
}

void RecordingUserInterface::ShowProgressText(std::wstring_view text) {
  Append("status", {WideToUtf8(text)});
}

void RecordingUserInterface::ShowCurrentItem(std::wstring_view text) {
  Append("item", {WideToUtf8(text)});
}

void RecordingUserInterface::Append(std::string_view kind, const std::vector<std::string>& fields) {
  AppendTranscriptRecord(kind, fields);
}

}  // namespace qs
