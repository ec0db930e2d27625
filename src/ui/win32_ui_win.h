#pragma once
// The user interface of a normal run: real message boxes.
#include "ui/user_interface_win.h"

namespace qs {

class Win32UserInterface : public UserInterface {
 public:
  MessageAnswer ShowMessageBox(const MessageRequest& request) override;
  void SetProgress(int percent) override {}
  void ShowProgressText(std::wstring_view text) override {}
  void ShowCurrentItem(std::wstring_view text) override {}
};

}  // namespace qs
