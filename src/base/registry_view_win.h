#pragma once
// The registry as the installer has always seen it: as a 32-bit program. On 64-bit Windows a
// 32-bit program's keys without an explicit view lie in the 32-bit view (Wow6432Node under
// HKLM\Software and HKCR), and that is where installed products keep their Add/Remove Programs
// entries, shared-file counts and product keys. The 64-bit build asks for that view itself, so
// that either program finds what the other wrote. An access that names a view keeps it (a
// 64-bit product's keys are written to the 64-bit view by both builds).
#include <windows.h>

namespace qs {

inline constexpr REGSAM kRegistryViewBits = KEY_WOW64_64KEY | KEY_WOW64_32KEY;

// `access` with the program's default view added when it names none. Every key the program
// opens, creates or deletes goes through this.
constexpr REGSAM InProgramView(REGSAM access) {
#if defined(_WIN64)
  return (access & kRegistryViewBits) != 0 ? access : access | KEY_WOW64_32KEY;
#else
  return access;
#endif
}

}  // namespace qs
