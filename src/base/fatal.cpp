#include "base/fatal.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace qs {
namespace {

constexpr size_t kFatalTextSize = 4096;
constexpr int kFatalExitCode = 1;

FatalErrorHooks g_hooks;
// Set by the first fatal error; a fatal error raised while its text is being shown (say, by
// the message box running out of memory) must not try to show itself again.
std::atomic<bool> g_reporting{false};

[[noreturn]] void ExitAfterFatalError() {
  if (g_hooks.exit != nullptr) g_hooks.exit(kFatalExitCode);
  std::abort();
}

[[noreturn]] void ReportFatalText(const char* text) {
  if (g_hooks.show != nullptr) {
    g_hooks.show(text);
  } else {
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }
  ExitAfterFatalError();
}

const char* BaseName(const char* path) {
  if (path == nullptr) return "";
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') name = p + 1;
  }
  return name;
}

}  // namespace

void SetFatalErrorHooks(const FatalErrorHooks& hooks) {
  g_hooks = hooks;
}

void FatalError(const char* format, ...) {
  if (g_reporting.exchange(true)) ExitAfterFatalError();

  char text[kFatalTextSize];
  text[0] = '\0';
  if (format != nullptr) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);  // cuts longer texts, always terminates
    va_end(args);
  }
  ReportFatalText(text);
}

void InternalFatalError(const char* module, int line) {
  FatalError("Internal Fatal Error\r\nModule: %s\r\nLine: %d", BaseName(module), line);
}

void OutOfMemory(size_t requestedBytes) {
  FatalError(
      "Out Of Memory\r\n\r\nMake sure the hard drive is not full.\r\n\r\nRequested size: %lu bytes",
      static_cast<unsigned long>(requestedBytes));
}

void ResetFatalErrorStateForTesting() {
  g_reporting.store(false);
}

}  // namespace qs
