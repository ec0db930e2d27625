#pragma once
// Everything the settings stream says about the product, as read from it, plus the lists it
// carries. Fields keep the names they are stored under in the Add/Remove Programs
// registration and the uninstall record.
// The names and paths the stream stores as narrow texts are decoded to UTF-16 as they are read
// (core/settings_reader.h) and encoded again only by the builder; the script-like texts (the
// registry script, batches, addresses, versions to compare) and the lists' records stay as stored.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/date_time.h"

namespace qs {

// What the installer accepts; the builder refuses anything beyond.
inline constexpr uint16_t kMaxMinStepDelay = 9999;
inline constexpr int32_t kMaxDocuments = 20;            // licences, and readmes
inline constexpr int32_t kMaxListRecords = 1000;        // associations, shortcuts, saved values
inline constexpr size_t kMaxConditionalDeletes = 1001;  // the 1002nd is refused
inline constexpr size_t kMaxAutoCloseEntries = 1000;
inline constexpr int32_t kMaxLanguages = 200;
inline constexpr int32_t kMaxTexts = 10000;

// The records that end the two lists without a count.
inline constexpr char kConditionalDeleteEnd[] = "~~THE END~~";
inline constexpr char kAutoCloseEnd[] = "~~THE~END~~";

// Bits of FileDeletion::mode.
inline constexpr uint8_t kDeleteModeAtRestart = 0x1;           // never now, at the restart
inline constexpr uint8_t kDeleteModeAtRestartOnFailure = 0x2;  // at the restart if now fails
inline constexpr uint8_t kDeleteModeInstall = 0x4;             // taken while installing
inline constexpr uint8_t kDeleteModeUninstall = 0x8;           // taken while uninstalling

// One conditional deletion: files matching `file_spec` that pass `condition` are removed.
struct FileDeletion {
  std::string file_spec;
  uint8_t condition = 0;
  std::string condition_argument;
  uint8_t mode = 0;  // kDeleteMode... bits

  bool operator==(const FileDeletion&) const = default;
};

// One file-type association. Texts are narrow.
struct FileAssociation {
  uint32_t flags = 0;  // bit 0: the verb becomes the type's default verb
  std::string extension;
  std::string label;
  std::string description;
  std::string verb;
  std::string verbText;
  std::string command;
  std::string language;  // when not empty, only for installations in this language
  std::string icon;

  bool operator==(const FileAssociation&) const = default;
};

// A shortcut: from the settings' list, or made for an installed file.
struct ShortcutRecord {
  std::string target;
  std::u16string name;  // stored as UTF-8; may hold backslashes for subfolders
  std::string icon;
  std::string arguments;
  std::string workingDirectory;
  uint8_t onDesktop = 0;
  uint8_t inStartMenu = 0;
  uint8_t inStartup = 0;
  std::string customFolder;
  uint8_t showState = 0;  // 0 normal, 1 minimised, 2 maximised
  uint8_t keepAtUninstall = 0;
  uint8_t fromSettings = 0;  // not stored: 1 for the settings' list

  bool operator==(const ShortcutRecord&) const = default;
};

// A registry value written after installation.
struct SavedValue {
  std::string keyPath;
  uint8_t kind = 0;
  std::string data;

  bool operator==(const SavedValue&) const = default;
};

// A program to close before files are replaced.
struct AutoCloseEntry {
  std::string window_class;
  std::string window_title;
  std::string display_name;
  uint32_t action = 0;  // 0 close, 1 quit, 2 ask the user, 3 end the process
  uint8_t phases = 0;

  bool operator==(const AutoCloseEntry&) const = default;
};

// The product's texts: one column per language, text by text.
struct LanguageTable {
  std::vector<std::string> names;
  int32_t textCount = 0;
  std::vector<std::u16string> texts;  // texts[n * names.size() + language]
  size_t defaultLanguage = 0;         // "English", else the first

  const std::u16string* Find(int32_t number, size_t language) const {
    if (number < 0 || number >= textCount || language >= names.size()) return nullptr;
    size_t index = static_cast<size_t>(number) * names.size() + language;
    return index < texts.size() ? &texts[index] : nullptr;
  }

