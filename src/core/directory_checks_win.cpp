#include "core/directory_checks_win.h"

#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "base/file_redirection_win.h"
#include "base/system_error_win.h"
#include "base/text.h"
#include "base/text_format.h"
#include "base/text_win.h"
#include "core/installer_state_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "integration/shell_folders_win.h"
#include "ui/messages_win.h"

namespace qs {
namespace {

// The file GetTempFileNameW made in the folder last accepted; deleted when the page is left,
// or by ExitInstaller when the run ends first.
std::wstring& TestFilePath() {
  return GetInstallerState().temporaryWorkFile;
}

// A drive without a disk would otherwise make the system ask for one.
class QuietDriveErrors {
 public:
  QuietDriveErrors() : previous_(::SetErrorMode(SEM_FAILCRITICALERRORS)) {
    ::SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
  }
  ~QuietDriveErrors() { ::SetErrorMode(previous_); }
  QuietDriveErrors(const QuietDriveErrors&) = delete;
  QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

 private:
  UINT previous_;
};

std::wstring ToWide(std::u16string_view text) {
  return std::wstring(AsWide(text));
}

// The product's text `id` with `arguments`; when it is empty or does not take them, the
// built-in English wording (which takes exactly these arguments).
std::wstring MessageText(TextId id, const char16_t* ownWording,
                         std::initializer_list<FormatArgument> arguments) {
  std::u16string text;
  if (!Texts().Format(id, arguments, text) && !FormatText(ownWording, arguments, text)) {
    text = ownWording;
  }
  return ToWide(text);
}

std::wstring CaptionText(TextId id) {
  std::wstring caption = GetText(id);
  return caption.empty() ? std::wstring(AsWide(GetInstallerState().title)) : caption;
}

void ShowFailure(const std::wstring& message) {
  ShowMessage(message, {}, MessageIcon::kError);
}

void ShowRefusal(const DirectoryVerdict& verdict) {
  const std::u16string_view argument = verdict.argument;
  switch (verdict.problem) {
    case DirectoryProblem::kMalformed:
      ShowFailure(MessageText(verdict.textNumber,
                              u"\"%s\" is not a valid folder name. Please enter a full path "
                              u"such as C:\\Apps\\Product.",
                              {argument}));
      return;
    case DirectoryProblem::kNoSuchDrive:
      ShowFailure(MessageText(verdict.textNumber, u"The drive %s does not exist.", {argument}));
      return;
    case DirectoryProblem::kNetworkPath:
      ShowFailure(MessageText(verdict.textNumber,
                              u"This product cannot be installed on a network drive. Please "
                              u"choose a folder on a local drive.",
                              {}));
      return;
    case DirectoryProblem::kTooShort:
      ShowFailure(
          MessageText(verdict.textNumber, u"Please choose a folder, not the root of a drive.", {}));
      return;
    case DirectoryProblem::kProgramFiles:
      ShowFailure(MessageText(verdict.textNumber,
                              u"The product cannot be installed into %s itself. Please choose "
                              u"a folder inside it.",
                              {argument}));
      return;
    case DirectoryProblem::kUnsuitableDrive:
      ShowFailure(MessageText(verdict.textNumber,
                              u"The product cannot be installed on drive %s. Please choose a "
                              u"folder on another drive.",
                              {argument}));
      return;
    case DirectoryProblem::kNone:
    case DirectoryProblem::kLowDiskSpace:
      return;
  }
}

// True when the user wants the folder although the drive looks too full.
bool AcceptLowSpace(const DirectoryVerdict& verdict) {
  const std::u16string required = Utf8ToUtf16(FormatByteSize(verdict.required));
  const std::u16string available = Utf8ToUtf16(FormatByteSize(verdict.available));
  const std::wstring question =
      MessageText(verdict.textNumber,
                  u"The installation needs %s of disk space, but only %s are free on this "
                  u"drive.\r\n\r\nInstall into this folder anyway?",
                  {std::u16string_view(required), std::u16string_view(available)});
  return AskYesNo(question, CaptionText(kTextQuestionCaption), false);
}

// Takes back the folders a refused attempt made, so that choosing another folder leaves none
// behind.
void RemoveCreatedFolders(const std::vector<std::wstring>& created) {
  for (auto folder = created.rbegin(); folder != created.rend(); ++folder) {
    ::RemoveDirectoryW(Redirected(*folder));
  }
}

bool CreateTestFile(const std::wstring& directory) {
  std::wstring path = NewTemporaryFile(directory, L"qst");
  if (path.empty()) return false;
  TestFilePath() = std::move(path);
  return true;
}

}  // namespace

bool IsExistingDirectory(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(Redirected(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Makes `path` with every missing folder above it; `created` lists the folders made, outermost
// first. 0 or the system error.
DWORD CreateDirectoryTree(const std::wstring& path, std::vector<std::wstring>& created) {
  // Most calls (one for each installed file) find the folder there already.
  if (IsExistingDirectory(path)) return 0;
  // The folders begin after the drive's "X:\" or the share's "\\server\share\".
  const size_t first = std::min(DriveOfPath(AsU16(path)).size() + 1, path.size());
  for (size_t end = first; end <= path.size(); ++end) {
    if (end < path.size() && path[end] != L'\\') continue;
    const std::wstring folder = path.substr(0, end);
    if (folder.empty() || folder.back() == L'\\' || IsExistingDirectory(folder)) continue;
    if (!::CreateDirectoryW(Redirected(folder), nullptr)) {
      const DWORD error = ::GetLastError();
      // Someone else may have made it meanwhile.
      if (error == ERROR_ALREADY_EXISTS && IsExistingDirectory(folder)) continue;
      return error != 0 ? error : ERROR_CANNOT_MAKE;
    }
    created.push_back(folder);
  }
  return 0;
}

DriveType SystemDriveFacts::TypeOfDrive(std::u16string_view root) const {
  QuietDriveErrors quiet;
  switch (::GetDriveTypeW(ToWide(root).c_str())) {
    case DRIVE_NO_ROOT_DIR:
      return DriveType::kMissing;
    case DRIVE_REMOVABLE:
      return DriveType::kRemovable;
    case DRIVE_FIXED:
      return DriveType::kFixed;
    case DRIVE_REMOTE:
      return DriveType::kNetwork;
    case DRIVE_CDROM:
      return DriveType::kCdRom;
    case DRIVE_RAMDISK:
      return DriveType::kRamDisk;
    default:
      return DriveType::kUnknown;
  }
}

std::optional<uint64_t> SystemDriveFacts::FreeSpace(std::u16string_view root) const {
  QuietDriveErrors quiet;
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(Redirected(ToWide(root)), &available, nullptr, nullptr)) {
    return std::nullopt;
  }
  return available.QuadPart;
}

uint64_t SystemDriveFacts::ClusterSize(std::u16string_view root) const {
  QuietDriveErrors quiet;
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!::GetDiskFreeSpaceW(Redirected(ToWide(root)), &sectorsPerCluster, &bytesPerSector,
                           &freeClusters, &totalClusters)) {
    return 0;
  }
  return uint64_t{sectorsPerCluster} * bytesPerSector;
}

std::u16string SystemDriveFacts::ProgramFilesFolder() const {
  return std::u16string(AsU16(ProgramsDir()));
}

bool AcceptInstallDirectory(std::u16string_view directory, InstallRun& run) {
  DeleteDirectoryTestFile();
  const std::wstring path(AsWide(directory));
  const uint64_t flags = Product().ProductFlags;

  DirectoryRuleOptions options;
  options.refuseNetworkPaths = (flags & kFlagRefuseNetworkPaths) != 0;
  options.refuseRemovableDrives = (flags & kFlagRefuseRemovableDrives) != 0;
  options.checkFreeSpace = !run.previousInstallExists;
  options.requiredSpace = run.requiredSpace;
  const DirectoryVerdict verdict = CheckInstallDirectory(AsU16(path), options, SystemDriveFacts());
  if (verdict.problem == DirectoryProblem::kLowDiskSpace) {
    if (!AcceptLowSpace(verdict)) return false;
  } else if (verdict.problem != DirectoryProblem::kNone) {
    ShowRefusal(verdict);
    return false;
  }

  const std::u16string_view pathArgument = AsU16(path);
  const bool exists = IsExistingDirectory(path);
  if ((flags & kFlagConfirmDirectory) != 0) {
    // The questions take no arguments: the folder stands on the page behind them.
    const std::wstring question =
        exists ? MessageText(kTextUseExistingFolder,
                             u"This folder already exists. Install the product into it?", {})
               : MessageText(kTextCreateFolder,
                             u"This folder does not exist yet and will be created. Continue?", {});
    if (!AskYesNo(question, CaptionText(kTextFolderPageTitle))) return false;
  }

  std::vector<std::wstring> created;
  if (!exists) {
    const DWORD error = CreateDirectoryTree(path, created);
    if (error != 0) {
      RemoveCreatedFolders(created);
      const std::wstring reason = SystemErrorTextWide(error);
      // kTextCannotCreateFolder names the failure; the folder and the system's reason follow it.
      std::wstring message = GetText(kTextCannotCreateFolder);
      if (message.empty()) message = L"Could not create the folder";
      ShowFailure(message + L" \"" + path + L"\"\r\n\r\n" + reason);
      return false;
    }
  }
  if (!CreateTestFile(path)) {
    RemoveCreatedFolders(created);
    ShowFailure(MessageText(kTextCannotWriteInFolder,
                            u"Files cannot be written into the folder \"%s\". Please choose "
                            u"another folder.",
                            {pathArgument}));
    return false;
  }
  return true;
}

void DeleteDirectoryTestFile() {
  std::wstring& path = TestFilePath();
  if (path.empty()) return;
  ::DeleteFileW(Redirected(path));
  path.clear();
}

uint64_t ComputeRequiredSpace(const PayloadContext& payload, std::u16string_view installDir) {
  const std::u16string drive = DriveOfPath(installDir);
  const uint64_t clusterSize = drive.empty() ? 0 : SystemDriveFacts().ClusterSize(DriveRoot(drive));
  return RequiredSpace(payload.uninstallerSize, payload.header.contentSizes, clusterSize,
                       Product().extraDiskSpace);
}

void RemoveDirectoryIfEmpty(std::u16string_view path) {
  std::wstring folder(AsWide(path));
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (folder.size() < 4) return;

  // The shell's leftovers go only when nothing else is there.
  std::vector<std::wstring> leftovers;
  WIN32_FIND_DATAW found;
  UniqueFindHandle find(::FindFirstFileW(Redirected(folder + L"\\*"), &found));
  if (!find) return;
  do {
    const std::string name = WideToUtf8(found.cFileName);
    if (name == "." || name == "..") continue;
    const bool isFile = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (!isFile ||
        !(EqualsIgnoreAsciiCase(name, "thumbs.db") || EqualsIgnoreAsciiCase(name, "desktop.ini"))) {
      return;
    }
    leftovers.push_back(folder + L"\\" + found.cFileName);
  } while (::FindNextFileW(find.Get(), &found));
  find.Reset();

  for (const std::wstring& file : leftovers) {
    // desktop.ini is usually hidden, system and read-only.
    ::SetFileAttributesW(Redirected(file), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(Redirected(file));
  }
  ::RemoveDirectoryW(Redirected(folder));
}

}  // namespace qs
