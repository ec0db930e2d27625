// The registry entries of a product, undone: the values of [Registry], the product's own key
// and the product's registry script ([Registry2]).
#include <windows.h>

#include <algorithm>

#include "base/registry_delete_win.h"
#include "base/registry_read_win.h"
#include "base/text_win.h"
#include "integration/all_users_registry_win.h"
#include "integration/integration_removal_win.h"
#include "integration/registry_script.h"

namespace qs {
namespace {

// Deletes at most this many keys of the machine's hive: the product's key and its parents.
constexpr int kMaxMachineKeys = 20;
// A user's "Software\\X" is 10 characters long: shorter is "Software" itself, which stays.
constexpr size_t kShortestUserKey = 10;

REGSAM ViewOf(bool product64) {
  return product64 ? KEY_WOW64_64KEY : 0;
}

HKEY RootHandle(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::kUsers:
      return HKEY_USERS;
    case RegistryRoot::kCurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case RegistryRoot::kDynData:
      return HKEY_DYN_DATA;
    case RegistryRoot::kAllUsers:
      break;
  }
  return nullptr;
}

// Takes the last component off `path`; false when there was none to take.
bool CutLastComponent(std::wstring& path) {
  const size_t last = path.rfind(L'\\');
  if (last == std::wstring::npos) {
    path.clear();
    return false;
  }
  path.resize(last);
  return true;
}

// "Software\\" + the product's key, without stray backslashes; empty when nothing is named.
std::wstring ProductKeyPath(std::string_view productRegistry) {
  std::wstring name = Widen(productRegistry);
  const size_t first = name.find_first_not_of(L"\\ ");
  if (first == std::wstring::npos) return {};
  const size_t last = name.find_last_not_of(L"\\ ");
  return L"Software\\" + name.substr(first, last - first + 1);
}

void DeleteMachineProductKey(const std::wstring& productKey, REGSAM view) {
  std::wstring path = productKey;
  if (DeleteRegistryTree(HKEY_LOCAL_MACHINE, path, view) != ERROR_SUCCESS) return;
  for (int deleted = 1; deleted < kMaxMachineKeys; ++deleted) {
    if (!CutLastComponent(path) || path.empty()) return;
    if (DeleteEmptyRegistryKey(HKEY_LOCAL_MACHINE, path, view) != ERROR_SUCCESS) return;
  }
}

void DeleteUserProductKey(HKEY hive, const std::wstring& productKey, REGSAM view) {
  std::wstring path = productKey;
  DeleteRegistryTree(hive, path, view);
  while (CutLastComponent(path) && path.size() >= kShortestUserKey) {
    if (DeleteEmptyRegistryKey(hive, path, view) != ERROR_SUCCESS) return;
  }
}

void DeleteScriptValue(const RegistryKeyPath& key, std::string_view valueName, REGSAM view) {
  const std::wstring subkey = Widen(key.subkey);
  const std::wstring name = Widen(valueName);
  if (key.root == RegistryRoot::kAllUsers) {
    DeleteValueForAllUsers(subkey, name, view);
  } else {
    DeleteRegistryValue(RootHandle(key.root), subkey, name, view);
  }
}

void DeleteScriptKey(const RegistryKeyPath& key, REGSAM view) {
  const std::wstring subkey = Widen(key.subkey);
  if (key.root == RegistryRoot::kAllUsers) {
    DeleteEmptyKeyForAllUsers(subkey, view);
  } else {
    DeleteEmptyRegistryKey(RootHandle(key.root), subkey, view);
  }
}

}  // namespace

void DeleteRecordedValues(const std::vector<std::string>& registryLines) {
  for (const std::string& line : registryLines) {
    HKEY root = nullptr;
    std::wstring key;
    std::wstring valueName;
    if (!SplitRegistryValuePath(Widen(line), root, key, valueName)) continue;
    DeleteRegistryValue(root, key, valueName);
  }
}

void DeleteProductRegistryKey(std::string_view productRegistry, bool product64) {
  const std::wstring productKey = ProductKeyPath(productRegistry);
  if (productKey.empty()) return;  // never "Software" itself
  const REGSAM view = ViewOf(product64);
  DeleteMachineProductKey(productKey, view);
  for (const UserHive& hive : LoadedUserHives(view)) {
    DeleteUserProductKey(hive.key.Get(), productKey, view);
  }
}

void UndoRegistryScript(std::string_view registry2Text, bool product64) {
  const REGSAM view = ViewOf(product64);
  // Values first and keys afterwards, deepest first: a script creates a key before it writes
  // values into it and a parent before its children, and each key goes only once it is empty.
  std::vector<RegistryKeyPath> keys;
  for (const std::vector<std::string>& record : SplitRegistryScript(registry2Text)) {
    if (record.size() == kKeyRecordFields) {
      std::optional<RegistryKeyPath> key = ParseRegistryKeyPath(record[0]);
      if (key && !key->subkey.empty()) keys.push_back(std::move(*key));
    } else if (record.size() == kValueRecordFields && record[kSkipAtUninstallField] != "1") {
      std::optional<RegistryKeyPath> key = ParseRegistryKeyPath(record[kValueKeyField]);
      if (key) DeleteScriptValue(*key, record[kValueNameField], view);
    }
  }
  std::stable_sort(keys.begin(), keys.end(),
                   [](const RegistryKeyPath& a, const RegistryKeyPath& b) {
                     return a.subkey.size() > b.subkey.size();
                   });
  for (const RegistryKeyPath& key : keys) DeleteScriptKey(key, view);
}

}  // namespace qs
