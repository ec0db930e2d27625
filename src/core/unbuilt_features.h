#pragma once
// The features this version of the installer program cannot carry out yet. A product that
// asks for one is refused before anything on the machine changes, the builder refuses the
// project keys behind them, and a payload entry that needs one leaves the run incomplete, so
// that no run reports as done what it did not do.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/product_settings.h"

namespace qs {

// The features, as bits of one word (0x1 was the background window's).
inline constexpr uint32_t kFeatureClosingApplications = 0x2;
inline constexpr uint32_t kFeatureBatches = 0x4;
inline constexpr uint32_t kFeatureRestorePoint = 0x8;
inline constexpr uint32_t kFeatureFolderRights = 0x10;
inline constexpr uint32_t kFeatureShortcuts = 0x20;
inline constexpr uint32_t kFeatureRegistryEntries = 0x40;
inline constexpr uint32_t kFeatureFileAssociations = 0x80;
inline constexpr uint32_t kFeatureFirewallExceptions = 0x100;
inline constexpr uint32_t kFeatureFonts = 0x200;
inline constexpr uint32_t kFeaturePackages = 0x400;
inline constexpr uint32_t kFeatureApplets = 0x800;
inline constexpr uint32_t kFeatureComServers = 0x1000;
inline constexpr uint32_t kFeatureTypeLibraries = 0x2000;
inline constexpr uint32_t kFeatureDrivers = 0x4000;
inline constexpr uint32_t kLastUnbuiltFeature = kFeatureDrivers;

// "shortcuts", "batches", ...: a plural noun that reads in "... are not supported".
std::string_view UnbuiltFeatureName(uint32_t feature);

// The unbuilt features that the product's settings ask for.
uint32_t UnbuiltFeaturesOf(const ProductSettings& settings);

// The unbuilt feature a payload entry of this kind and flags needs, or 0.
uint32_t UnbuiltFeatureOfEntry(uint32_t kind, uint32_t flags);

// "batches, shortcuts and file associations", in the order of the bits.
std::string UnbuiltFeatureList(uint32_t features);

// The refusal shown when a product asks for unbuilt features; nothing has changed by then.
std::string UnbuiltFeaturesRefusal(uint32_t features, bool uninstalling);

}  // namespace qs
