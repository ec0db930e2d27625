#pragma once
// The words of the project file for stored numbers: file kinds, overwrite modes, attributes,
// systems, positions and the like. The loader reads them and the printer writes them, so a
// printed project reads back to the same numbers.
#include <cstdint>
#include <span>
#include <string_view>

#include "core/payload_entry.h"

namespace qs::builder {

struct NamedValue {
  std::string_view name;
  uint64_t value;
};

// Payload entry kinds (2, 3 and above 12 are refused by the installer).
inline constexpr NamedValue kFileKindNames[] = {
    {"install_dir", 0}, {"shared_dir", 1}, {"font", 4},           {"shortcut", 5},
    {"system", 6},      {"com_server", 7}, {"type_library", 8},   {"versioned", 9},
    {"driver", 10},     {"msi", 11},       {"control_panel", 12},
};

inline constexpr NamedValue kOverwriteNames[] = {
    {"by_kind", 0}, {"no_copy", 1}, {"if_present", 2}, {"if_absent", 3}, {"unless_newer", 4},
};

// File attributes the installer sets after writing (it masks the value with 0x1127).
inline constexpr NamedValue kAttributeNames[] = {
    {"readonly", 0x1}, {"hidden", 0x2},      {"system", 0x4},
    {"archive", 0x20}, {"temporary", 0x100}, {"offline", 0x1000},
};

inline constexpr NamedValue kSystemNames[] = {
    {"other", 0x1},   {"win32s", 0x2},       {"win95", 0x4},         {"win98", 0x8},
    {"winme", 0x10},  {"nt3", 0x20},         {"nt4", 0x40},          {"win2000", 0x80},
    {"xp", 0x100},    {"server2003", 0x200}, {"vista", 0x400},       {"server2008", 0x800},
    {"win7", 0x1000}, {"win8", 0x2000},      {"server2012", 0x4000}, {"win10", 0x8000},
};

inline constexpr NamedValue kBitnessNames[] = {{"any", 0}, {"64-bit", 1}, {"32-bit", 2}};
inline constexpr NamedValue kAdminNames[] = {{"none", 0}, {"required", 1}, {"recommended", 2}};
inline constexpr NamedValue kAutomaticModeNames[] = {
    {"command_line", 0}, {"always", 1}, {"never", 2}};
inline constexpr NamedValue kSharedDirBaseNames[] = {{"common_files", 0}, {"app_data", 1}};

// Title and copyright positions on the background window.
inline constexpr NamedValue kPositionNames[] = {
    {"hidden", 0},      {"top_left", 1},      {"top_center", 2},   {"top_right", 3},
    {"bottom_left", 4}, {"bottom_center", 5}, {"bottom_right", 6},
};
inline constexpr NamedValue kStretchNames[] = {
    {"stretch", 0}, {"fit", 1}, {"multiples", 2}, {"tile", 3}};

// Page layouts: "plain" has no picture (the greeting is then a message box), "picture" a
// picture column, "header" a band across the top.
inline constexpr NamedValue kLayoutNames[] = {{"plain", 0}, {"picture", 1}, {"header", 2}};
inline constexpr std::string_view kLayoutKeys[] = {
    "greeting", "language", "license", "readme", "directory", "start_menu", "progress", "summary"};

// Where the progress page goes: bits 0-1 across, bits 3-4 down.
inline constexpr NamedValue kHorizontalNames[] = {
    {"unchanged", 0}, {"left", 1}, {"right", 2}, {"center", 3}};
inline constexpr NamedValue kVerticalNames[] = {
    {"unchanged", 0}, {"top", 0x8}, {"bottom", 0x10}, {"center", 0x18}};

inline constexpr NamedValue kConditionNames[] = {
    {"always", 0},     {"date_equal", 1},    {"date_from", 2},    {"date_until", 3},
    {"size_equal", 4}, {"size_at_least", 5}, {"size_at_most", 6},
};

// Kinds of saved registry values: 2 an expandable string, 4 a number, any other a string.
inline constexpr NamedValue kSavedValueKindNames[] = {
    {"string", 1}, {"expand_string", 2}, {"number", 4}};

inline constexpr NamedValue kAutoCloseActionNames[] = {
    {"close", 0}, {"quit", 1}, {"ask", 2}, {"terminate", 3}};

inline constexpr NamedValue kShowStateNames[] = {{"normal", 0}, {"minimized", 1}, {"maximized", 2}};

inline const NamedValue* FindNamed(std::span<const NamedValue> names, std::string_view name) {
  for (const NamedValue& entry : names) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

inline const NamedValue* FindValue(std::span<const NamedValue> names, uint64_t value) {
  for (const NamedValue& entry : names) {
    if (entry.value == value) return &entry;
  }
  return nullptr;
}

// The batches in stream order.
inline constexpr std::string_view kBatchKeys[] = {
    "pre_install",     "post_install", "install_exit", "before_uninstall",
    "after_uninstall", "upgrade",      "reinstall"};

// Payload entry flag bits the project names; the rest are given as a raw word.
inline constexpr uint32_t kEntryNamedFlags = kEntryShortcutMask | kEntryOverwriteMask | kEntryKeep |
                                             kEntryInUninstallFolder | kEntryUninstallPackage;

}  // namespace qs::builder
