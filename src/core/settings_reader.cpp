#include "core/settings_reader.h"

#include <cstring>

#include "base/text.h"
#include "core/language_texts.h"
#include "core/payload_format.h"

namespace qs {

// The stream's primitives. A read past the end fails once and for all: the field and every
// field after it stay empty, and the closing checks report the stream as corrupt.
class SettingsReader::Impl {
 public:
  explicit Impl(SettingsReader& reader) : r_(reader) {}

  const uint8_t* Take(size_t size) {
    if (r_.failed_ || r_.stream_.size() - r_.position_ < size) {
      r_.failed_ = true;
      return nullptr;
    }
    const uint8_t* p = r_.stream_.data() + r_.position_;
    r_.position_ += size;
    return p;
  }

  uint64_t Unsigned(size_t size) {
    const uint8_t* p = Take(size);
    uint64_t value = 0;
    if (p != nullptr) {
      for (size_t i = size; i > 0; --i) value = value << 8 | p[i - 1];
    }
    return value;
  }

  uint8_t U8() { return static_cast<uint8_t>(Unsigned(1)); }
  uint16_t U16() { return static_cast<uint16_t>(Unsigned(2)); }
  uint32_t U32() { return static_cast<uint32_t>(Unsigned(4)); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint64_t U64() { return Unsigned(8); }

  double F64() {
    uint64_t bits = U64();
    double value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
  }

  std::string String() {
    if (r_.failed_) return {};
    const uint8_t* start = r_.stream_.data() + r_.position_;
    size_t remaining = r_.stream_.size() - r_.position_;
    const void* nul = remaining != 0 ? std::memchr(start, 0, remaining) : nullptr;
    if (nul == nullptr) {
      r_.failed_ = true;
      return {};
    }
    size_t length = static_cast<const uint8_t*>(nul) - start;
    r_.position_ += length + 1;
    return std::string(reinterpret_cast<const char*>(start), length);
  }

  // A narrow text, decoded once here. A tool keeps the bytes as well when the text's own narrow
  // form would be other bytes, so that it can write the stream back unchanged.
  std::u16string Text(NarrowField field) {
    std::string stored = String();
    std::u16string decoded = FromBarNarrow(stored, r_.environment_.decodeAnsi);
    const bool keep = !r_.environment_.applyDefaults && ToBarNarrow(decoded) != stored;
    r_.settings_.storedForms.Keep(field, keep ? std::move(stored) : std::string());
    return decoded;
  }

  size_t Remaining() const { return r_.failed_ ? 0 : r_.stream_.size() - r_.position_; }

  std::u16string WString() {
    std::u16string value;
    for (;;) {
      const uint8_t* p = Take(2);
      if (p == nullptr) return {};
      char16_t unit = static_cast<char16_t>(p[0] | p[1] << 8);
      if (unit == 0) return value;
      value.push_back(unit);
    }
  }

  std::vector<uint8_t> Bytes(size_t size) {
    const uint8_t* p = Take(size);
    if (p == nullptr) return {};
    return std::vector<uint8_t>(p, p + size);
  }

  std::vector<uint8_t> Blob() {
    uint32_t size = U32();
    return Bytes(size);
  }

  bool Failed() const { return r_.failed_; }

 private:
  SettingsReader& r_;
};

std::u16string StripX86Suffix(std::u16string folder) {
  constexpr std::u16string_view kX86Suffix = u" (x86)";
  if (folder.size() < kX86Suffix.size()) return folder;
  const size_t start = folder.size() - kX86Suffix.size();
  if (!EqualsIgnoreAsciiCase(std::u16string_view(folder).substr(start), kX86Suffix)) return folder;
  folder.resize(start);
  return folder;
}

namespace {

std::u16string ReplaceAll(std::u16string text, std::u16string_view from, std::u16string_view to) {
  for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

}  // namespace

SettingsReader::SettingsReader(ByteSpan stream, const SettingsEnvironment& environment,
                               ProductSettings& settings)
    : stream_(stream), environment_(environment), settings_(settings) {}

void SettingsReader::ReadLeadingFields() {
  Impl in(*this);
  ProductSettings& s = settings_;
  s.ProductFlags = in.U64();
  s.automaticOverride = in.U8();
  s.TaskbarText = in.Text(NarrowField::kTaskbarText);
  s.DisplayTitle = in.WString();
  s.TitleSize = in.F64();
  s.progressPlacement = in.U32();
}

int SettingsReader::ReadRemainingFields() {
  Impl in(*this);
  ProductSettings& s = settings_;
  const SettingsEnvironment& env = environment_;
  const bool defaults = env.applyDefaults;

  s.minStepDelay = in.U16();
  if (s.minStepDelay > kMaxMinStepDelay) return kErrorMinStepDelay;
  s.ShortcutMode = in.U8();
  s.productDate.year = in.I32();
  s.productDate.month = in.I32();
  s.productDate.day = in.I32();
  s.productDate.hour = in.I32();
  s.productDate.minute = in.I32();
  s.productDate.second = in.I32();
  s.Publisher = in.Text(NarrowField::kPublisher);
  std::u16string storedName = in.Text(NarrowField::kDisplayName);
  s.DisplayName = defaults && !env.productNameOverride.empty() ? env.productNameOverride
                                                               : std::move(storedName);
  s.description = in.Text(NarrowField::kDescription);
  if (defaults && s.description.empty()) s.description = s.DisplayName;
  s.Bitness = in.U8();
  s.sharedDirBase = in.U8();
  s.SharedPath = in.Text(NarrowField::kSharedPath);
  if (defaults && s.SharedPath.empty()) {
    s.SharedPath = s.Publisher.empty() ? s.DisplayName : s.Publisher;
  }
  s.removableSharedSubdir = in.Text(NarrowField::kRemovableSharedSubdir);
  s.ProductStartMenu = in.Text(NarrowField::kProductStartMenu);
  if (defaults && s.ProductStartMenu.empty()) {
    s.ProductStartMenu = s.Publisher.empty() ? s.DisplayName : s.Publisher + u"\\" + s.DisplayName;
  }
  s.DisplayVersion = in.Text(NarrowField::kDisplayVersion);
  s.defaultInstallDir = in.Text(NarrowField::kDefaultInstallDir);
  if (defaults) {
    s.defaultInstallDir =
        ResolveDefaultInstallDir(s.defaultInstallDir, s.DisplayName, s.Bitness, env);
  }
  s.ProductRegistry = in.String();
  s.registryText = in.String();
  s.BitmapSize = in.I32();
  if (s.BitmapSize < 0 || s.BitmapSize > 100) return kErrorBitmapSize;
  s.StretchMode = in.I32();

  int32_t licenseCount = in.I32();
  if (licenseCount < 0 || licenseCount > kMaxDocuments) return kErrorLicenseCount;
  s.licenses.clear();
  for (int32_t i = 0; i < licenseCount; ++i) s.licenses.push_back(in.Blob());
  int32_t readmeCount = in.I32();
  if (readmeCount < 0 || readmeCount > kMaxDocuments) return kErrorReadmeCount;
  s.readmes.clear();
  for (int32_t i = 0; i < readmeCount; ++i) s.readmes.push_back(in.Blob());

  s.UninstallSubdir = in.Text(NarrowField::kUninstallSubdir);
  s.uninstallerName = in.Text(NarrowField::kUninstallerName);
  s.uninstallKeyName = in.Text(NarrowField::kUninstallKeyName);
  if (defaults && s.uninstallKeyName.empty()) s.uninstallKeyName = s.DisplayName;
  s.installDirValue = in.Text(NarrowField::kInstallDirValue);
  s.dialogCaption = in.WString();
  s.titleOption = in.U8();
  s.TitleColor = in.U32();
  s.TitleShadow = in.U8();
  s.TitlePosition = in.U8();
  s.TitleFont = in.Text(NarrowField::kTitleFont);
  s.TopColor = in.U32();
  s.BottomColor = in.U32();

  int32_t bitmapLength = in.I32();
  s.bitmap.clear();
  s.BitmapTPI = 0;
  if (bitmapLength > 0) {
    s.bitmap = in.Bytes(static_cast<size_t>(bitmapLength));
    s.BitmapTPI = in.U32();
  }

  s.CopyrightPos = in.U8();
  if (s.CopyrightPos != 0) {
    s.CopyrightColor = in.U32();
    s.CopyrightSize = in.F64();
    s.CopyrightText = in.WString();
    s.CopyrightFont = in.Text(NarrowField::kCopyrightFont);
  }
  if ((s.ProductFlags & kFlagMasterProduct) != 0) {
    s.masterName = in.Text(NarrowField::kMasterName);
    s.masterKey = in.Text(NarrowField::kMasterKey);
  }
  s.desktopFolderName = in.Text(NarrowField::kDesktopFolderName);
  s.desktopFolderIcon = in.Blob();
  for (std::string& batch : s.batches) batch = in.String();
  std::vector<uint8_t> reserved = in.Bytes(s.reserved20.size());
  if (!reserved.empty()) std::memcpy(s.reserved20.data(), reserved.data(), reserved.size());
  s.unsupportedSystems = in.U32();
  s.fileDataFromFile = in.U8();
  s.adminRequirement = in.U8();
  s.finishOpenFile = in.Text(NarrowField::kFinishOpenFile);
  s.finishLaunchProgram = in.Text(NarrowField::kFinishLaunchProgram);
  s.finishOpenOther = in.Text(NarrowField::kFinishOpenOther);
  for (std::string* script :
       {&s.notifyUrlInstall, &s.notifyUrlUpgrade, &s.notifyUrlDowngrade, &s.notifyUrlReinstall,
        &s.NotifyURL, &s.askBelowVersion, &s.unusedText, &s.mustUninstallBelow, &s.firewallRules}) {
    *script = in.String();
  }
  s.extraDiskSpace = in.U64();
  for (uint32_t& layout : s.dialogLayouts) layout = in.U32();
  if ((s.ProductFlags & kFlagUninstallable) != 0) s.uninstallerIcon = in.Blob();

  s.conditionalDeletes.clear();
  for (;;) {
    std::string spec = in.String();
    if (spec == kConditionalDeleteEnd) break;
    // A stream cut short never reaches the end record; it would fill the list to its limit.
    if (s.conditionalDeletes.size() == kMaxConditionalDeletes || in.Failed()) {
      return kErrorConditionalDeleteCount;
    }
    FileDeletion& deletion = s.conditionalDeletes.emplace_back();
    deletion.file_spec = std::move(spec);
    deletion.condition = in.U8();
    deletion.condition_argument = in.String();
    deletion.mode = in.U8();
  }

  int32_t associationCount = in.I32();
  if (associationCount < 0 || associationCount > kMaxListRecords) return kErrorAssociationCount;
  s.associations.clear();
  for (int32_t i = 0; i < associationCount; ++i) {
    FileAssociation& a = s.associations.emplace_back();
    a.flags = in.U32();
    for (std::string* text : {&a.extension, &a.label, &a.description, &a.verb, &a.verbText,
                              &a.command, &a.language, &a.icon}) {
      *text = in.String();
    }
  }

  int32_t shortcutCount = in.I32();
  if (shortcutCount < 0 || shortcutCount > kMaxListRecords) return kErrorShortcutCount;
  s.shortcuts.clear();
  for (int32_t i = 0; i < shortcutCount; ++i) {
    ShortcutRecord& shortcut = s.shortcuts.emplace_back();
    shortcut.target = in.String();
    shortcut.name = Utf8ToUtf16(in.String());
    shortcut.icon = in.String();
    shortcut.arguments = in.String();
    shortcut.workingDirectory = in.String();
    shortcut.onDesktop = in.U8();
    shortcut.inStartMenu = in.U8();
    shortcut.inStartup = in.U8();
    shortcut.customFolder = in.String();
    shortcut.showState = in.U8();
    shortcut.keepAtUninstall = in.U8();
    shortcut.fromSettings = 1;
  }

  s.rootShortcutName = in.Text(NarrowField::kRootShortcutName);
  s.rootShortcutTarget = in.Text(NarrowField::kRootShortcutTarget);
  s.taskbarPin = in.WString();

  int32_t savedValueCount = in.I32();
  if (savedValueCount < 0 || savedValueCount > kMaxListRecords) return kErrorSavedValueCount;
  s.savedValues.clear();
  for (int32_t i = 0; i < savedValueCount; ++i) {
    SavedValue& value = s.savedValues.emplace_back();
    value.keyPath = in.String();
    value.kind = in.U8();
    value.data = in.String();
  }

  s.productIcon = in.Blob();

  s.autoCloseEntries.clear();
  for (;;) {
    std::string windowClass = in.String();
    if (windowClass == kAutoCloseEnd) break;
    if (s.autoCloseEntries.size() == kMaxAutoCloseEntries || in.Failed()) {
      return kErrorAutoCloseCount;
    }
    AutoCloseEntry& entry = s.autoCloseEntries.emplace_back();
    entry.window_class = std::move(windowClass);
    entry.window_title = in.String();
    entry.display_name = in.String();
    entry.action = in.U8();
    entry.phases = in.U8();
  }

  LanguageTable& languages = s.languages;
  int32_t languageCount = in.U8();
  if (languageCount < 1 || languageCount > kMaxLanguages) return kErrorLanguageCount;
  languages.textCount = in.I32();
  if (languages.textCount < 1 || languages.textCount > kMaxTexts) return kErrorTextCount;
  languages.names.clear();
  for (int32_t i = 0; i < languageCount; ++i) languages.names.push_back(in.String());
  // A stream that ended early cannot hold the table; no point reading thousands of empty texts.
  if (in.Failed()) return kErrorSettingsEnd;
  languages.defaultLanguage = InitialLanguage(languages.names);
  size_t cells = static_cast<size_t>(languages.textCount) * languages.names.size();
  // Every text takes at least its two-byte end: a table larger than the rest of the stream is
  // damaged, and must not reserve room for millions of texts first.
  if (cells > in.Remaining() / 2) return kErrorSettingsEnd;
  languages.texts.clear();
  languages.texts.reserve(cells);
  for (size_t i = 0; i < cells && !in.Failed(); ++i) languages.texts.push_back(in.WString());

  if (in.U32() != kSettingsEndMarker || in.Failed()) return kErrorSettingsEnd;

  if (defaults) {
    s.dialogCaption = ReplacePlaceholders(s.dialogCaption, PlaceholderValuesOf(s, env));
  }
  return 0;
}

std::u16string ResolveDefaultInstallDir(const std::u16string& stored,
                                        const std::u16string& productName, uint8_t bitness,
                                        const SettingsEnvironment& environment) {
  std::u16string dir = productName;
  if (!stored.empty()) {
    dir = ReplaceAll(stored, u"<os>", environment.windowsDir);
    if (environment.expandVariables) dir = environment.expandVariables(dir);
  }
  if (StartsWithIgnoreAsciiCase(dir, u"<master>") || StartsWithIgnoreAsciiCase(dir, u"HKLM\\") ||
      StartsWithIgnoreAsciiCase(dir, u"HKCU\\")) {
    return dir;
  }
  if (IsRootedPath(dir)) return dir;
  std::u16string programFiles = environment.programFilesDir;
  if (bitness == 1) programFiles = StripX86Suffix(std::move(programFiles));
  return JoinPath(programFiles, dir);
}

PlaceholderValues PlaceholderValuesOf(const ProductSettings& settings,
                                      const SettingsEnvironment& environment) {
  return {settings.DisplayName, settings.description, environment.windowsDir};
}

int ReadSettingsStream(ByteSpan stream, const SettingsEnvironment& environment,
                       ProductSettings& settings) {
  SettingsReader reader(stream, environment, settings);
  reader.ReadLeadingFields();
  return reader.ReadRemainingFields();
}

bool EffectiveAutomaticMode(uint8_t automaticOverride, bool fromCommandLine) {
  if (automaticOverride == 1) return true;
  if (automaticOverride == 2) return false;
  return fromCommandLine;
}

}  // namespace qs
