#pragma once
// The result codes with which the file layer reports a failed open, and their fixed texts.
// The codes are portable; the system error numbers they are made from are the Win32 values.
#include <cstdint>

namespace qs {

enum OpenResult : int {
  kOpenSuccess = 0,
  kOpenUnknownError = 1,
  kOpenInvalidName = 2,
  kOpenFileNotFound = 3,
  kOpenDirectoryMissing = 4,
  kOpenLocked = 5,
  kOpenCheckFailed = 6,
  kOpenWriteFailed = 7,
  kOpenTooManyOpen = 8,
  kOpenInvalidParameter = 9,
  kOpenFileExists = 10,
  kOpenTooManyIndexed = 11,
  kOpenAccessDenied = 12,
  kOpenReadOnly = 13,
  kOpenCorrupted = 14,
  kOpenDeletionFailed = 15,
  kOpenTooLarge = 16,
  kOpenAborted = 17,
  kOpenDirectoryFailed = 18,
  kOpenNetworkPath = 19,
  kOpenDeviceNotReady = 20,
  kOpenNoDrive = 21,
};

// The code's text; "An unknown error occurred." for any code outside the table.
const char* OpenResultText(int code);

// The code for a failed open's system error. `driveExists` tells "path not found" on a present
// drive (4) from one on a missing drive (21); `readOnlyTarget` turns "access denied" on a write
// open into 13.
OpenResult OpenResultFromError(uint32_t systemError, bool driveExists, bool readOnlyTarget);

// Codes 0, 5 and 12: something is there, even if it could not be opened.
inline bool OpenResultMeansExisting(int code) {
  return code == kOpenSuccess || code == kOpenLocked || code == kOpenAccessDenied;
}

}  // namespace qs
