#pragma once
// Resource identifiers shared by the resource script and the program.

// The program's icon. The lowest identifier, so the shell shows it for the file.
#define QS_PROGRAM_ICON_ID 1

#ifdef __cplusplus
namespace qs {
inline constexpr int kProgramIconId = QS_PROGRAM_ICON_ID;
}  // namespace qs
#endif
