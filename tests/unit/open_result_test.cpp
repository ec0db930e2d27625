#include "base/open_result.h"

#include <gtest/gtest.h>

#include <string>

namespace qs {
namespace {

TEST(OpenResult, SystemErrorsMapToCodes) {
  struct Case {
    uint32_t error;
    bool driveExists;
    bool readOnlyTarget;
    OpenResult expected;
  };
  const Case cases[] = {
      {0, true, false, kOpenSuccess},
      {123, true, false, kOpenInvalidName},     // ERROR_INVALID_NAME
      {2, true, false, kOpenFileNotFound},      // ERROR_FILE_NOT_FOUND
      {3, true, false, kOpenDirectoryMissing},  // ERROR_PATH_NOT_FOUND on a present drive
      {3, false, false, kOpenNoDrive},          // ... and on a missing one
      {15, true, false, kOpenNoDrive},          // ERROR_INVALID_DRIVE
      {32, true, false, kOpenLocked},           // ERROR_SHARING_VIOLATION
      {4, true, false, kOpenTooManyOpen},       // ERROR_TOO_MANY_OPEN_FILES
      {87, true, false, kOpenInvalidParameter},
      {80, true, false, kOpenFileExists},
      {5, true, false, kOpenAccessDenied},
      {5, true, true, kOpenReadOnly},
      {21, true, false, kOpenDeviceNotReady},  // ERROR_NOT_READY
      {51, true, false, kOpenNetworkPath},     // ERROR_REM_NOT_LIST
      {53, true, false, kOpenNetworkPath},     // ERROR_BAD_NETPATH
      {64, true, false, kOpenNetworkPath},     // ERROR_NETNAME_DELETED
      {67, true, false, kOpenNetworkPath},     // ERROR_BAD_NET_NAME
      {1222, true, false, kOpenNetworkPath},   // ERROR_NO_NETWORK
      // The read-only and drive facts only refine their own errors.
      {2, false, true, kOpenFileNotFound},
      {32, false, true, kOpenLocked},
      // Anything else.
      {183, true, false, kOpenUnknownError},  // ERROR_ALREADY_EXISTS is not an open's answer
      {112, true, false, kOpenUnknownError},  // ERROR_DISK_FULL
      {0xFFFFFFFFu, true, false, kOpenUnknownError},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OpenResultFromError(c.error, c.driveExists, c.readOnlyTarget), c.expected)
        << "error " << c.error << " drive " << c.driveExists << " read-only " << c.readOnlyTarget;
  }
}

TEST(OpenResult, EveryCodeHasItsTextAndUnknownCodesTheUnknownText) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
      {0, "Success."},
      {1, "An unknown error occurred."},
      {2, "The filename is invalid."},
      {3, "The file was not found."},
      {4, "The directory does not exist."},
      {5, "The file is locked by another application."},
      {6, "Failed to read the file into memory."},
      {7, "Failed to write data to the file."},
      {8, "Too many files are already open."},
      {9, "An invalid parameter was used."},
      {10, "The file already exists."},
      {11, "Too many indexed files exist."},
      {12, "Access denied."},
      {13, "The file's Read-Only attribute is set."},
      {14, "The file's contents are corrupted."},
      {15, "Deletion failed."},
      {16, "The file is too large to load into memory."},
      {17, "Aborted by the user."},
      {18, "Failed to create the directory."},
      {19, "The network path is not valid."},
      {20, "The device is not ready (usually because no disk is inserted)."},
      {21, "The drive does not exist."},
      {22, "An unknown error occurred."},
      {-1, "An unknown error occurred."},
      {1000, "An unknown error occurred."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::string(OpenResultText(c.code)), c.text) << "code " << c.code;
  }
}

TEST(OpenResult, LockedAndRefusedCountAsExisting) {
  for (int code = -1; code <= 22; ++code) {
    const bool existing = code == 0 || code == 5 || code == 12;
    EXPECT_EQ(OpenResultMeansExisting(code), existing) << "code " << code;
  }
}

}  // namespace
}  // namespace qs
