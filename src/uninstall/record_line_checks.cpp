#include "uninstall/record_line_checks.h"

#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "integration/folder_tree.h"

namespace qs {
namespace {

// The first steps below "Software" that the system and every product share. A product key named
// by one of them would take, in HKLM and in every user's hive, the whole of what the system
// keeps there ("Microsoft" holds Windows' own settings, "Classes" every file type).
constexpr std::string_view kSharedSoftwareKeys[] = {
    "microsoft",
    "classes",
    "policies",
    "wow6432node",
    "windows",
    "clients",
    "registeredapplications",
};

// Keys whose own values belong to the system (lower case, relative to HKLM or a user's hive,
// after "Software\\Wow6432Node" has been read as "Software" and a numbered control set as
// "CurrentControlSet"). A product's value lives in a key of its own or in a list key such as
// "Run", never directly in one of these: deleting "Shell" in Winlogon, say, leaves no desktop.
constexpr std::string_view kSystemKeys[] = {
    "",
    "software",
    "software\\microsoft",
    "software\\policies",
    "software\\policies\\microsoft",
    "software\\wow6432node",
    "software\\clients",
    "software\\registeredapplications",
    "software\\windows",
    "software\\microsoft\\windows",
    "software\\microsoft\\windows\\currentversion",
    "software\\microsoft\\windows\\currentversion\\explorer",
    "software\\microsoft\\windows\\currentversion\\policies",
    "software\\microsoft\\windows\\currentversion\\uninstall",
    "software\\microsoft\\windows\\currentversion\\app paths",
    "software\\microsoft\\windows nt",
    "software\\microsoft\\windows nt\\currentversion",
    "software\\microsoft\\windows nt\\currentversion\\winlogon",
    "software\\microsoft\\windows nt\\currentversion\\windows",
    "software\\microsoft\\windows nt\\currentversion\\image file execution options",
    "system",
    "system\\currentcontrolset",
    "system\\currentcontrolset\\control",
    "system\\currentcontrolset\\control\\session manager",
    "system\\currentcontrolset\\services",
    "system\\currentcontrolset\\enum",
    "system\\select",
    "system\\setup",
    "sam",
    "security",
    "hardware",
    "bcd00000000",
    "control panel",
    "control panel\\desktop",
};

// Environment keys hold a product's own variables as well as the system's; these are the
// system's, without which programs are no longer found or started.
constexpr std::string_view kEnvironmentKeys[] = {
    "environment",
    "system\\currentcontrolset\\control\\session manager\\environment",
};
constexpr std::string_view kSystemVariables[] = {
    "path", "pathext", "comspec", "windir", "temp", "tmp", "os", "psmodulepath", "systemroot",
};

// File classes of the system: a product's association never made them, and undoing one would
// unhook how programs, shortcuts and folders open. Nothing below them is deleted.
constexpr std::string_view kSystemClasses[] = {
    "*",           "allfilesystemobjects",
    "directory",   "folder",
    "drive",       "exefile",
    "batfile",     "cmdfile",
    "comfile",     "lnkfile",
    "piffile",     "scrfile",
    "dllfile",     "sysfile",
    "regfile",     "unknown",
    "msi.package",
};
// Extensions of the system's program types.
constexpr std::string_view kSystemExtensions[] = {
    ".exe", ".com", ".bat", ".cmd", ".lnk", ".dll", ".sys", ".msi", ".scr", ".pif", ".cpl", ".msp",
};
// Class keys that list what every product registers: a product's entry lies below them (its
// own CLSID), never in the list key itself.
constexpr std::string_view kClassLists[] = {
    "clsid", "interface", "typelib", "appid", "systemfileassociations", "wow6432node",
};

template <size_t N>
bool IsAmong(std::string_view lowered, const std::string_view (&names)[N]) {
  for (std::string_view name : names) {
    if (lowered == name) return true;
  }
  return false;
}

enum class Hive { kMachine, kUser, kClasses, kUsers, kOther };

// The key's steps, lower-cased; false for an empty, "." or ".." step. An empty path is the
// hive's root, with no steps.
bool SplitKey(std::string_view key, std::vector<std::string>& steps) {
  steps.clear();
  if (key.empty()) return true;
  size_t start = 0;
  while (true) {
    const size_t end = key.find('\\', start);
    const std::string_view step =
        key.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (step.empty() || step == "." || step == "..") return false;
    steps.push_back(AsciiLower(step));
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

std::string Join(const std::vector<std::string>& steps, size_t first = 0) {
  std::string path;
  for (size_t i = first; i < steps.size(); ++i) {
    if (i > first) path += '\\';
    path += steps[i];
  }
  return path;
}

bool IsExtensionName(std::string_view name) {
  return !name.empty() && name.front() == '.';
}

// A key below the classes' root, by its steps from `first` on.
bool IsSystemClassKey(const std::vector<std::string>& steps, size_t first) {
  size_t at = first;
  if (at < steps.size() && steps[at] == "wow6432node") ++at;  // the 32-bit classes
  if (at == steps.size()) return true;                        // the root itself
  const std::string& top = steps[at];
  if (IsAmong(top, kSystemClasses) || IsAmong(top, kSystemExtensions)) return true;
  return at + 1 == steps.size() && IsAmong(top, kClassLists);
}

// A key of HKLM or of a user's hive.
bool IsSystemHiveKey(std::vector<std::string> steps) {
  if (steps.size() >= 2 && steps[0] == "software" && steps[1] == "wow6432node") {
    if (steps.size() == 2) return true;
    steps.erase(steps.begin() + 1);
  }
  if (steps.size() >= 2 && steps[0] == "software" && steps[1] == "classes") {
    return IsSystemClassKey(steps, 2);
  }
  if (steps.size() >= 2 && steps[0] == "system" && steps[1].starts_with("controlset")) {
    steps[1] = "currentcontrolset";
  }
  return IsAmong(Join(steps), kSystemKeys);
}

bool IsSystemKey(Hive hive, const std::vector<std::string>& steps) {
  switch (hive) {
    case Hive::kMachine:
    case Hive::kUser:
      return IsSystemHiveKey(steps);
    case Hive::kClasses:
      return IsSystemClassKey(steps, 0);
    case Hive::kUsers:
      // HKU itself and each user's hive root; below, a user's hive or its classes.
      if (steps.size() < 2) return true;
      if (steps[0].ends_with("_classes")) return IsSystemClassKey(steps, 1);
      return IsSystemHiveKey(std::vector<std::string>(steps.begin() + 1, steps.end()));
    case Hive::kOther:
      return steps.empty();
  }
  return true;
}

bool IsSystemVariable(const std::vector<std::string>& steps, Hive hive,
                      std::string_view valueName) {
  std::vector<std::string> key = steps;
  if (hive == Hive::kUsers && !key.empty()) key.erase(key.begin());
  if (key.size() >= 2 && key[0] == "system" && key[1].starts_with("controlset")) {
    key[1] = "currentcontrolset";
  }
  return IsAmong(Join(key), kEnvironmentKeys) && IsAmong(AsciiLower(valueName), kSystemVariables);
}

// The root of a value path as the uninstaller reads it: after any leading backslashes, a root
// name (any case) and a backslash.
bool SplitRoot(std::string_view path, Hive& hive, std::string_view& rest) {
  struct RootName {
    std::string_view name;
    Hive hive;
  };
  static constexpr RootName kRoots[] = {
      {"HKLM", Hive::kMachine},
      {"HKEY_LOCAL_MACHINE", Hive::kMachine},
      {"HKAU", Hive::kMachine},
      {"HKCU", Hive::kUser},
      {"HKEY_CURRENT_USER", Hive::kUser},
      {"HKCR", Hive::kClasses},
      {"HKEY_CLASSES_ROOT", Hive::kClasses},
      {"HKU", Hive::kUsers},
      {"HKEY_USERS", Hive::kUsers},
      {"HKCC", Hive::kOther},
      {"HKEY_CURRENT_CONFIG", Hive::kOther},
      {"HKDD", Hive::kOther},
      {"HKEY_DYN_DATA", Hive::kOther},
  };
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  for (const RootName& root : kRoots) {
    if (path.size() <= root.name.size() || path[root.name.size()] != '\\' ||
        !StartsWithIgnoreAsciiCase(path, root.name)) {
      continue;
    }
    hive = root.hive;
    rest = path.substr(root.name.size() + 1);
    return true;
  }
  return false;
}

Hive HiveOf(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kLocalMachine:
      return Hive::kMachine;
    case RegistryRoot::kCurrentUser:
    case RegistryRoot::kAllUsers:  // the same key in each user's hive
      return Hive::kUser;
    case RegistryRoot::kClassesRoot:
      return Hive::kClasses;
    case RegistryRoot::kUsers:
      return Hive::kUsers;
    case RegistryRoot::kCurrentConfig:
    case RegistryRoot::kDynData:
      break;
  }
  return Hive::kOther;
}

// One key name: not empty and no path.
bool IsSingleKey(std::string_view name) {
  return !name.empty() && name.find('\\') == std::string_view::npos && name != "." && name != "..";
}

bool IsRemovableKey(Hive hive, std::string_view key) {
  std::vector<std::string> steps;
  return SplitKey(key, steps) && !IsSystemKey(hive, steps);
}

bool IsRemovableValue(Hive hive, std::string_view key, std::string_view name) {
  std::vector<std::string> steps;
  return SplitKey(key, steps) && !IsSystemKey(hive, steps) && !IsSystemVariable(steps, hive, name);
}

bool IsInsideProductFolders(std::u16string_view path, std::u16string_view installDir,
                            std::u16string_view uninstallDir) {
  if (!IsDeletableFolderTree(path)) return false;
  // HoldsFolder is true for the folder itself, which is no package.
  auto inside = [path](std::u16string_view folder) {
    return IsDeletableFolderTree(folder) && HoldsFolder(folder, path) && !HoldsFolder(path, folder);
  };
  return inside(installDir) || inside(uninstallDir);
}

}  // namespace

bool IsOwnProductRegistryKey(std::string_view productRegistry) {
  // Trimmed as the uninstaller trims it before putting "Software\\" in front.
  const size_t first = productRegistry.find_first_not_of("\\ ");
  if (first == std::string_view::npos) return false;
  const size_t last = productRegistry.find_last_not_of("\\ ");
  std::vector<std::string> steps;
  if (!SplitKey(productRegistry.substr(first, last - first + 1), steps)) return false;
  // A step of dots and spaces alone is ".." to a reader who trims names.
  for (const std::string& step : steps) {
    if (step.find_first_not_of(". ") == std::string::npos) return false;
  }
  std::string_view top = steps.front();
  while (!top.empty() && top.back() == ' ') top.remove_suffix(1);
  return !IsAmong(top, kSharedSoftwareKeys);
}

bool IsRemovableRegistryValue(std::string_view valuePath) {
  Hive hive = Hive::kOther;
  std::string_view rest;
  if (!SplitRoot(valuePath, hive, rest)) return false;
  const size_t last = rest.rfind('\\');
  const std::string_view key =
      last == std::string_view::npos ? std::string_view{} : rest.substr(0, last);
  const std::string_view name = last == std::string_view::npos ? rest : rest.substr(last + 1);
  return IsRemovableValue(hive, key, name);
}

std::string WithoutRefusedScriptRecords(std::string_view script,
                                        std::vector<std::string>& refused) {
  const std::vector<std::vector<std::string>> records = SplitRegistryScript(script);
  std::string kept;
  bool left = false;
  for (const std::vector<std::string>& record : records) {
    bool removable = true;
    if (record.size() == kKeyRecordFields) {
      // A key without a known root, or a root alone, is never deleted.
      const std::optional<RegistryKeyPath> key = ParseRegistryKeyPath(record[0]);
      removable = !key || key->subkey.empty() || IsRemovableKey(HiveOf(key->root), key->subkey);
    } else if (record.size() == kValueRecordFields && record[kSkipAtUninstallField] != "1") {
      const std::optional<RegistryKeyPath> key = ParseRegistryKeyPath(record[kValueKeyField]);
      removable = !key || IsRemovableValue(HiveOf(key->root), key->subkey, record[kValueNameField]);
    }
    if (!removable) {
      refused.push_back(record[0]);
      left = true;
      continue;
    }
    for (size_t i = 0; i < record.size(); ++i) {
      if (i != 0) kept += ',';
      kept += QuoteRecordField(record[i]);
    }
    kept += "\r\n";
  }
  return left ? kept : std::string(script);
}

bool IsRemovableAssociation(const RecordedAssociation& association) {
  const std::string extension = AsciiLower(association.extension);
  const std::string className = AsciiLower(association.class_name);
  if (!IsSingleKey(extension) || !IsExtensionName(extension) || extension.size() < 2 ||
      IsAmong(extension, kSystemExtensions)) {
    return false;
  }
  if (!IsSingleKey(className) || IsExtensionName(className) || IsAmong(className, kSystemClasses) ||
      IsAmong(className, kClassLists)) {
    return false;
  }
  // Without a verb the remover touches no verb key; with one, it is a single key below "shell".
  return association.verb.empty() || IsSingleKey(association.verb);
}

bool IsProductPackagePath(std::u16string_view package, std::u16string_view installDir,
                          std::u16string_view uninstallDir) {
  return IsInsideProductFolders(package, installDir, uninstallDir);
}

bool IsProductInfPath(std::u16string_view inf, std::u16string_view installDir,
                      std::u16string_view uninstallDir) {
  return inf.size() > 4 && inf.substr(inf.size() - 4) == u".inf" &&
         IsInsideProductFolders(inf, installDir, uninstallDir);
}

}  // namespace qs
