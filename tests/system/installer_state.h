#pragma once
// The installer's state is process-wide: the product settings, the language texts and the run.
// A fixture that changes them for its tests holds a SavedInstallerState, which puts all three
// back as they were when the fixture was made.
#include "core/install_run.h"
#include "core/language_texts.h"
#include "core/product_settings.h"
#include "core/product_win.h"

namespace qs::systest {

class SavedInstallerState {
 public:
  SavedInstallerState() : product_(Product()), texts_(Texts()), run_(Installation()) {}
  ~SavedInstallerState() {
    Product() = product_;
    Texts() = texts_;
    Installation() = run_;
  }
  SavedInstallerState(const SavedInstallerState&) = delete;
  SavedInstallerState& operator=(const SavedInstallerState&) = delete;

 private:
  ProductSettings product_;
  LanguageTexts texts_;
  InstallRun run_;
};

}  // namespace qs::systest
