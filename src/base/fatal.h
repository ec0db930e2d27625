#pragma once
// Fatal errors: shown once, then the process ends with exit code 1. The Win32 side registers
// how a fatal text is shown and how the process exits; tests register their own hooks.
#include <cstddef>

namespace qs {

struct FatalErrorHooks {
  // Shows the formatted text (narrow, "|" convention). May not return.
  void (*show)(const char* text) = nullptr;
  // Ends the process; called after `show`, and directly for a fatal error raised while the
  // first one is being shown.
  void (*exit)(int code) = nullptr;
};

void SetFatalErrorHooks(const FatalErrorHooks& hooks);

// Formats into a 4096-byte buffer (longer texts are cut) and reports.
[[noreturn]] void FatalError(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// "Internal Fatal Error\r\nModule: %s\r\nLine: %d"
[[noreturn]] void InternalFatalError(const char* module, int line);

// "Out Of Memory" with the advice to free disk space and the size that was asked for.
[[noreturn]] void OutOfMemory(size_t requestedBytes);

// For tests: forget that a fatal error is being shown.
void ResetFatalErrorStateForTesting();

}  // namespace qs

#define QS_CHECK(condition)                                         \
  do {                                                              \
    if (!(condition)) ::qs::InternalFatalError(__FILE__, __LINE__); \
  } while (0)
