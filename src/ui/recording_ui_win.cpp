#include "ui/recording_ui_win.h"

#include "base/text.h"
#include "base/text_win.h"
#include "ui/background_layout.h"
#include "ui/background_picture.h"
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

RecordingUserInterface::RecordingUserInterface(std::vector<std::string> answers)
    : answers_(std::move(answers)) {}

MessageAnswer RecordingUserInterface::ShowMessageBox(const MessageRequest& request) {
  MessageAnswer answer = Answer(request);
  AppendTranscriptRecord("message",
                         {MessageIconName(request.icon), MessageButtonsName(request.buttons),
                          request.caption, request.text, MessageAnswerName(answer)});
  return answer;
}

// A box with one button asks nothing and takes no answer. A question takes the next answer of
// the file; an answer that names none of its buttons, or no answer left, gives the default
// button, and the transcript shows the answer actually used. "unshown" stands for a box the
// system could not show.
MessageAnswer RecordingUserInterface::Answer(const MessageRequest& request) {
  MessageAnswer fallback = AnswerOfButton(request.buttons, request.defaultButton);
  int count = ButtonCount(request.buttons);
  if (count < 2 || nextAnswer_ >= answers_.size()) return fallback;
  const std::string& given = answers_[nextAnswer_++];
  if (given == "unshown") return request.unshownAnswer.value_or(fallback);
  for (int position = 0; position < count; ++position) {
    MessageAnswer candidate = AnswerOfButton(request.buttons, position);
    if (EqualsIgnoreAsciiCase(given, MessageAnswerName(candidate))) return candidate;
  }
  return fallback;
}

// A page takes the next answer line: "next", "ok" or "cancel", optionally followed by one blank
// and a value: the folder typed (directory, Start Menu), the language's name or line number
// (language), the boxes checked (summary, "launch,log"). A line that is no page answer, or no
// line left, leaves the page as it opened and ends it with Next.
PageResult RecordingUserInterface::AnswerPage(const PageRequest& request, std::string& answerWord) {
  PageResult result;
  result.accepted = true;
  result.selection = request.selection;
  result.value = request.value;
  answerWord = "next";
  if (nextAnswer_ >= answers_.size()) return result;
  const PageAnswer answer = ParsePageAnswer(answers_[nextAnswer_++]);
  if (answer.cancel) {
    result.accepted = false;
    answerWord = "cancel";
    return result;
  }
  if (!answer.value) return result;
  const std::string& value = *answer.value;
  switch (request.kind) {
    case PageKind::kDirectory:
    case PageKind::kStartMenu:
      result.value = std::wstring(AsWide(Utf8ToUtf16(value)));
      break;
    case PageKind::kLanguage: {
      std::vector<std::string> names(request.lines.size());
      for (size_t i = 0; i < names.size(); ++i)
        names[i] = WideToUtf8(LanguageName(request.lines[i]));
      result.selection = PickLanguageLine(names, value, result.selection);
      break;
    }
    case PageKind::kSummary:
      result.finishChoices = ParseFinishChoiceNames(value) & request.finishBoxes;
      break;
    default:
      break;
  }
  return result;
}

// page <TAB> kind <TAB> caption <TAB> title <TAB> text <TAB> detail <TAB> answer <TAB> result
// The detail is what the page shows besides its text: the language selected first, the
// document, the edit field, or the summary boxes shown. The result is the language chosen, the
// folder taken or the boxes checked.
PageResult RecordingUserInterface::ShowPage(const PageRequest& request) {
  std::string answerWord;
  PageResult result = AnswerPage(request, answerWord);
  std::string detail;
  std::string outcome;
  switch (request.kind) {
    case PageKind::kLanguage:
      if (request.selection < request.lines.size()) {
        detail = WideToUtf8(LanguageName(request.lines[request.selection]));
      }
      if (result.selection < request.lines.size()) {
        outcome = WideToUtf8(LanguageName(request.lines[result.selection]));
      }
      break;
    case PageKind::kLicense:
    case PageKind::kReadme:
      detail = WideToUtf8(request.document);
      break;
    case PageKind::kDirectory:
    case PageKind::kStartMenu:
      detail = WideToUtf8(request.value);
      outcome = WideToUtf8(result.value);
      break;
    case PageKind::kSummary:
      detail = FinishChoiceNames(request.finishBoxes);
      outcome = FinishChoiceNames(result.finishChoices);
      break;
    case PageKind::kGreeting:
    case PageKind::kMustUninstall:
      break;
  }
  AppendTranscriptRecord("page", {PageKindName(request.kind), request.caption, request.title,
                                  request.text, detail, answerWord, outcome});
  return result;
}

void RecordingUserInterface::OpenProgressPage(const ProgressPageRequest& request) {
  AppendTranscriptRecord("progresspage", {"open", request.caption, request.title, request.heading});
  progressPageOpen_ = true;
}

void RecordingUserInterface::CloseProgressPage() {
  if (!progressPageOpen_) return;
  AppendTranscriptRecord("progresspage", {"close"});
  progressPageOpen_ = false;
}

void RecordingUserInterface::SetProgress(int percent) {
  AppendTranscriptRecord("progress", {std::to_string(percent)});
}

void RecordingUserInterface::ShowProgressText(std::wstring_view text) {
  AppendTranscriptRecord("status", {text});
}

void RecordingUserInterface::ShowCurrentItem(std::wstring_view text) {
  AppendTranscriptRecord("item", {text});
}

// "background", then "open" for the first call and "again" for later ones, the caption, the
// title, the copyright line, the picture as the window would draw it ("none" or its width x
// height) and how the window would be shown.
void RecordingUserInterface::ShowBackground(const BackgroundSettings& settings, bool minimised) {
  const BackgroundPicture picture = DecodeBackgroundPicture(settings.picture, settings.BitmapTPI);
  const std::string pictureField =
      picture.width > 0 && settings.BitmapSize > 0
          ? std::to_string(picture.width) + "x" + std::to_string(picture.height)
          : "none";
  const char* shown = minimised ? "minimised" : settings.fullScreen ? "maximised" : "normal";
  AppendTranscriptRecord(
      "background", {backgroundOpen_ ? "again" : "open", std::wstring(AsWide(settings.TaskbarText)),
                     std::wstring(AsWide(settings.DisplayTitle)),
                     std::wstring(AsWide(settings.CopyrightText)), pictureField, shown});
  backgroundOpen_ = true;
}

}  // namespace qs
