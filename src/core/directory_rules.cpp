#include "core/directory_rules.h"

#include <cstdio>
#include <limits>

#include "base/text.h"
#include "base/text_scan.h"

namespace qs {
namespace {

constexpr char16_t kSeparator = u'\\';

bool HasDrivePrefix(std::u16string_view path) {
  return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == u':';
}

bool IsInvalidPathCharacter(char16_t c) {
  if (c < 32) return true;
  switch (c) {
    case u'<':
    case u'>':
    case u':':
    case u'"':
    case u'/':
    case u'|':
    case u'?':
    case u'*':
      return true;
    default:
      return false;
  }
}

// One folder name between separators.
bool IsPlainName(std::u16string_view name) {
  if (name.empty()) return false;
  // Covers "." and ".." too: the system drops trailing dots and spaces, so such a name would
  // lead somewhere else than it says.
  if (name.back() == u'.' || name.back() == u' ') return false;
  for (char16_t c : name) {
    if (IsInvalidPathCharacter(c)) return false;
  }
  return true;
}

// Checks the names of `rest` (what follows the drive's "X:\" or the UNC path's "\\") and
// counts them.
bool ArePlainNames(std::u16string_view rest, size_t& count) {
  count = 0;
  if (rest.size() >= 2 && rest.back() == kSeparator) rest.remove_suffix(1);
  if (rest.empty()) return true;
  for (;;) {
    size_t end = rest.find(kSeparator);
    if (!IsPlainName(rest.substr(0, end))) return false;
    ++count;
    if (end == std::u16string_view::npos) return true;
    rest.remove_prefix(end + 1);
  }
}

std::u16string_view WithoutTrailingSeparators(std::u16string_view path) {
  while (!path.empty() && path.back() == kSeparator) path.remove_suffix(1);
  return path;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max()
                                                      : a + b;
}

DirectoryVerdict Refusal(DirectoryProblem problem, TextId textNumber,
                         std::u16string argument = {}) {
  DirectoryVerdict verdict;
  verdict.problem = problem;
  verdict.textNumber = textNumber;
  verdict.argument = std::move(argument);
  return verdict;
}

}  // namespace

bool IsUncPath(std::u16string_view path) {
  return path.size() >= 2 && path[0] == kSeparator && path[1] == kSeparator;
}

bool IsWellFormedPath(std::u16string_view path) {
  if (path.empty() || path.size() > kMaxInstallDirLength) return false;
  size_t names = 0;
  if (IsUncPath(path)) {
    // The server and the share are names like any other, and both must be there.
    return ArePlainNames(path.substr(2), names) && names >= 2;
  }
  if (path.size() < 3 || !HasDrivePrefix(path) || path[2] != kSeparator) return false;
  return ArePlainNames(path.substr(3), names);
}

std::u16string DriveOfPath(std::u16string_view path) {
  if (IsUncPath(path)) {
    size_t serverEnd = path.find(kSeparator, 2);
    if (serverEnd == std::u16string_view::npos) return std::u16string(path);
    size_t shareEnd = path.find(kSeparator, serverEnd + 1);
    return std::u16string(path.substr(0, shareEnd));
  }
  if (HasDrivePrefix(path)) return std::u16string(path.substr(0, 2));
  return {};
}

std::u16string DriveRoot(std::u16string_view drive) {
  std::u16string root(drive);
  root += kSeparator;
  return root;
}

bool IsSameFolder(std::u16string_view a, std::u16string_view b) {
  return EqualsIgnoreAsciiCase(WithoutTrailingSeparators(a), WithoutTrailingSeparators(b));
}

DirectoryVerdict CheckInstallDirectory(std::u16string_view directory,
                                       const DirectoryRuleOptions& options,
                                       const DriveFacts& facts) {
  if (!IsWellFormedPath(directory)) {
    return Refusal(DirectoryProblem::kMalformed, kTextInvalidPath, std::u16string(directory));
  }
  const std::u16string drive = DriveOfPath(directory);
  const std::u16string root = DriveRoot(drive);
  const DriveType type = facts.TypeOfDrive(root);
  if (type == DriveType::kMissing) {
    return Refusal(DirectoryProblem::kNoSuchDrive, kTextNoSuchDrive, drive);
  }
  if (options.refuseNetworkPaths && (IsUncPath(directory) || type == DriveType::kNetwork)) {
    return Refusal(DirectoryProblem::kNetworkPath, kTextNetworkPath);
  }
  if (directory.size() < 4) return Refusal(DirectoryProblem::kTooShort, kTextFolderTooShort);
  const std::u16string programFiles = facts.ProgramFilesFolder();
  if (!programFiles.empty() && IsSameFolder(directory, programFiles)) {
    return Refusal(DirectoryProblem::kProgramFiles, kTextProgramFilesItself, programFiles);
  }
  if (type == DriveType::kCdRom ||
      (options.refuseRemovableDrives && type == DriveType::kRemovable)) {
    return Refusal(DirectoryProblem::kUnsuitableDrive, kTextUnsuitableDrive, drive);
  }
  if (options.checkFreeSpace) {
    // A drive that cannot tell its free space is not held against the folder.
    const std::optional<uint64_t> available = facts.FreeSpace(root);
    if (available.has_value() && *available < options.requiredSpace) {
      DirectoryVerdict verdict = Refusal(DirectoryProblem::kLowDiskSpace, kTextLowDiskSpace);
      verdict.required = options.requiredSpace;
      verdict.available = *available;
      return verdict;
    }
  }
  return {};
}

std::string FormatByteSize(uint64_t bytes) {
  constexpr uint64_t kKilo = uint64_t{1} << 10;
  constexpr uint64_t kMega = uint64_t{1} << 20;
  constexpr uint64_t kGiga = uint64_t{1} << 30;
  constexpr uint64_t kTera = uint64_t{1} << 40;
  char buffer[64];
  if (bytes < kKilo) {
    std::snprintf(buffer, sizeof(buffer), "%u bytes", static_cast<unsigned>(bytes));
    return buffer;
  }
  const char* unit = "TB";
  uint64_t divisor = kTera;
  if (bytes < kMega) {
    unit = "KB";
    divisor = kKilo;
  } else if (bytes < kGiga) {
    unit = "MB";
    divisor = kMega;
  } else if (bytes < kTera) {
    unit = "GB";
    divisor = kGiga;
  }
  std::snprintf(buffer, sizeof(buffer), "%.2f %s",
                static_cast<double>(bytes) / static_cast<double>(divisor), unit);
  return buffer;
}

uint64_t RequiredSpace(uint64_t uninstallerSize, std::span<const int32_t> contentSizes,
                       uint64_t clusterSize, uint64_t extraDiskSpace) {
  if (clusterSize == 0) clusterSize = kDefaultClusterSize;
  uint64_t total = uninstallerSize;
  for (int32_t size : contentSizes) {
    // The payload reader refuses negative sizes; one that slipped through needs no room.
    if (size <= 0) continue;
    const uint64_t bytes = static_cast<uint64_t>(size);
    const uint64_t clusters = bytes / clusterSize + (bytes % clusterSize != 0 ? 1 : 0);
    total = SaturatingAdd(total, clusters * clusterSize);
  }
  return SaturatingAdd(total, extraDiskSpace);
}

}  // namespace qs
