// How the C++ run-time fails inside the stub. The program uses no exceptions: an allocation
// that fails ends the run with the "Out Of Memory" message and the size that was asked for,
// and an error the standard library detects (a length or position outside a container) is an
// internal fatal error. Defining these here also keeps the library's exception classes, their
// strings and the demangler out of the program.
//
// The std::__throw_* functions are the library's own out-of-line failure paths. All of them
// are defined, so the library's object that holds them is never linked in (it would clash).
//
// Formatting goes to the system's C run-time (msvcrt) instead of mingw's own printf, which
// would add about 20 KB. The program's formats use only %d, %u, %x, %s and %c with widths;
// msvcrt on old systems lacks C99 extras such as %zu and %hhd.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <new>

#include "base/fatal.h"

namespace {

[[noreturn]] void LibraryError() {
  qs::InternalFatalError("C++ library", 0);
}

}  // namespace

void* operator new(std::size_t size) {
  void* memory = std::malloc(size != 0 ? size : 1);
  if (memory == nullptr) qs::OutOfMemory(size);
  return memory;
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete[](void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  std::free(memory);
}
// std::stable_sort asks for its buffer this way and sorts in place without one. The library's
// version catches bad_alloc, which alone would link the whole exception run-time (personality
// routine, unwinder, emulated TLS and winpthread): about 60 KB.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
  std::free(memory);
}

namespace std {

void __throw_bad_alloc() {
  qs::OutOfMemory(0);
}
void __throw_bad_array_new_length() {
  qs::OutOfMemory(0);
}
void __throw_bad_cast() {
  LibraryError();
}
void __throw_bad_typeid() {
  LibraryError();
}
void __throw_bad_exception() {
  LibraryError();
}
void __throw_logic_error(const char*) {
  LibraryError();
}
void __throw_domain_error(const char*) {
  LibraryError();
}
void __throw_invalid_argument(const char*) {
  LibraryError();
}
void __throw_length_error(const char*) {
  LibraryError();
}
void __throw_out_of_range(const char*) {
  LibraryError();
}
void __throw_out_of_range_fmt(const char*, ...) {
  LibraryError();
}
void __throw_runtime_error(const char*) {
  LibraryError();
}
void __throw_range_error(const char*) {
  LibraryError();
}
void __throw_overflow_error(const char*) {
  LibraryError();
}
void __throw_underflow_error(const char*) {
  LibraryError();
}

}  // namespace std

// C99 vsnprintf on top of msvcrt: the result always ends with a NUL inside the buffer, and the
// return value is the length the whole text needs.
extern "C" int __mingw_vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  int written = _vsnprintf(buffer, size, format, args);
  if (written < 0 || static_cast<size_t>(written) >= size) {
    if (size > 0) buffer[size - 1] = '\0';
    written = _vscprintf(format, again);
  }
  va_end(again);
  return written;
}

// The same for wide text (std::to_wstring comes here), which would otherwise bring mingw's wide
// printf and its floating-point conversions. Old msvcrt.dll versions lack _vscwprintf (mingw has
// a fallback for the narrow _vscprintf only), so a text that does not fit is measured in larger
// scratch buffers instead; a format msvcrt rejects fails at 16 M characters, not forever.
extern "C" int __mingw_vsnwprintf(wchar_t* buffer, size_t size, const wchar_t* format,
                                  va_list args) {
  va_list again;
  va_copy(again, args);
  int written = _vsnwprintf(buffer, size, format, args);
  if (written < 0 || static_cast<size_t>(written) >= size) {
    if (size > 0) buffer[size - 1] = L'\0';
    for (size_t scratchSize = size < 256 ? 512 : size * 2; scratchSize <= (size_t{1} << 24);
         scratchSize *= 2) {
      auto* scratch = static_cast<wchar_t*>(std::malloc(scratchSize * sizeof(wchar_t)));
      if (scratch == nullptr) qs::OutOfMemory(scratchSize * sizeof(wchar_t));
      va_list attempt;
      va_copy(attempt, again);
      written = _vsnwprintf(scratch, scratchSize, format, attempt);
      va_end(attempt);
      std::free(scratch);
      if (written >= 0 && static_cast<size_t>(written) < scratchSize) break;
      written = -1;
    }
  }
  va_end(again);
  return written;
}

// Numbers are read by msvcrt too: mingw's strtod is a full gdtoa (hexadecimal forms, NaN
// payloads, arbitrary precision) of about 20 KB. The program's only caller hands it a plain
// decimal number that it has checked itself.
extern "C" double (*__MINGW_IMP_SYMBOL(strtod))(const char*, char**);
extern "C" double __mingw_strtod(const char* text, char** end) {
  return __MINGW_IMP_SYMBOL(strtod)(text, end);
}

namespace __gnu_cxx {

// Without exceptions nothing reaches terminate but a broken program; the library's verbose
// handler would only print to a console a GUI program does not have.
void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx
