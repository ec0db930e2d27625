// The project keys behind what the installer program cannot do yet: a project that gives one
// is refused with the key's line, since the installer would refuse the product.
#include <string>
#include <string_view>

#include "builder/project_sections.h"
#include "core/unbuilt_features.h"

namespace qs::builder::project {
namespace {

struct FeatureKeys {
  uint32_t feature;
  // The keys that can ask for the feature, as dotted paths; the first one given is named.
  std::initializer_list<std::string_view> keys;
};

const FeatureKeys kFeatureKeys[] = {
    {kFeatureClosingApplications, {"auto_close"}},
    {kFeatureBatches, {"batches"}},
    {kFeatureRestorePoint, {"options.create_restore_point", "options.product_flags2"}},
    {kFeatureFolderRights,
     {"options.grant_directory_rights", "options.grant_shared_dir_rights",
      "options.product_flags"}},
    {kFeatureShortcuts,
     {"shortcuts", "install.root_shortcut_target", "install.taskbar_pin",
      "options.uninstaller_shortcut_on_desktop", "options.uninstaller_shortcut_in_uninstall_dir",
      "options.install_log_shortcut_in_start_menu", "options.product_flags"}},
    {kFeatureRegistryEntries, {"install.registry", "product.registry_key"}},
    {kFeatureFileAssociations, {"associations"}},
    {kFeatureFirewallExceptions, {"install.firewall_rules"}},
};

std::string NotSupported(uint32_t feature) {
  return std::string(UnbuiltFeatureName(feature)) +
         " are not supported by this version of the installer program";
}

}  // namespace

void RefuseUnbuiltSettings(Table& root, const ProductSettings& s) {
  const uint32_t features = UnbuiltFeaturesOf(s);
  for (const FeatureKeys& entry : kFeatureKeys) {
    if ((features & entry.feature) == 0) continue;
    for (std::string_view key : entry.keys) {
      const toml::node* node = root.raw().at_path(key).node();
      if (node == nullptr) continue;
      root.loader().Fail(LineOf(*node), std::string(key), NotSupported(entry.feature));
      return;
    }
    // Every feature is off unless a key turns it on, so a key was given; name the feature
    // even so.
    root.loader().Fail(root.line(), "", NotSupported(entry.feature));
    return;
  }
}

void RefuseUnbuiltEntry(Table& group, uint32_t kind, uint32_t flags) {
  const uint32_t feature = UnbuiltFeatureOfEntry(kind, flags);
  if (feature == 0) return;
  const std::string_view key = UnbuiltFeatureOfEntry(kind, 0) != 0 ? "kind"
                               : group.Has("desktop")              ? "desktop"
                                                                   : "start_menu";
  group.Fail(key, NotSupported(feature));
}

}  // namespace qs::builder::project
