#pragma once
// The user interface of test runs: every call becomes one transcript record, appended to the
// file named by QUILLONET_TRANSCRIPT, and questions are answered from QUILLONET_ANSWERS.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/user_interface_win.h"

namespace qs {

class RecordingUserInterface : public UserInterface {
 public:
  explicit RecordingUserInterface(std::vector<std::string> answers);

  MessageAnswer ShowMessageBox(const MessageRequest& request) override;
  PageResult ShowPage(const PageRequest& request) override;
  void OpenProgressPage(const ProgressPageRequest& request) override;
  void CloseProgressPage() override;
  void SetProgress(int percent) override;
  void ShowProgressText(std::wstring_view text) override;
  void ShowCurrentItem(std::wstring_view text) override;
  // Recorded, not shown: a window over the whole desktop would cover every test's pages.
  void ShowBackground(const BackgroundSettings& settings, bool minimised) override;

 private:
  MessageAnswer Answer(const MessageRequest& request);
  PageResult AnswerPage(const PageRequest& request, std::string& answerWord);

  std::vector<std::string> answers_;
  size_t nextAnswer_ = 0;
  bool progressPageOpen_ = false;
  bool backgroundOpen_ = false;
};

// Transcript names of icons, button sets and answers.
const char* MessageIconName(MessageIcon icon);
const char* MessageButtonsName(MessageButtons buttons);
const char* MessageAnswerName(MessageAnswer answer);

}  // namespace qs
