#include "base/open_result.h"

#include <array>
#include <cstddef>

namespace qs {
namespace {

// Win32 error numbers, spelled out so that this file needs no windows.h.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorTooManyOpenFiles = 4;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidDrive = 15;
constexpr uint32_t kErrorNotReady = 21;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorRemoteNotListening = 51;
constexpr uint32_t kErrorBadNetPath = 53;
constexpr uint32_t kErrorNetNameDeleted = 64;
constexpr uint32_t kErrorBadNetName = 67;
constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInvalidName = 123;
constexpr uint32_t kErrorNoNetwork = 1222;

constexpr std::array<const char*, 22> kTexts = {
    "Success.",
    "An unknown error occurred.",
    "The filename is invalid.",
    "The file was not found.",
    "The directory does not exist.",
    "The file is locked by another application.",
    "Failed to read the file into memory.",
    "Failed to write data to the file.",
    "Too many files are already open.",
    "An invalid parameter was used.",
    "The file already exists.",
    "Too many indexed files exist.",
    "Access denied.",
    "The file's Read-Only attribute is set.",
    "The file's contents are corrupted.",
    "Deletion failed.",
    "The file is too large to load into memory.",
    "Aborted by the user.",
    "Failed to create the directory.",
    "The network path is not valid.",
    "The device is not ready (usually because no disk is inserted).",
    "The drive does not exist.",
};

}  // namespace

const char* OpenResultText(int code) {
  if (code < 0 || static_cast<std::size_t>(code) >= kTexts.size()) return kTexts[kOpenUnknownError];
  return kTexts[static_cast<std::size_t>(code)];
}

OpenResult OpenResultFromError(uint32_t systemError, bool driveExists, bool readOnlyTarget) {
  switch (systemError) {
    case 0:
      return kOpenSuccess;
    case kErrorInvalidName:
      return kOpenInvalidName;
    case kErrorFileNotFound:
      return kOpenFileNotFound;
    case kErrorPathNotFound:
      return driveExists ? kOpenDirectoryMissing : kOpenNoDrive;
    case kErrorSharingViolation:
      return kOpenLocked;
    case kErrorTooManyOpenFiles:
      return kOpenTooManyOpen;
    case kErrorInvalidParameter:
      return kOpenInvalidParameter;
    case kErrorFileExists:
      return kOpenFileExists;
    case kErrorAccessDenied:
      return readOnlyTarget ? kOpenReadOnly : kOpenAccessDenied;
    case kErrorRemoteNotListening:
    case kErrorBadNetPath:
    case kErrorNetNameDeleted:
    case kErrorBadNetName:
    case kErrorNoNetwork:
      return kOpenNetworkPath;
    case kErrorNotReady:
      return kOpenDeviceNotReady;
    case kErrorInvalidDrive:
      return kOpenNoDrive;
    default:
      return kOpenUnknownError;
  }
}

}  // namespace qs
