#include "uninstall/uninstall_key_win.h"

#include <shlobj.h>

#include <cstdlib>
#include <vector>

#include "base/handle_win.h"
#include "base/registry_read_win.h"
#include "base/registry_view_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/own_file_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "files/date_format.h"
#include "files/local_time_win.h"
#include "integration/path_variables_win.h"
#include "integration/shell_folders_win.h"
#include "uninstall/uninstaller_copy_win.h"

namespace qs {
namespace {

// Read, query, set value, create subkey, enumerate: what every installation write asks for.
constexpr REGSAM kWriteAccess = 0x2000F;

// The kinds of an UninstallData entry.
constexpr uint8_t kSavedExpandString = 2;
constexpr uint8_t kSavedNumber = 4;

constexpr DWORD kBadPathName = ERROR_BAD_PATHNAME;  // 161: a key path without a known root

// The registration key of `keyName`, in the 32-bit view, created when missing. The key gets
// the default security of its parent: a key whose "UninstallString" anybody could change would
// let any user choose what an administrator runs when removing the product. An empty name is
// refused: it would put the values into the list's own key, among every product's keys.
LONG OpenRegistrationKey(std::u16string_view keyName, UniqueRegKey& key) {
  if (keyName.empty()) return ERROR_INVALID_NAME;
  const std::wstring path = UninstallKeyPathOf(keyName);
  return ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                           InProgramView(kWriteAccess), nullptr, key.Receive(), nullptr);
}

LONG DeleteValue(HKEY key, const std::wstring& name) {
  const LONG status = ::RegDeleteValueW(key, name.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

LONG SetWide(HKEY key, const std::wstring& name, std::wstring_view text, DWORD type = REG_SZ) {
  const std::wstring data(text);
  return ::RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

// A narrow text as the program holds it. An ANSI text is stored as the narrow registry call
// would store it (decoded from the ANSI code page), so that lists with markers outside ASCII
// ("SharedFiles") read back byte for byte; a "|" text is stored as the UTF-16 it stands for.
LONG SetNarrow(HKEY key, const std::wstring& name, std::string_view text, DWORD type = REG_SZ) {
  return SetWide(key, name, Widen(text), type);
}

LONG SetNumber(HKEY key, const std::wstring& name, DWORD value) {
  return ::RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

LONG SetNarrowOrDelete(HKEY key, const std::wstring& name, std::string_view text) {
  return text.empty() ? DeleteValue(key, name) : SetNarrow(key, name, text);
}

LONG SetWideOrDelete(HKEY key, const std::wstring& name, std::u16string_view text) {
  return text.empty() ? DeleteValue(key, name) : SetWide(key, name, AsWide(text));
}

LONG SetNumberOrDelete(HKEY key, const std::wstring& name, DWORD value) {
  return value == 0 ? DeleteValue(key, name) : SetNumber(key, name, value);
}

DWORD NumberOr(HKEY key, const wchar_t* name, DWORD fallback) {
  DWORD value = fallback;
  ReadKeyNumber(key, name, value);
  return value;
}

std::wstring WideOr(HKEY key, const wchar_t* name) {
  std::wstring value;
  ReadKeyText(key, name, value);
  return value;
}

// The narrow form of a stored text: the ANSI bytes when the text survives the trip through the
// ANSI code page unchanged (so what SetNarrow wrote comes back as it was), otherwise "|" and
// UTF-8.
std::string AnsiOrBarNarrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (size > 0) {
    std::string ansi(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                          nullptr, nullptr);
    if (AnsiToWide(ansi) == wide && (ansi.empty() || ansi.front() != '|')) return ansi;
  }
  return Narrow(wide);
}

std::string NarrowOr(HKEY key, const wchar_t* name) {
  return AnsiOrBarNarrow(WideOr(key, name));
}

// The decimal number at the start of a text, with its sign; 0 when there is none.
int64_t SignedNumber(const std::string& text) {
  return std::strtoll(text.c_str(), nullptr, 10);
}

std::u16string UninstallerPathFor(const InstallRun& run) {
  return run.uninstallerPath.empty() ? UninstallerPath(run) : run.uninstallerPath;
}

void WriteAppearance(HKEY key, const ProductSettings& product) {
  SetWide(key, L"DisplayTitle", AsWide(product.DisplayTitle));
  SetNumber(key, L"TitleColor", product.TitleColor);
  SetNarrow(key, L"TitleSize", FormatSizeFactor(product.TitleSize));
  SetNumber(key, L"TopColor", product.TopColor);
  if (product.MonoColor()) {
    DeleteValue(key, L"BottomColor");
  } else {
    SetNumber(key, L"BottomColor", product.BottomColor);
  }
  SetNumber(key, L"MonoColor", product.MonoColor() ? 1 : 0);
  SetNumber(key, L"TitleShadow", product.TitleShadow);
  SetNumber(key, L"TitlePosition", product.TitlePosition);
  SetWide(key, L"TitleFont", AsWide(product.TitleFont));
  SetWide(key, L"TaskbarText", AsWide(product.TaskbarText));
  SetWide(key, L"CopyrightText", AsWide(product.CopyrightText));
  SetWide(key, L"CopyrightFont", AsWide(product.CopyrightFont));
  SetNarrow(key, L"CopyrightSize", FormatSizeFactor(product.CopyrightSize));
  SetNarrow(key, L"CopyrightColor", FormatCopyrightColor(product.CopyrightColor));
  SetNumber(key, L"CopyrightPos", product.CopyrightPos);

  const bool bitmap =
      (product.ProductFlags & kFlagBackgroundBitmap) != 0 && !product.bitmap.empty();
  if (bitmap) {
    SetNumber(key, L"BitmapSize", static_cast<DWORD>(product.BitmapSize));
    if (product.BitmapTPI == 0xFFFFFFFF) {
      DeleteValue(key, L"BitmapTPI");
    } else {
      SetNumber(key, L"BitmapTPI", product.BitmapTPI);
    }
    SetNumber(key, L"StretchMode", static_cast<DWORD>(product.StretchMode));
  } else {
    DeleteValue(key, L"BitmapSize");
    DeleteValue(key, L"BitmapTPI");
    DeleteValue(key, L"StretchMode");
  }
}

// One UninstallData entry into `key`: the text kinds deleted when empty, the number written as
// a DWORD (an empty text deletes it as well).
LONG WriteSavedData(HKEY key, const std::wstring& name, uint8_t kind, const std::string& data) {
  if (data.empty()) return DeleteValue(key, name);
  if (kind == kSavedNumber) return SetNumber(key, name, SavedValueNumber(data));
  return SetNarrow(key, name, data, kind == kSavedExpandString ? REG_EXPAND_SZ : REG_SZ);
}

// An UninstallData entry whose name is a full path: the key is opened (made when missing) below
// its root; the value name is what follows the last backslash.
LONG WriteSavedValueAt(const SavedValue& entry, const std::string& data) {
  HKEY root = nullptr;
  std::wstring keyPath;
  std::wstring valueName;
  if (!SplitRegistryValuePath(Widen(entry.keyPath), root, keyPath, valueName)) return kBadPathName;
  UniqueRegKey key;
  const LONG status =
      ::RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, 0, InProgramView(kWriteAccess), nullptr,
                        key.Receive(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return WriteSavedData(key.Get(), valueName, entry.kind, data);
}

void ReportSavedValueFailure(const SavedValue& entry, LONG status, InstallRun& run) {
  run.failureSummary += u"Failed to save data in registry key \"" + U16(entry.keyPath) + u"\": " +
                        SystemErrorU16(static_cast<DWORD>(status)) + u"\r\n";
}

}  // namespace

std::wstring UninstallKeyPathOf(std::u16string_view keyName) {
  return AnsiToWide(kUninstallKeyRoot) + L"\\" + std::wstring(AsWide(keyName));
}

std::string ReadUninstallKeyText(HKEY key, const wchar_t* name) {
  return NarrowOr(key, name);
}

bool WriteUninstallKey(InstallRun& run, DWORD& error) {
  error = 0;
  const ProductSettings& product = Product();
  UniqueRegKey key;
  const LONG opened = OpenRegistrationKey(product.uninstallKeyName, key);
  if (opened != ERROR_SUCCESS) {
    error = static_cast<DWORD>(opened);
    NotifyShell(SHCNE_UPDATEDIR, SHCNF_PATHW, run.installDir.c_str(), nullptr);
    return false;
  }
  HKEY k = key.Get();

  const std::u16string uninstaller = UninstallerPathFor(run);
  const std::u16string& keyName = product.uninstallKeyName;
  const std::wstring uninstallString =
      std::wstring(AsWide(UninstallCommandLine(uninstaller, keyName, false)));
  const LONG written = SetWide(k, L"UninstallString", uninstallString);
  SetWide(k, L"QuietUninstallString", AsWide(UninstallCommandLine(uninstaller, keyName, true)));
  SetWide(k, L"DisplayName", AsWide(product.DisplayName));
  SetWide(k, L"InstallSource", ModuleFileName());
  SetWideOrDelete(k, L"DisplayVersion", product.DisplayVersion);
  SetWideOrDelete(k, L"Publisher", product.Publisher);
  SetNumber(k, L"Bitness", product.Bitness == 1 ? 1 : 0);

  // Values that describe a previous installation's icon or version would be wrong for this
  // one, so what is not written is deleted.
  std::u16string iconPath;
  if (WriteProductIconFile(run, iconPath)) {
    SetWide(k, L"DisplayIcon", AsWide(iconPath));
  } else {
    DeleteValue(k, L"DisplayIcon");
  }
  uint32_t major = 0;
  uint32_t minor = 0;
  if (SplitVersionNumbers(product.DisplayVersion, major, minor)) {
    SetNumber(k, L"VersionMajor", major);
    SetNumber(k, L"VersionMinor", minor);
  } else {
    DeleteValue(k, L"VersionMajor");
    DeleteValue(k, L"VersionMinor");
  }

  SetNarrowOrDelete(k, L"ProductRegistry", product.ProductRegistry);
  SetWideOrDelete(k, L"ProductStartMenu", product.ProductStartMenu);
  SetWideOrDelete(k, L"SharedPath", run.sharedDir);
  SetNarrowOrDelete(k, L"ProductFonts", run.fontList);
  SetNarrow(k, L"ProductFlags", std::to_string(static_cast<int64_t>(product.ProductFlags)));
  SetNarrow(k, L"ProductFlags2", std::to_string(product.ProductFlags2));
  SetNarrowOrDelete(k, L"UninstallBatch1", product.batches[kUninstallBatch1]);
  SetNarrowOrDelete(k, L"UninstallBatch2", product.batches[kUninstallBatch2]);
  SetNarrowOrDelete(k, L"SharedFiles", run.sharedFilesText);
  SetWideOrDelete(k, L"UninstallSubdir", product.UninstallSubdir);
  SetNumberOrDelete(k, L"ShortcutMode", product.ShortcutMode);
  SetNarrowOrDelete(k, L"NotifyURL", product.NotifyURL);
  if (std::optional<uint32_t> size = EstimatedSizeOf(run.requiredSpace)) {
    SetNumber(k, L"EstimatedSize", *size);
  } else {
    DeleteValue(k, L"EstimatedSize");
  }
  WriteAppearance(k, product);

  // The one value the uninstaller cannot work without is read back.
  std::wstring readBack;
  const bool same = ReadKeyText(k, L"UninstallString", readBack) && readBack == uninstallString;
  if (!same) error = static_cast<DWORD>(written);
  NotifyShell(SHCNE_UPDATEDIR, SHCNF_PATHW, run.installDir.c_str(), nullptr);
  return same;
}

void WriteUninstallKeyTail(InstallRun& run) {
  const ProductSettings& product = Product();
  // Without an uninstaller (none asked for, or none could be written) the product gets no
  // Add/Remove Programs entry: only the entries that name a key of their own are written.
  const bool uninstallable =
      (product.ProductFlags & kFlagUninstallable) != 0 && !run.registrationSkipped;
  UniqueRegKey key;
  LONG opened = ERROR_SUCCESS;
  if (uninstallable) opened = OpenRegistrationKey(product.uninstallKeyName, key);

  for (const SavedValue& entry : product.savedValues) {
    const std::string data = ExpandPathVariables(entry.data);
    LONG status;
    if (entry.keyPath.find('\\') != std::string::npos) {
      status = WriteSavedValueAt(entry, data);
    } else if (!uninstallable) {
      continue;
    } else if (opened != ERROR_SUCCESS) {
      status = opened;
    } else {
      status = WriteSavedData(key.Get(), Widen(entry.keyPath), entry.kind, data);
    }
    if (status != ERROR_SUCCESS) ReportSavedValueFailure(entry, status, run);
  }

  if (!key) return;
  SetWide(key.Get(), L"InstallLocation", AsWide(run.installDir));
  SetNarrow(key.Get(), L"InstallDate", FormatDateTime(LocalTimeNow(), kInstallDateFormat));
}

UninstallKeyValues LoadUninstallKey(HKEY key, std::u16string_view productName) {
  UninstallKeyValues values;
  std::wstring text;
  values.displayName = ReadKeyText(key, L"DisplayName", text) ? std::u16string(AsU16(text))
                                                              : std::u16string(productName);
  values.installLocation = std::u16string(AsU16(WideOr(key, L"InstallLocation")));
  values.productFlags = static_cast<uint64_t>(SignedNumber(NarrowOr(key, L"ProductFlags")));
  values.productFlags2 =
      static_cast<uint32_t>(std::strtoul(NarrowOr(key, L"ProductFlags2").c_str(), nullptr, 10));
  values.bitness = NumberOr(key, L"Bitness", 0);

  values.displayTitle = std::u16string(AsU16(WideOr(key, L"DisplayTitle")));
  values.titleSize = ReadKeyText(key, L"TitleSize", text) ? ParseSizeFactor(Narrow(text)) : 1.0;
  values.titleColor = NumberOr(key, L"TitleColor", ::GetSysColor(COLOR_WINDOWTEXT));
  values.titleShadow = NumberOr(key, L"TitleShadow", 1);
  values.topColor = NumberOr(key, L"TopColor", ::GetSysColor(COLOR_WINDOW));
  values.bottomColor = NumberOr(key, L"BottomColor", 0);
  values.monoColor = NumberOr(key, L"MonoColor", 1);
  values.titlePosition = NumberOr(key, L"TitlePosition", 0);
  values.titleFont = AsU16(WideOr(key, L"TitleFont"));
  values.taskbarText = AsU16(WideOr(key, L"TaskbarText"));
  values.copyrightText = std::u16string(AsU16(WideOr(key, L"CopyrightText")));
  values.copyrightFont = AsU16(WideOr(key, L"CopyrightFont"));
  values.copyrightSize = ParseSizeFactor(NarrowOr(key, L"CopyrightSize"));
  values.copyrightColor = ParseCopyrightColor(NarrowOr(key, L"CopyrightColor"));
  values.copyrightPos = NumberOr(key, L"CopyrightPos", 0);

  values.displayVersion = AsU16(WideOr(key, L"DisplayVersion"));
  values.uninstallSubdir = AsU16(WideOr(key, L"UninstallSubdir"));
  values.productFonts = NarrowOr(key, L"ProductFonts");
  values.notifyUrl = NarrowOr(key, L"NotifyURL");
  values.sharedPath = AsU16(WideOr(key, L"SharedPath"));
  values.productStartMenu = AsU16(WideOr(key, L"ProductStartMenu"));
  values.uninstallBatch1 = NarrowOr(key, L"UninstallBatch1");
  values.uninstallBatch2 = NarrowOr(key, L"UninstallBatch2");
  values.sharedFiles = NarrowOr(key, L"SharedFiles");
  values.productRegistry = NarrowOr(key, L"ProductRegistry");
  values.shortcutMode = NumberOr(key, L"ShortcutMode", 0);

  if ((values.productFlags & kFlagBackgroundBitmap) != 0) {
    values.bitmapTPI = static_cast<int32_t>(NumberOr(key, L"BitmapTPI", 0xFFFFFFFF));
    values.stretchMode = NumberOr(key, L"StretchMode", 0);
    values.bitmapSize = NumberOr(key, L"BitmapSize", 0);
  }
  return values;
}

}  // namespace qs
