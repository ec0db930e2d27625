// File associations undone: the default values the installation replaced come back from their
// backups, and the keys it made go.
#include <windows.h>
// windows.h first
#include <shlobj.h>

#include "base/handle_win.h"
#include "base/registry_delete_win.h"
#include "base/registry_read_win.h"
#include "base/registry_view_win.h"
#include "base/text.h"
#include "base/text_win.h"
#include "integration/association_backup.h"
#include "integration/integration_removal_win.h"
#include "integration/shell_folders_win.h"

namespace qs {
namespace {

constexpr REGSAM kAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS;

bool OpenKey(HKEY parent, const std::wstring& name, UniqueRegKey& key) {
  return ::RegOpenKeyExW(parent, name.c_str(), 0, InProgramView(kAccess), key.Receive()) ==
         ERROR_SUCCESS;
}

bool IsEmptyKey(HKEY key, bool valuesCount) {
  DWORD subkeys = 0;
  DWORD values = 0;
  return CountRegistryKeyItems(key, subkeys, values) && subkeys == 0 &&
         (!valuesCount || values == 0);
}

bool HasNoSubkeys(HKEY key) {
  return IsEmptyKey(key, false);
}

// Puts the key's default value back from the backup value and deletes the backup. True when
// there was a backup to put back (the installation replaced an existing value); the backup
// stays when it cannot be written back.
bool RestoreDefault(HKEY key, const std::wstring& backupName) {
  std::wstring backup;
  if (!ReadRegistryText(key, L"", backupName, backup) || backup.empty()) return false;
  const DWORD bytes = static_cast<DWORD>((backup.size() + 1) * sizeof(wchar_t));
  if (::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(backup.c_str()),
                       bytes) == ERROR_SUCCESS) {
    ::RegDeleteValueW(key, backupName.c_str());
  }
  return true;
}

// The subkey's default value put back; true when it had a backup.
bool RestoreSubkeyDefault(HKEY parent, const std::wstring& name, const std::wstring& backupName) {
  UniqueRegKey key;
  return OpenKey(parent, name, key) && RestoreDefault(key.Get(), backupName);
}

// Whether the key's default value names `className`.
bool DefaultNames(HKEY key, const std::wstring& className) {
  std::wstring value;
  return ReadRegistryText(key, L"", L"", value) &&
         EqualsIgnoreAsciiCase(Narrow(value), Narrow(className));
}

// Step 1: the extension's own default value, and the class in its "OpenWithProgids".
bool RestoreExtension(const std::wstring& extension, const std::wstring& className, bool openVerb,
                      const std::wstring& backupName) {
  UniqueRegKey key;
  if (!OpenKey(HKEY_CLASSES_ROOT, extension, key)) return false;
  const bool restored = RestoreDefault(key.Get(), backupName);
  if (openVerb) {
    UniqueRegKey progids;
    if (OpenKey(key.Get(), L"OpenWithProgids", progids)) {
      ::RegDeleteValueW(progids.Get(), className.c_str());
    }
  }
  return restored;
}

// What the association left in the extension key once its class is gone: the default value
// that names the class and an empty "OpenWithProgids". The key itself goes only when nothing
// else is in it, so that what other programs keep there stays.
void RemoveExtension(const std::wstring& extension, const std::wstring& className) {
  {
    UniqueRegKey key;
    if (!OpenKey(HKEY_CLASSES_ROOT, extension, key)) return;
    if (DefaultNames(key.Get(), className)) ::RegDeleteValueW(key.Get(), nullptr);
    DeleteEmptyRegistryKey(key.Get(), L"OpenWithProgids");
  }
  DeleteEmptyRegistryKey(HKEY_CLASSES_ROOT, extension);
}

// Steps 2 and 3: the class key. True when the class key is gone (also when an earlier
// association of the same class removed it).
bool RemoveClass(const std::wstring& className, const std::wstring& verb,
                 const std::wstring& backupName) {
  bool classRestored = false;
  {
    UniqueRegKey classKey;
    const LONG opened = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, className.c_str(), 0,
                                        InProgramView(kAccess), classKey.Receive());
    if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND;
    classRestored = RestoreDefault(classKey.Get(), backupName);
    const bool iconRestored = RestoreSubkeyDefault(classKey.Get(), L"DefaultIcon", backupName);

    bool shellEmpty = false;
    {
      // Without a verb there is no verb key: "shell" itself must never be taken for one.
      UniqueRegKey shell;
      if (!verb.empty() && OpenKey(classKey.Get(), L"shell", shell)) {
        RestoreDefault(shell.Get(), backupName);
        bool commandRestored = false;
        {
          UniqueRegKey verbKey;
          if (OpenKey(shell.Get(), verb, verbKey)) {
            RestoreDefault(verbKey.Get(), backupName);
            commandRestored = RestoreSubkeyDefault(verbKey.Get(), L"command", backupName);
          }
        }
        // A command without a backup was the installation's own: the whole verb goes.
        if (!commandRestored) DeleteRegistryTree(shell.Get(), verb);
        shellEmpty = HasNoSubkeys(shell.Get());
      }
    }
    if (shellEmpty) DeleteRegistryTree(classKey.Get(), L"shell");

    // An icon the installation gave a class of its own would keep the class alive: when it is
    // the last thing left and had no backup, it goes with the class.
    DWORD subkeys = 0;
    DWORD values = 0;
    if (!classRestored && !iconRestored && CountRegistryKeyItems(classKey.Get(), subkeys, values) &&
        subkeys == 1 && RegistryKeyExists(classKey.Get(), L"DefaultIcon")) {
      DeleteRegistryTree(classKey.Get(), L"DefaultIcon");
    }
    // A class whose own default came back from a backup was there before the installation.
    if (classRestored || !HasNoSubkeys(classKey.Get())) return false;
  }
  return DeleteRegistryTree(HKEY_CLASSES_ROOT, className) == ERROR_SUCCESS;
}

}  // namespace

void RemoveAssociations(const std::vector<RecordedAssociation>& associations,
                        std::u16string_view displayName) {
  if (associations.empty()) return;
  const std::wstring backupName(AsWide(AssociationBackupName(displayName)));
  for (const RecordedAssociation& association : associations) {
    if (association.extension.empty() || association.class_name.empty()) continue;
    const std::wstring extension = Widen(association.extension);
    const std::wstring className = Widen(association.class_name);
    const std::wstring verb = Widen(association.verb);
    const bool openVerb = EqualsIgnoreAsciiCase(association.verb, "open");

    const bool extensionRestored = RestoreExtension(extension, className, openVerb, backupName);
    if (RemoveClass(className, verb, backupName) && !extensionRestored) {
      RemoveExtension(extension, className);
    }
  }
  NotifyShell(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace qs
