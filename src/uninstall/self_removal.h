#pragma once
// Texts of the self-removal batches and the notification address. The batches are written to
// the temporary folder and run by the command interpreter after the process has ended.
#include <string>
#include <string_view>

namespace qs {

// The command that removes an installed version: its quiet form when it has one, else the
// normal one; empty when it has neither.
std::string ChooseUninstallCommand(std::string_view quietCommand, std::string_view command);

// utrri.bat: runs the old version's uninstaller, starts this installer again with the command
// line it was given, and deletes itself. Narrow texts, written as they are; every line ends
// in "\r\n".
std::string UninstallThenReinstallBatch(std::string_view uninstallCommand,
                                        std::string_view installerCommandLine,
                                        std::string_view batchPath);

// delunins.bat, before it is encoded: delete the uninstaller until it is gone, wait three
// seconds, remove each level of the uninstall sub-folder (deepest first), then the
// installation folder, then the batch itself.
std::u16string SelfRemovalBatch(std::u16string_view uninstallerPath, std::u16string_view installDir,
                                std::u16string_view uninstallSubdir, std::u16string_view batchPath);

// Percent-encodes UTF-8 text for a URL: the unreserved characters (letters, digits, "-", ".",
// "_", "~") stay, every other byte becomes "%" and two upper-case hex digits.
std::string UrlEncode(std::string_view utf8);

// The product's notification address with every "%version%" replaced by the URL-encoded
// version. Both texts are UTF-8.
std::string NotificationAddress(std::string_view url, std::string_view version);

}  // namespace qs
