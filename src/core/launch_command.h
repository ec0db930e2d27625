#pragma once
// The command lines the installer starts at its end (/r and the summary page's program), made
// unambiguous before CreateProcess reads them: a program path with blanks would otherwise be
// tried piece by piece ("C:\Program Files\X\a.exe" tries "C:\Program.exe" first), and a bare
// name would be looked up in the installer's own folder (a download folder) before the
// installation folder.
#include <string>
#include <string_view>

namespace qs {

// A plain function: std::function would bring the C++ library's exception machinery into the
// program (some 40 KB).
using FileTest = bool (*)(std::u16string_view path);

// The whole text, when it names a file (relative ones in `folder`), becomes that file quoted.
// Otherwise an unquoted first word that names a file in `folder` becomes its full path,
// quoted, before the rest. Anything else stays as it is.
std::u16string ResolveLaunchCommand(std::u16string_view command, std::u16string_view folder,
                                    FileTest isFile);

}  // namespace qs
