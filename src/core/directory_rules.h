#pragma once
// The rules a chosen installation folder must pass before the installer accepts it, without
// the system: the facts about drives come from a DriveFacts, so the order of the checks and the
// path rules can be tested anywhere. Also the space the installation needs and the way sizes
// are shown on the folder page.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/text_ids.h"

namespace qs {

// The longest folder the page takes (its edit field holds 259 characters).
inline constexpr size_t kMaxInstallDirLength = 259;

// A well-formed folder is absolute and names each of its folders plainly:
// - "X:\" followed by folder names (X a letter A-Z, either case), or "\\server\share"
//   followed by "\" and folder names; one trailing "\" is allowed;
// - a name is never empty, "." or "..", and never ends in a space or a dot (the system would
//   drop those and reach another folder than the one named);
// - no character below 32 and none of  < > : " / | ? *  (so neither "\\?\" paths nor "/" as
//   a separator);
// - at most kMaxInstallDirLength characters.
// Relative paths ("folder", "\folder") and drive-relative ones ("C:folder") are not well formed.
bool IsWellFormedPath(std::u16string_view path);

// The drive a path is on: "C:" for "C:\...", "\\server\share" for a UNC path; empty when the
// path begins with neither (the server and share are not checked here).
std::u16string DriveOfPath(std::u16string_view path);
// The drive's root folder as the system's drive calls take it: the drive followed by "\".
std::u16string DriveRoot(std::u16string_view drive);
bool IsUncPath(std::u16string_view path);

// Two folders are the same when they match with ASCII letters folded and trailing "\"s
// dropped ("c:\program files\" is "C:\Program Files").
bool IsSameFolder(std::u16string_view a, std::u16string_view b);

enum class DriveType { kMissing, kFixed, kRemovable, kCdRom, kNetwork, kRamDisk, kUnknown };

// What the checks need to know about the system.
class DriveFacts {
 public:
  virtual ~DriveFacts() = default;
  // `root` as DriveRoot gives it.
  virtual DriveType TypeOfDrive(std::u16string_view root) const = 0;
  // Bytes this user may still write on the drive; none when the drive cannot be asked.
  virtual std::optional<uint64_t> FreeSpace(std::u16string_view root) const = 0;
  // Bytes per cluster; 0 when the drive does not tell.
  virtual uint64_t ClusterSize(std::u16string_view root) const = 0;
  virtual std::u16string ProgramFilesFolder() const = 0;
};

struct DirectoryRuleOptions {
  bool refuseNetworkPaths = false;     // `ProductFlags` bit 37
  bool refuseRemovableDrives = false;  // `ProductFlags` bit 55
  // The free space is compared with requiredSpace only when there is no previous installation
  // (files replaced in place need little more room).
  bool checkFreeSpace = true;
  uint64_t requiredSpace = 0;
};

enum class DirectoryProblem {
  kNone,
  kMalformed,        // kTextInvalidPath with the path as typed
  kNoSuchDrive,      // kTextNoSuchDrive with the drive
  kNetworkPath,      // kTextNetworkPath
  kTooShort,         // kTextFolderTooShort
  kProgramFiles,     // kTextProgramFilesItself with the Program Files folder
  kUnsuitableDrive,  // kTextUnsuitableDrive with the drive: a CD drive, or removable when refused
  kLowDiskSpace,     // kTextLowDiskSpace, a question: required and free are set
};

struct DirectoryVerdict {
  DirectoryProblem problem = DirectoryProblem::kNone;
  TextId textNumber{};  // zero with kNone
  // What the text is formatted with; empty for a path too short, a network path and low space.
  std::u16string argument;
  uint64_t required = 0;   // kLowDiskSpace
  uint64_t available = 0;  // kLowDiskSpace
};

// The checks of the folder page, in order; the first that fails is the verdict. kLowDiskSpace
// is the last and only a question: when the user still wants the folder, what follows it
// (confirming, creating the folder, the test file) is the system side's.
DirectoryVerdict CheckInstallDirectory(std::u16string_view directory,
                                       const DirectoryRuleOptions& options,
                                       const DriveFacts& facts);

// A size as the folder page shows it, 1 KB = 1024 bytes: "%d bytes" below 1 KB, then
// "%.2f KB" below 1 MB, "%.2f MB" below 1 GB, "%.2f GB" below 1 TB, and "%.2f TB".
std::string FormatByteSize(uint64_t bytes);

// The cluster size assumed for a drive that reports none.
inline constexpr uint64_t kDefaultClusterSize = 4096;

// Bytes the installation needs: the uninstaller, each entry's content rounded up to whole
// clusters (kDefaultClusterSize when clusterSize is 0), and the product's extra disk space.
// The sum stops at the largest 64-bit value instead of wrapping.
uint64_t RequiredSpace(uint64_t uninstallerSize, std::span<const int32_t> contentSizes,
                       uint64_t clusterSize, uint64_t extraDiskSpace);

}  // namespace qs
