// The refusal names what the product asks for and this program cannot do, in one sentence.
#include "core/unbuilt_features.h"

#include <gtest/gtest.h>

#include "core/payload_entry.h"
#include "core/product_flags.h"

namespace qs {
namespace {

TEST(UnbuiltFeatures, TheRefusalListsEachFeatureOnce) {
  struct Case {
    uint32_t features;
    const char* list;
  };
  const Case cases[] = {
      {kFeatureBatches, "batches"},
      {kFeatureBatches | kFeatureShortcuts, "batches and shortcuts"},
      {kFeatureClosingApplications | kFeatureBatches | kFeatureDrivers,
       "closing running applications, batches and drivers"},
      {0, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(UnbuiltFeatureList(c.features), c.list);
  EXPECT_EQ(UnbuiltFeaturesRefusal(kFeatureFonts, false),
            "This installer asks for what this version of the installer program cannot do: "
            "fonts.\r\nNothing was installed.");
  EXPECT_EQ(UnbuiltFeaturesRefusal(kFeatureBatches, true),
            "This product's uninstallation asks for what this version of the installer program "
            "cannot do: batches.\r\nNothing was removed.");
}

TEST(UnbuiltFeatures, SettingsWithoutThemAskForNothing) {
  ProductSettings settings;
  EXPECT_EQ(UnbuiltFeaturesOf(settings), 0u);
  // A background window and its full-screen form are built.
  settings.ProductFlags = kFlagFullScreenBackground;
  EXPECT_EQ(UnbuiltFeaturesOf(settings), 0u);
  settings.batches[kUninstallBatch2] = "echo";
  settings.firewallRules = "app.exe";
  EXPECT_EQ(UnbuiltFeaturesOf(settings), kFeatureBatches | kFeatureFirewallExceptions);
}

TEST(UnbuiltFeatures, EntriesNeedThemByKindOrShortcutBits) {
  EXPECT_EQ(UnbuiltFeatureOfEntry(kInstallFolderFile, kEntryKeep), 0u);
  EXPECT_EQ(UnbuiltFeatureOfEntry(kSystemFile, 0), 0u);
  EXPECT_EQ(UnbuiltFeatureOfEntry(kInstallFolderFile, kEntryDesktop), kFeatureShortcuts);
  EXPECT_EQ(UnbuiltFeatureOfEntry(kMsiPackage, kEntryUninstallPackage), kFeaturePackages);
  EXPECT_EQ(UnbuiltFeatureOfEntry(kSystemTypeLibrary, 0), kFeatureTypeLibraries);
}

}  // namespace
}  // namespace qs
