#pragma once
// The text one run appends to Install.LOG: a header that names the run, the run's log, and its
// failure summary or, after a run without failures, the completion text. The texts are already
// in the file's form (the ANSI code page) and are written as they are.
#include <string>

namespace qs {

struct InstallLogContent {
  std::string productName;
  std::string installDate;       // already formatted
  bool showInstallType = false;  // the product is uninstallable
  bool isReinstall = false;
  std::string installLocation;
  std::string productVersion;      // no line when empty
  std::string overwritingVersion;  // no line when empty
  std::string operatingSystem;
  std::string log;
  std::string failureSummary;  // empty: the run succeeded
  std::string completionText;  // ends a run without failures
};

// What one run appends. `fileHeldData`: the file was not empty, so a line of asterisks parts
// this run from the one before.
std::string InstallLogText(const InstallLogContent& content, bool fileHeldData);

// The end of that text, after the run's log: the failure summary under its heading, or the
// completion text.
std::string InstallLogEnding(const InstallLogContent& content);

}  // namespace qs
