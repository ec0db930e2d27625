#pragma once
// Undoing what the integration phases did, from the uninstall record. Each works through its
// records and goes on after a failure; only what the uninstaller reports goes to
// `failureSummary`.
#include <string>
#include <string_view>
#include <vector>

#include "uninstall/uninstall_record.h"

namespace qs {

// File associations: backed-up defaults come back, the keys the installation made go.
// `displayName` names the backup values (display name + " Backup"). A verb whose command had
// no backup goes, then an empty "shell"; a class left without subkeys goes unless its own
// default came back from a backup (it was there before). An extension that got no default
// back loses what the association put there (its default naming the class, an emptied
// "OpenWithProgids") and goes when nothing else is left in it. The shell is told once.
void RemoveAssociations(const std::vector<RecordedAssociation>& associations,
                        std::u16string_view displayName);

// What the font step asks: `ask` is true in interactive runs of a product that asks before
// removing each font; kTextRemoveFontQuestion and kTextRemoveFontCaption come from the run's texts.
struct FontRemovalOptions {
  bool ask = false;
};
// Removes the fonts of "ProductFonts" (registered name, fonts list entry, the file) and
// returns what is left of the text (the fonts the user kept). A change is broadcast when at
// least one font went.
std::string RemoveProductFonts(std::string_view productFonts, const FontRemovalOptions& options);

// Runs each [MSI] package with "REBOOT=R REMOVE=ALL" at its user-interface level. A failure
// adds its line to `failureSummary`; the lines that failed stay in `msiLines`. A package that
// is removed but needs a restart to finish sets the uninstallation's restart flag.
void RemoveInstallerPackages(std::vector<std::string>& msiLines, std::u16string& failureSummary);

// Unpins every removal entry that lies under "\\User Pinned\\".
void UnpinFromTaskbar(const std::vector<std::string>& removalEntries);

// [Registry]: each line is a full value path; the value is deleted.
void DeleteRecordedValues(const std::vector<std::string>& registryLines);
// The product's own key "Software\\" + productRegistry with its subkeys, in HKLM (then its
// empty parents, at most 20 keys in all) and in every user's hive (then its empty parents
// below "Software"). `product64` selects the 64-bit view.
void DeleteProductRegistryKey(std::string_view productRegistry, bool product64);
// [Registry2]: the product's registry script undone. The values of its value records go
// (unless marked to stay), then the keys of its key records, deepest first, each only when
// nothing is left in it. "\\HKAU\\" paths are undone in every user's hive.
void UndoRegistryScript(std::string_view registry2Text, bool product64);

// [Firewall]: the exceptions the installation added (ports and programs). Relative program
// paths are taken against `installDir`.
void RemoveFirewallExceptions(const std::vector<std::string>& firewallLines,
                              std::u16string_view installDir);

// [INF]: the installed drivers, removed by their INF file name.
void RemoveDrivers(const std::vector<std::string>& infLines);

// Deletes a folder with everything in it (the product asks for its installation folder to go).
// Read-only files go too; links to folders elsewhere are removed without entering them. A
// drive's root, a share, a relative path and the system's own folders are refused. True when
// the folder is gone.
bool DeleteFolderTree(const std::wstring& folder);

// The system's own folders (Windows, Program Files, the desktops, Start Menus, profiles...)
// and the folders that hold them ("C:\\Users" holds every profile), which no product's folder
// can be, whatever its record says.
bool IsOrHoldsSystemFolder(const std::wstring& folder);

}  // namespace qs
