#pragma once
// A line of the [MSI] section of Uninstall.DAT: the installed package in double quotes, a
// comma, and the user-interface level it was run at.
#include <optional>
#include <string>
#include <string_view>

namespace qs {

struct PackageLine {
  std::string package;  // the package's path, narrow ("|" convention)
  int level = 0;        // the package engine's user-interface level

  bool operator==(const PackageLine&) const = default;
};

// Splits at the last comma, so that a comma inside the path stays there. The package is
// trimmed, loses its double quotes and is trimmed again; the level is the decimal number of
// the second field. Nothing for a line without a comma or with an empty package.
std::optional<PackageLine> ParsePackageLine(std::string_view line);

}  // namespace qs
