#pragma once
// One payload entry as stored: an installed file, package or font, with its shortcut fields.
#include <cstdint>
#include <string>

#include "base/byte_span.h"
#include "base/date_time.h"
#include "base/text.h"

namespace qs {

enum FileKind : uint32_t {
  kInstallFolderFile = 0,
  kSharedFolderFile = 1,
  kFontFile = 4,
  kShortcutFile = 5,
  kSystemFile = 6,
  kSystemComServer = 7,
  kSystemTypeLibrary = 8,
  kVersionedFile = 9,
  kDriverPackage = 10,
  kMsiPackage = 11,
  kControlPanelApplet = 12,
};

inline constexpr uint32_t kEntryDesktop = 0x1;    // shortcut on the desktop
inline constexpr uint32_t kEntryStartMenu = 0x2;  // shortcut in the Start Menu folder
inline constexpr uint32_t kEntryShortcutMask = kEntryDesktop | kEntryStartMenu;
inline constexpr uint32_t kEntryOverwriteMask = 0x1C;  // OverwriteMode in bits 2-4
inline constexpr uint32_t kEntryKeep = 0x20;           // left in place by the uninstaller
inline constexpr uint32_t kEntryInUninstallFolder = 0x40;
inline constexpr uint32_t kEntryUninstallPackage = 0x80000000;  // package recorded for removal
inline constexpr uint32_t kAttributesUnchanged = 0xFFFFFFFF;
inline constexpr uint32_t kAttributeMask = 0x1127;

enum OverwriteMode : uint32_t {
  kOverwriteByKind = 0,
  kOverwriteNoCopy = 1,
  kOverwriteOnlyIfPresent = 2,
  kOverwriteOnlyIfAbsent = 3,
  kOverwriteUnlessExistingNewer = 4,
};

// The bytes a tool read for an entry's texts, kept only where the text's own stored form would
// differ (see StoredNarrowForms in core/product_settings.h). The installer never keeps them.
struct StoredEntryForms {
  std::string name;
  std::string text;
  std::string icon;
  std::string command;
  std::string destination;
  std::string extra;
};

// The texts are decoded where the record is read: the text (a shortcut's caption, a font's or
// applet's name, a version) is stored as UTF-8, the others as narrow texts ("|" + UTF-8, or the
// ANSI code page).
struct PayloadEntry {
  std::u16string name;
  uint32_t kind = 0;
  uint32_t flags = 0;
  uint32_t attributes = kAttributesUnchanged;
  DateTime dateTime;
  std::u16string text;
  std::u16string icon;  // stored only when flags & 3
  std::u16string command;
  std::u16string destination;
  std::u16string extra;
  uint32_t msiUiLevel = 0;  // stored only for kind 11
  ByteSpan content;         // points into the entry's bytes
  uint32_t contentChecksum = 0;
  StoredEntryForms storedForms;

  bool HasIcon() const { return (flags & kEntryShortcutMask) != 0; }
  bool Keep() const { return (flags & kEntryKeep) != 0; }
  uint32_t Overwrite() const { return (flags >> 2) & 7; }
};

// How an entry's narrow texts are decoded: the installer passes the ANSI code page's decoder; a
// tool keeps the stored bytes as well, to write the record back unchanged.
struct EntryDecoding {
  AnsiDecoder decodeAnsi = DecodeLatin1;
  bool keepStoredForms = false;
};

// Decodes an entry record. `contentSize` is the entry's value from the header's size table.
// Returns 0 or 70 (empty name, or fields running past the record or leaving bytes over),
// 71, 72 (size out of range) or 100 (content checksum).
int ParsePayloadEntry(ByteSpan record, int32_t contentSize, PayloadEntry& entry,
                      const EntryDecoding& decoding = {});

}  // namespace qs
