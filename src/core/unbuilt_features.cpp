#include "core/unbuilt_features.h"

#include "core/payload_entry.h"
#include "core/product_flags.h"

namespace qs {

std::string_view UnbuiltFeatureName(uint32_t feature) {
  switch (feature) {
    case kFeatureClosingApplications:
      return "closing running applications";
    case kFeatureBatches:
      return "batches";
    case kFeatureRestorePoint:
      return "system restore points";
    case kFeatureFolderRights:
      return "folder access rights";
    case kFeatureShortcuts:
      return "shortcuts";
    case kFeatureRegistryEntries:
      return "registry entries";
    case kFeatureFileAssociations:
      return "file associations";
    case kFeatureFirewallExceptions:
      return "firewall exceptions";
    case kFeatureFonts:
      return "fonts";
    case kFeaturePackages:
      return "Windows Installer packages";
    case kFeatureApplets:
      return "control panel applets";
    case kFeatureComServers:
      return "COM servers";
    case kFeatureTypeLibraries:
      return "type libraries";
    case kFeatureDrivers:
      return "drivers";
    default:
      return {};
  }
}

uint32_t UnbuiltFeaturesOf(const ProductSettings& s) {
  uint32_t features = 0;
  const auto ask = [&features](bool asked, uint32_t feature) {
    if (asked) features |= feature;
  };
  ask(!s.autoCloseEntries.empty(), kFeatureClosingApplications);
  bool anyBatch = false;
  for (const std::string& batch : s.batches) anyBatch = anyBatch || !batch.empty();
  ask(anyBatch, kFeatureBatches);
  ask((s.ProductFlags2 & kFlags2RestorePoint) != 0, kFeatureRestorePoint);
  ask((s.ProductFlags & (kFlagGrantDirectoryRights | kFlagGrantSharedDirRights)) != 0,
      kFeatureFolderRights);
  ask(!s.shortcuts.empty() || !s.rootShortcutTarget.empty() || !s.taskbarPin.empty() ||
          (s.ProductFlags & (kFlagUninstallerShortcutOnDesktop |
                             kFlagUninstallerShortcutInUninstallDir | kFlagInstallLogShortcut)) !=
              0,
      kFeatureShortcuts);
  // The product's own key is what the uninstaller deletes with its tree: it is only recorded
  // once the run creates it.
  ask(!s.registryText.empty() || !s.ProductRegistry.empty(), kFeatureRegistryEntries);
  ask(!s.associations.empty(), kFeatureFileAssociations);
  ask(!s.firewallRules.empty(), kFeatureFirewallExceptions);
  return features;
}

uint32_t UnbuiltFeatureOfEntry(uint32_t kind, uint32_t flags) {
  switch (kind) {
    case kFontFile:
      return kFeatureFonts;
    case kShortcutFile:
      return kFeatureShortcuts;
    case kSystemComServer:
      return kFeatureComServers;
    case kSystemTypeLibrary:
      return kFeatureTypeLibraries;
    case kDriverPackage:
      return kFeatureDrivers;
    case kMsiPackage:
      return kFeaturePackages;
    case kControlPanelApplet:
      return kFeatureApplets;
    default:
      return (flags & kEntryShortcutMask) != 0 ? kFeatureShortcuts : 0;
  }
}

std::string UnbuiltFeatureList(uint32_t features) {
  std::string list;
  uint32_t left = features & ((kLastUnbuiltFeature << 1) - 1);
  for (uint32_t bit = 1; bit <= kLastUnbuiltFeature; bit <<= 1) {
    if ((left & bit) == 0) continue;
    left &= ~bit;
    if (!list.empty()) list += left == 0 ? " and " : ", ";
    list += UnbuiltFeatureName(bit);
  }
  return list;
}

std::string UnbuiltFeaturesRefusal(uint32_t features, bool uninstalling) {
  return std::string(uninstalling ? "This product's uninstallation" : "This installer") +
         " asks for what this version of the installer program cannot do: " +
         UnbuiltFeatureList(features) + ".\r\n" +
         (uninstalling ? "Nothing was removed." : "Nothing was installed.");
}

}  // namespace qs
