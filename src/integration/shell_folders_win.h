#pragma once
// The shell folders behind the path variables, one function per variable. Each asks the
// shell by CSIDL first, then the registry (the 32-bit view: the installer is a 32-bit
// process), then falls back as noted; the first non-empty answer wins. Nothing is cached, so
// a folder created or moved during the run is seen.
#include <windows.h>

#include <string>
#include <string_view>

namespace qs {

// The folder the shell gives for `csidl` (not created when missing); empty when
// the shell does not know it or shell32 is not available.
std::wstring CsidlFolder(int csidl);

// SHChangeNotify; does nothing when shell32 is not available.
void NotifyShell(LONG event, UINT flags, const void* item1, const void* item2);

// A value of "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" under HKLM
// (`allUsers`) or HKCU, less one trailing backslash unless it is a drive root. Empty when
// missing.
std::wstring ShellFolder(std::wstring_view valueName, bool allUsers);

std::wstring AppDataAllDir();
std::wstring AppDataDir();
std::wstring Bits();       // "64" or "32"
std::wstring BootDrive();  // "C:"
std::wstring CommonDir();
std::wstring DesktopAllDir();
std::wstring DesktopDir();
std::wstring DeviceDir();
std::wstring DocumentAllDir();
std::wstring DocumentDir();
std::wstring FavoritesAllDir();
std::wstring FavoritesDir();
std::wstring FontDir();
std::wstring Inetpub();
std::wstring MediaDir();
std::wstring ProgramsDir();  // "... (x86)" on a 64-bit system, as a 32-bit program sees it
std::wstring SMProgramsAllDir();
std::wstring SMProgramsDir();
std::wstring StartMenuAllDir();
std::wstring StartMenuDir();
std::wstring StartupAllDir();
std::wstring StartupDir();
std::wstring SystemDir();
std::wstring TempDir();  // %Temp%, without its trailing backslash
std::wstring WinDir();

}  // namespace qs
