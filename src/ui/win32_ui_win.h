#pragma once
// The user interface of a normal run: real message boxes.
#include "ui/user_interface_win.h"

namespace qs {

class Win32UserInterface : public UserInterface {
 public:
  MessageAnswer ShowMessageBox(const MessageRequest& request) override;
  // Until the wizard's own dialogs exist, each page is a message box with the page's texts and
  // the same buttons; the edit fields keep their initial values.
  PageResult ShowPage(const PageRequest& request) override;
  void OpenProgressPage(const ProgressPageRequest& request) override {}
  void CloseProgressPage() override {}
  void SetProgress(int percent) override {}
  void ShowProgressText(std::wstring_view text) override {}
  void ShowCurrentItem(std::wstring_view text) override {}
  void ShowBackground(const BackgroundSettings& settings, bool minimised) override;
};

}  // namespace qs
