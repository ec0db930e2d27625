#include "uninstall/self_removal.h"

namespace qs {

std::string ChooseUninstallCommand(std::string_view quietCommand, std::string_view command) {
  return std::string(quietCommand.empty() ? command : quietCommand);
}

std::string UninstallThenReinstallBatch(std::string_view uninstallCommand,
                                        std::string_view installerCommandLine,
                                        std::string_view batchPath) {
  std::string text;
  text.append(uninstallCommand).append("\r\n");
  text.append(installerCommandLine).append("\r\n");
  text.append("del \"").append(batchPath).append("\"\r\n");
  return text;
}

std::string UrlEncode(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                            byte == '_' || byte == '~';
    if (unreserved) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0xF]);
    }
  }
  return out;
}

std::string NotificationAddress(std::string_view url, std::string_view version) {
  static constexpr std::string_view kPlaceholder = "%version%";
  const std::string encoded = UrlEncode(version);
  std::string out;
  out.reserve(url.size());
  size_t position = 0;
  for (size_t found = url.find(kPlaceholder); found != std::string_view::npos;
       found = url.find(kPlaceholder, position)) {
    out.append(url, position, found - position).append(encoded);
    position = found + kPlaceholder.size();
  }
  out.append(url, position);
  return out;
}

std::u16string SelfRemovalBatch(std::u16string_view uninstallerPath, std::u16string_view installDir,
                                std::u16string_view uninstallSubdir,
                                std::u16string_view batchPath) {
  std::u16string text;
  auto line = [&text](std::u16string_view command, std::u16string_view path) {
    text += command;
    text += u" \"";
    text += path;
    text += u"\"\r\n";
  };
  // The program may still be ending when the batch starts: try again each second until it is
  // gone, for a minute at most. "/f" takes a read-only copy too; a file that stays (another
  // program holds it) must not keep a hidden interpreter spinning for ever.
  text += u"set QsTries=0\r\n:Repeat\r\n";
  line(u"del /f", uninstallerPath);
  text += u"if not exist \"";
  text += uninstallerPath;
  text += u"\" goto Waited\r\n";
  text += u"set /a QsTries+=1\r\n";
  text += u"if %QsTries% GEQ 60 goto Waited\r\n";
  text += u"CHOICE /T 1 /D Y >nul\r\n";
  text += u"goto Repeat\r\n";
  text += u":Waited\r\n";
  text += u"CHOICE /T 3 /D Y\r\n";
  // Every level of the uninstall sub-folder, deepest first.
  std::u16string_view level = uninstallSubdir;
  for (int count = 0; count < 50 && !level.empty(); ++count) {
    std::u16string folder(installDir);
    folder += u'\\';
    folder += level;
    line(u"rd", folder);
    while (!level.empty() && level.back() == u'\\') level.remove_suffix(1);
    size_t last = level.rfind(u'\\');
    if (last == std::u16string_view::npos) break;
    level = level.substr(0, last);
  }
  line(u"rd", installDir);
  line(u"del", batchPath);
  return text;
}

}  // namespace qs
