#pragma once
// Which lines of Uninstall.DAT beyond its files the uninstaller carries out. The record lies
// beside the uninstaller, in a folder that users may be able to write to, and every line of it
// is carried out with an administrator's rights: a planted line must not delete what the system
// or other products keep in the registry, take another product's package or driver away, or
// unhook the system's own file types. A line that fails its check is not carried out.
#include <string>
#include <string_view>
#include <vector>

#include "integration/registry_script.h"
#include "uninstall/uninstall_record.h"

namespace qs {

// The product's own key below "Software" ("ProductRegistry"), which the uninstaller deletes with
// all its subkeys in HKLM and in every user's hive. False for a name that names no key of its
// own: nothing once its outer backslashes and spaces are gone, an empty, "." or ".." step, or a
// first step that the system and every product share ("Microsoft", "Classes", "Policies",
// "Wow6432Node", "Windows", "Clients", "RegisteredApplications"), compared without regard to
// case.
bool IsOwnProductRegistryKey(std::string_view productRegistry);

// A value by its full path, as "!" lines of the removal list and [Registry] lines name it
// ("\\HKLM\\Software\\Maker\\Value", roots as the uninstaller reads them, short or long). True
// when the value may be deleted: the root is known, the key's path has no empty, "." or ".."
// step, and the key is none of the system's well-known keys (a hive's root, "Software",
// "Software\\Microsoft", "SYSTEM\\CurrentControlSet", Winlogon...) nor lies in a system file
// class ("exefile", "*", ".exe" ...). In an "Environment" key the system's own variables
// ("Path", "ComSpec", "windir" ...) are never deleted either.
bool IsRemovableRegistryValue(std::string_view valuePath);

// [Registry2], the product's registry script, without the records whose undoing
// IsRemovableRegistryValue would refuse: a key record (deleted once empty) of a system key, a
// value record (unless kept at uninstallation) of a system key or variable. The key path
// field of each record left out goes to `refused`. The script is returned unchanged when
// nothing is left out; otherwise each record is written again on a line of its own, its fields
// quoted as the record quotes them.
std::string WithoutRefusedScriptRecords(std::string_view script, std::vector<std::string>& refused);

// An association of [Associations]: true when undoing it touches only what an association of a
// product's own can have made: the extension is one key (".ext") and none of the system's
// program types (".exe", ".com", ".bat", ".cmd", ".lnk", ".dll", ".sys", ".msi", ".scr", ".pif"
// ...); the class is one key, no extension, and none of the system's classes ("exefile",
// "batfile", "cmdfile", "comfile", "lnkfile", "Directory", "Folder", "*",
// "AllFilesystemObjects", "CLSID", "Interface", "TypeLib" ...); the verb is one key.
bool IsRemovableAssociation(const RecordedAssociation& association);

// An [MSI] package or an [INF] file: an absolute path without "." or ".." steps that lies inside
// the installation folder or the uninstall folder (not the folder itself). The caller folds the
// case of all three paths alike. An INF file must end in ".inf".
bool IsProductPackagePath(std::u16string_view package, std::u16string_view installDir,
                          std::u16string_view uninstallDir);
bool IsProductInfPath(std::u16string_view inf, std::u16string_view installDir,
                      std::u16string_view uninstallDir);

}  // namespace qs
