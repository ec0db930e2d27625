#include "files/install_log_text.h"

#include <string_view>

#include "core/payload_format.h"

namespace qs {
namespace {

constexpr std::string_view kRunSeparator =
    "\r\n\r\n**********************************************\r\n";

void AppendLine(std::string& out, std::string_view label, std::string_view value) {
  out += label;
  out += value;
  out += "\r\n";
}

}  // namespace

std::string InstallLogText(const InstallLogContent& content, bool fileHeldData) {
  std::string out;
  if (fileHeldData) out += kRunSeparator;
  AppendLine(out, "Installation log for: ", content.productName);
  AppendLine(out, "Install date: ", content.installDate);
  if (content.showInstallType) {
    AppendLine(out, "Install type: ", content.isReinstall ? "Reinstall" : "New");
  }
  AppendLine(out, "Install location: ", content.installLocation);
  AppendLine(out, "Installer version: ",
             kPayloadFormatVersion);  // the installer's version is its format's
  if (!content.productVersion.empty()) {
    AppendLine(out, "Product version: ", content.productVersion);
  }
  if (!content.overwritingVersion.empty()) {
    AppendLine(out, "Overwriting version: ", content.overwritingVersion);
  }
  AppendLine(out, "Operating system: ", content.operatingSystem);
  out += "\r\n";

  out += content.log;
  out += InstallLogEnding(content);
  return out;
}

std::string InstallLogEnding(const InstallLogContent& content) {
  std::string out = "\r\n";
  if (!content.failureSummary.empty()) {
    out += "*** FAILURE SUMMARY ***\r\n";
    out += content.failureSummary;
  } else {
    AppendLine(out, "", content.completionText);
  }
  return out;
}

}  // namespace qs
