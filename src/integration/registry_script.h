#pragma once
// The product's registry script as the installer carries it out and the uninstaller undoes it
// (the [Registry2] section of Uninstall.DAT): records of comma-separated fields, whose key
// paths begin with a root between backslashes ("\\HKLM\\Software\\Maker").
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// The records of a script, each a list of fields. Records end at a line end that is not inside
// a quoted field; empty lines are skipped. Fields are separated by commas and trimmed of
// spaces, tabs, CR and LF. A field that begins with a double quote runs to its closing quote,
// commas and line ends included; it loses the enclosing quotes, and a doubled quote inside it
// stands for one. A record that ends with a comma has one more, empty, field.
std::vector<std::vector<std::string>> SplitRegistryScript(std::string_view script);

// The one-field record: a key to create.
inline constexpr size_t kKeyRecordFields = 1;
// The value record: key path, value name, type, data, skip-at-install, skip-at-uninstall.
inline constexpr size_t kValueRecordFields = 6;
inline constexpr size_t kValueKeyField = 0;
inline constexpr size_t kValueNameField = 1;
inline constexpr size_t kSkipAtUninstallField = 5;

enum class RegistryRoot {
  kLocalMachine,
  kCurrentUser,
  kClassesRoot,
  kUsers,
  kCurrentConfig,
  kDynData,
  kAllUsers,  // "\\HKAU\\": the same subkey in the hive of every loaded user profile
};

struct RegistryKeyPath {
  RegistryRoot root = RegistryRoot::kLocalMachine;
  std::string subkey;  // without surrounding backslashes; empty: the root key itself

  bool operator==(const RegistryKeyPath&) const = default;
};

// "\\HKLM\\Software\\Maker" gives the local machine and "Software\\Maker". The roots "\\HKLM\\",
// "\\HKCU\\", "\\HKCR\\", "\\HKU\\", "\\HKCC\\" and "\\HKDD\\" are matched without regard to
// case, and the root alone ("\\HKLM") names the root key; the all-users root "\\HKAU\\" only in
// upper case. Nothing for a path without a known root.
std::optional<RegistryKeyPath> ParseRegistryKeyPath(std::string_view path);

}  // namespace qs
