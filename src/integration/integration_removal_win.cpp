#include "integration/integration_removal_win.h"

namespace qs {

void RemoveAssociations(const std::vector<RecordedAssociation>&, std::string_view) {}
std::string RemoveProductFonts(std::string_view productFonts, const FontRemovalOptions&) {
  return std::string(productFonts);
}
void RemoveInstallerPackages(std::vector<std::string>&, std::string&) {}
void UnpinFromTaskbar(const std::vector<std::string>&) {}
void DeleteRecordedValues(const std::vector<std::string>&) {}
void DeleteProductRegistryKey(std::string_view, bool) {}
void UndoRegistryScript(std::string_view, bool) {}
void RemoveFirewallExceptions(const std::vector<std::string>&, std::string_view) {}
void RemoveDrivers(const std::vector<std::string>&) {}
void DeleteFolderTree(const std::wstring&) {}

}  // namespace qs
