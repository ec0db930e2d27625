#pragma once
// Everything the program shows goes through one UserInterface: the real windows, or, for
// tests, a recording that writes each call to a transcript and answers questions from a file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

struct BackgroundSettings;  // ui/background_layout.h

enum class MessageIcon { kNone, kError, kWarning, kInformation, kQuestion };

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel, kRetryCancel, kAbortRetryIgnore };

enum class MessageAnswer { kOk, kCancel, kYes, kNo, kRetry, kIgnore, kAbort };

struct MessageRequest {
  std::wstring_view caption;
  std::wstring_view text;
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOk;
  int defaultButton = 0;  // position among the buttons, from 0
  // What a box that cannot be shown answers; without it, the default button.
  std::optional<MessageAnswer> unshownAnswer;
};

// The wizard pages. Each ends with Next (or OK) or Cancel; there is no Back.
enum class PageKind {
  kLanguage,
  kGreeting,
  kLicense,
  kReadme,
  kDirectory,
  kStartMenu,
  kSummary,
  kMustUninstall,
};

struct PageRequest {
  PageKind kind = PageKind::kGreeting;
  uint32_t layout = 0;              // 0, 1 or 2: the page's frame (dialogLayouts)
  std::wstring caption;             // the window caption
  std::wstring title;               // the page title
  std::wstring text;                // the page's message
  std::wstring document;            // licence and readme pages: the document, decoded
  std::vector<std::wstring> lines;  // language page: one line per language ("\tName")
  size_t selection = 0;             // language page: the line selected first
  std::wstring value;               // directory and Start Menu pages: the edit field
  uint32_t finishBoxes = 0;         // summary page: the FinishChoice boxes shown
};

struct PageResult {
  bool accepted = false;       // Next / OK; false is Cancel (or the window closed)
  size_t selection = 0;        // language page: the line chosen
  std::wstring value;          // directory and Start Menu pages: the edit field as left
  uint32_t finishChoices = 0;  // summary page: the boxes checked
};

// The modeless progress page's texts.
struct ProgressPageRequest {
  uint32_t layout = 0;
  std::wstring caption;
  std::wstring title;
  std::wstring heading;
  bool cancelEnabled = true;
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A modal message box; returns the button chosen.
  virtual MessageAnswer ShowMessageBox(const MessageRequest& request) = 0;

  // A modal wizard page; returns how it ended.
  virtual PageResult ShowPage(const PageRequest& request) = 0;

  // Opens the modeless progress page; it stays until CloseProgressPage or the end of the run.
  virtual void OpenProgressPage(const ProgressPageRequest& request) = 0;
  // Closes the progress page when one is open, and does nothing otherwise: ExitInstaller calls
  // it on every way out.
  virtual void CloseProgressPage() = 0;

  // The progress page's bar (0-100), status line and item line. Without a progress page they
  // show nothing.
  virtual void SetProgress(int percent) = 0;
  virtual void ShowProgressText(std::wstring_view text) = 0;
  virtual void ShowCurrentItem(std::wstring_view text) = 0;

  // The background window behind the pages: opened at the first call (minimised with
  // `minimised`), shown again with the settings of a later call. It stays until the end of
  // the run.
  virtual void ShowBackground(const BackgroundSettings& settings, bool minimised) = 0;
};

// Picks the implementation once, early at start-up: the recording one when the transcript
// variable is set, the real one otherwise. Before that, Ui() is the real one.
void StartUserInterface();
UserInterface& Ui();
// Puts `replacement` in place of the current one and returns that one, for tests that run the
// program's code in their own process and answer its questions themselves.
std::unique_ptr<UserInterface> ReplaceUserInterface(std::unique_ptr<UserInterface> replacement);

// A language page line as the user reads it: without its leading tab.
std::wstring_view LanguageName(std::wstring_view line);

// Transcript name of a page kind ("language", "greeting", ...).
const char* PageKindName(PageKind kind);

// The buttons of a box in their order, and the answer of the button at `position` (the first
// button for a position out of range).
int ButtonCount(MessageButtons buttons);
MessageAnswer AnswerOfButton(MessageButtons buttons, int position);

}  // namespace qs