  bool operator==(const LanguageTable&) const = default;
};

inline constexpr size_t kBatchCount = 7;
enum BatchIndex : size_t {
  kPreInstallationBatch = 0,
  kPostInstallationBatch = 1,
  kInstallationExitBatch = 2,
  kUninstallBatch1 = 3,
  kUninstallBatch2 = 4,
  kUpgradeBatch = 5,
  kReinstallBatch = 6,
};

inline constexpr size_t kDialogLayoutCount = 8;
enum DialogLayoutIndex : size_t {
  kGreetingLayout = 0,
  kLanguageLayout = 1,
  kLicenseLayout = 2,
  kReadmeLayout = 3,
  kDirectoryLayout = 4,
  kStartMenuLayout = 5,
  kProgressLayout = 6,
  kSummaryLayout = 7,
};

// The product's texts that the stream stores in the narrow form (base/text.h).
enum class NarrowField : uint8_t {
  kTaskbarText,
  kPublisher,
  kDisplayName,
  kDescription,
  kSharedPath,
  kRemovableSharedSubdir,
  kProductStartMenu,
  kDisplayVersion,
  kDefaultInstallDir,
  kUninstallSubdir,
  kUninstallerName,
  kUninstallKeyName,
  kInstallDirValue,
  kTitleFont,
  kCopyrightFont,
  kMasterName,
  kMasterKey,
  kDesktopFolderName,
  kFinishOpenFile,
  kFinishLaunchProgram,
  kFinishOpenOther,
  kRootShortcutName,
  kRootShortcutTarget,
};

// The bytes a tool read for the narrow texts, kept only where the text's own narrow form
// (base/text.h) would differ: decoded, an ANSI text and its "|" + UTF-8 form are one text, yet a
// printed installer must build back to the same stream. The installer never keeps or reads them.
class StoredNarrowForms {
 public:
  // The bytes kept for `field`; empty when none were.
  const std::string& Of(NarrowField field) const {
    static const std::string kNone;
    auto found = bytes_.find(field);
    return found == bytes_.end() ? kNone : found->second;
  }
  // Keeps `stored` for `field`; empty bytes forget the field.
  void Keep(NarrowField field, std::string stored) {
    if (stored.empty()) {
      bytes_.erase(field);
    } else {
      bytes_[field] = std::move(stored);
    }
  }

  bool operator==(const StoredNarrowForms&) const = default;

 private:
  std::map<NarrowField, std::string> bytes_;
};

struct ProductSettings {
  uint64_t ProductFlags = 0;
  uint32_t ProductFlags2 = 0;  // from the container header, not the stream
  uint8_t automaticOverride = 0;
  std::u16string TaskbarText;
  std::u16string DisplayTitle;
  double TitleSize = 0;
  uint32_t progressPlacement = 0;

  uint16_t minStepDelay = 0;
  uint8_t ShortcutMode = 0;
  DateTime productDate;
  std::u16string Publisher;
  std::u16string DisplayName;
  std::u16string description;
  uint8_t Bitness = 0;
  uint8_t sharedDirBase = 0;
  std::u16string SharedPath;
  std::u16string removableSharedSubdir;
  std::u16string ProductStartMenu;
  std::u16string DisplayVersion;
  std::u16string defaultInstallDir;
  std::string ProductRegistry;
  std::string registryText;
  int32_t BitmapSize = 0;
  int32_t StretchMode = 0;
  std::vector<std::vector<uint8_t>> licenses;
  std::vector<std::vector<uint8_t>> readmes;
  std::u16string UninstallSubdir;
  std::u16string uninstallerName;
  std::u16string uninstallKeyName;
  std::u16string installDirValue;
  std::u16string dialogCaption;
  uint8_t titleOption = 0;
  uint32_t TitleColor = 0;
  uint8_t TitleShadow = 0;
  uint8_t TitlePosition = 0;
  std::u16string TitleFont;
  uint32_t TopColor = 0;
  uint32_t BottomColor = 0;
  std::vector<uint8_t> bitmap;  // with BitmapTPI only when not empty
  uint32_t BitmapTPI = 0;
  uint8_t CopyrightPos = 0;  // 0: no copyright line and none of the four fields below
  uint32_t CopyrightColor = 0;
  double CopyrightSize = 0;
  std::u16string CopyrightText;
  std::u16string CopyrightFont;
  std::u16string masterName;  // stored only with the master-product flag
  std::u16string masterKey;
  std::u16string desktopFolderName;
  std::vector<uint8_t> desktopFolderIcon;
  std::array<std::string, kBatchCount> batches;
  std::array<uint8_t, 20> reserved20 = {};
  uint32_t unsupportedSystems = 0;
  uint8_t fileDataFromFile = 0;
  uint8_t adminRequirement = 0;  // 0 none, 1 required, 2 or 3 recommended
  std::u16string finishOpenFile;
  std::u16string finishLaunchProgram;
  std::u16string finishOpenOther;
  std::string notifyUrlInstall;
  std::string notifyUrlUpgrade;
  std::string notifyUrlDowngrade;
  std::string notifyUrlReinstall;
  std::string NotifyURL;
  std::string askBelowVersion;
  std::string unusedText;
  std::string mustUninstallBelow;
  std::string firewallRules;  // items separated by ";"
  uint64_t extraDiskSpace = 0;
  std::array<uint32_t, kDialogLayoutCount> dialogLayouts = {};
  std::vector<uint8_t> uninstallerIcon;  // stored only with the uninstallable flag
  std::vector<FileDeletion> conditionalDeletes;
  std::vector<FileAssociation> associations;
  std::vector<ShortcutRecord> shortcuts;
  std::u16string rootShortcutName;
  std::u16string rootShortcutTarget;
  std::u16string taskbarPin;
  std::vector<SavedValue> savedValues;
  std::vector<uint8_t> productIcon;
  std::vector<AutoCloseEntry> autoCloseEntries;
  LanguageTable languages;
  StoredNarrowForms storedForms;

  bool MonoColor() const { return TopColor == BottomColor; }

  bool operator==(const ProductSettings&) const = default;
};

}  // namespace qs
