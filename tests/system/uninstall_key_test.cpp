// The Add/Remove Programs registration written inside the test process and read back with the
// system's own calls, the registration's reader, the product's extra values, and the
// uninstaller program with its icon.
//
// Every test writes the key of a product named after itself and deletes it again. The test
// with an uninstaller in use leaves a replacement for the restart and runs only in the restart
// prefix (RestartPrefix...), like the other tests of restart-time work.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "base/handle_win.h"
#include "base/registry_delete_win.h"
#include "base/registry_view_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/own_file_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "file_fixtures.h"
#include "files/pending_operations_win.h"
#include "harness_win.h"
#include "restart_fixtures.h"
#include "uninstall/icon_file.h"
#include "uninstall/uninstall_key_win.h"
#include "uninstall/uninstaller_copy_win.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

std::wstring OwnTestName() {
  return Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

// A key made for one test: removed (with everything below it) before and after.
class ScopedKey {
 public:
  ScopedKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) { Remove(); }
  ~ScopedKey() { Remove(); }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  const std::wstring& Path() const { return path_; }
  bool Exists() const {
    UniqueRegKey key;
    return ::RegOpenKeyExW(root_, path_.c_str(), 0, InProgramView(KEY_READ), key.Receive()) ==
           ERROR_SUCCESS;
  }

 private:
  void Remove() { DeleteRegistryTree(root_, path_); }

  HKEY root_;
  std::wstring path_;
};

// One value as the system gives it back.
struct StoredValue {
  DWORD type = REG_NONE;
  std::wstring text;  // REG_SZ, REG_EXPAND_SZ, without the terminating zero
  DWORD number = 0;   // REG_DWORD
};

std::optional<StoredValue> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, InProgramView(KEY_QUERY_VALUE), key.Receive()) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data(size + sizeof(wchar_t));
  if (::RegQueryValueExW(key.Get(), name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  StoredValue value;
  value.type = type;
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    std::memcpy(&value.number, data.data(), sizeof(DWORD));
  } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
    value.text.assign(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!value.text.empty() && value.text.back() == L'\0') value.text.pop_back();
  }
  return value;
}

void SetNumberValue(HKEY key, const wchar_t* name, DWORD value) {
  ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void SetTextValue(HKEY key, const wchar_t* name, const std::wstring& text) {
  ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::vector<uint8_t> Bytes(std::string_view text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// An icon file with two images whose bytes are easy to tell apart.
std::vector<uint8_t> TwoImageIcon() {
  std::vector<uint8_t> file = {0, 0, 1, 0, 2, 0};
  const auto entry = [&](uint8_t size, uint32_t length, uint32_t offset) {
    const uint8_t fields[16] = {size,
                                size,
                                0,
                                0,
                                1,
                                0,
                                32,
                                0,
                                static_cast<uint8_t>(length),
                                static_cast<uint8_t>(length >> 8),
                                0,
                                0,
                                static_cast<uint8_t>(offset),
                                static_cast<uint8_t>(offset >> 8),
                                0,
                                0};
    file.insert(file.end(), fields, fields + 16);
  };
  entry(16, 40, 38);
  entry(32, 72, 78);
  for (int i = 0; i < 40; ++i) file.push_back(static_cast<uint8_t>(0xA0 + i % 7));
  for (int i = 0; i < 72; ++i) file.push_back(static_cast<uint8_t>(0x30 + i % 11));
  return file;
}

// The bytes of resource 1 of `type`; empty when there is none.
std::vector<uint8_t> ResourceBytes(HMODULE module, LPCWSTR type) {
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), type);
  if (found == nullptr) return {};
  const auto* bytes = static_cast<const uint8_t*>(::LockResource(::LoadResource(module, found)));
  return std::vector<uint8_t>(bytes, bytes + ::SizeofResource(module, found));
}

BOOL CALLBACK CountResource(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// The product and run the registration is written from, made for each test, with the product's
// key named after the test.
class UninstallKey : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure()) return;
    keyName_ = L"QuillonetUninstallKey." + OwnTestName();
    key_.emplace(HKEY_LOCAL_MACHINE, UninstallKeyPathOf(AsU16(keyName_)));
    Product() = TestProduct(kFlagUninstallable);
    Product().uninstallKeyName = AsU16(keyName_);
    InstallRun& run = Installation();
    run = InstallRun{};
    run.installDir = (Folder() / "App").u16string();
    run.uninstallDir = run.installDir;
    fs::create_directories(Folder() / "App");
  }

  const std::wstring& KeyPath() const { return key_->Path(); }
  std::optional<StoredValue> Value(const wchar_t* name) const {
    return ReadValue(HKEY_LOCAL_MACHINE, KeyPath(), name);
  }
  // The value's text; fails the test when it is missing or no string of `type`.
  std::wstring Text(const wchar_t* name, DWORD type = REG_SZ) const {
    std::optional<StoredValue> value = Value(name);
    EXPECT_TRUE(value.has_value()) << WideToUtf8(name);
    if (!value) return {};
    EXPECT_EQ(value->type, type) << WideToUtf8(name);
    return value->text;
  }
  DWORD Number(const wchar_t* name) const {
    std::optional<StoredValue> value = Value(name);
    EXPECT_TRUE(value.has_value()) << WideToUtf8(name);
    if (!value) return 0;
    EXPECT_EQ(value->type, static_cast<DWORD>(REG_DWORD)) << WideToUtf8(name);
    return value->number;
  }

  bool Write() {
    DWORD error = 0;
    const bool written = WriteUninstallKey(Installation(), error);
    EXPECT_EQ(error, 0u);
    return written;
  }

  std::wstring keyName_;

 private:
  std::optional<ScopedKey> key_;
};

// ---- Writing ----

TEST_F(UninstallKey, EveryValueWithItsTypeAndForm) {
  ProductSettings& product = Product();
  product.ProductFlags = kFlagUninstallable | kFlagBackgroundBitmap | (1ull << 63);
  product.ProductFlags2 = 0x80000020;
  product.DisplayName = u"Key Test";
  product.DisplayVersion = u"5.12.3";
  product.Publisher = u"Quillonet Tests";
  product.Bitness = 1;
  product.productIcon = Bytes("product icon bytes");
  product.ProductRegistry = "Quillonet\\KeyTest";
  product.ProductStartMenu = u"Key Test";
  product.batches[kUninstallBatch1] = "echo one";
  product.batches[kUninstallBatch2] = "echo two";
  product.UninstallSubdir = u"";
  product.ShortcutMode = 1;
  product.NotifyURL = "http://notify.test/%version%";
  product.DisplayTitle = u"Key Test \u00e9\u4e2d";
  product.TitleColor = 0x00112233;
  product.TitleSize = 1.5;
  product.TopColor = 0x00FF0000;
  product.BottomColor = 0x000000FF;
  product.TitleShadow = 3;
  product.TitlePosition = 4;
  product.TitleFont = u"Arial";
  product.TaskbarText = u"Key Test Setup";
  product.CopyrightText = u"\u00a9 Quillonet";
  product.CopyrightFont = u"Tahoma";
  product.CopyrightSize = 0.75;
  product.CopyrightColor = 0x00563412;
  product.CopyrightPos = 6;
  product.bitmap = Bytes("BM");
  product.BitmapSize = 80;
  product.BitmapTPI = 7;
  product.StretchMode = 2;

  InstallRun& run = Installation();
  run.uninstallerPath = run.uninstallDir + u"\\uninstall.exe";
  run.sharedDir = u"C:\\Common\\Key Test";
  run.fontList = "\"Key Sans (TrueType)\" \"keysans.ttf\" ";
  // A type library's marker is the ANSI copyright sign; it must come back as that byte.
  run.sharedFilesText = "\"C:\\Windows\\system32\\k.tlb\xA9\";\"C:\\Common\\k.dll \";";
  run.requiredSpace = 10 * 1024 + 1023;

  ASSERT_TRUE(Write());
  const std::wstring uninstaller = std::wstring(AsWide(run.uninstallDir)) + L"\\uninstall.exe";
  EXPECT_EQ(Text(L"UninstallString"), L"\"" + uninstaller + L"\" /u:\"" + keyName_ + L"\"");
  EXPECT_EQ(Text(L"QuietUninstallString"), L"\"" + uninstaller + L"\" /a /u:\"" + keyName_ + L"\"");
  EXPECT_EQ(Text(L"DisplayName"), L"Key Test");
  EXPECT_EQ(Text(L"InstallSource"), ModuleFileName());
  EXPECT_EQ(Text(L"DisplayVersion"), L"5.12.3");
  EXPECT_EQ(Text(L"Publisher"), L"Quillonet Tests");
  EXPECT_EQ(Number(L"Bitness"), 1u);
  const fs::path icon = Folder() / "App" / "product.ico";
  EXPECT_EQ(Text(L"DisplayIcon"), icon.wstring());
  EXPECT_EQ(ReadBytes(icon), product.productIcon);
  EXPECT_NE(run.removalList.find(Narrow(icon.wstring()) + "\r\n"), std::string::npos)
      << run.removalList;
  EXPECT_EQ(Number(L"VersionMajor"), 5u);
  EXPECT_EQ(Number(L"VersionMinor"), 12u);
  EXPECT_EQ(Text(L"ProductRegistry"), L"Quillonet\\KeyTest");
  EXPECT_EQ(Text(L"ProductStartMenu"), L"Key Test");
  EXPECT_EQ(Text(L"SharedPath"), L"C:\\Common\\Key Test");
  EXPECT_EQ(Text(L"ProductFonts"), L"\"Key Sans (TrueType)\" \"keysans.ttf\" ");
  EXPECT_EQ(Text(L"ProductFlags"), L"-9223372036854743036");  // bit 63: a negative number
  EXPECT_EQ(Text(L"ProductFlags2"), L"2147483680");
  EXPECT_EQ(Text(L"UninstallBatch1"), L"echo one");
  EXPECT_EQ(Text(L"UninstallBatch2"), L"echo two");
  EXPECT_EQ(Number(L"ShortcutMode"), 1u);
  EXPECT_EQ(Text(L"NotifyURL"), L"http://notify.test/%version%");
  EXPECT_EQ(Number(L"EstimatedSize"), 10u);
  EXPECT_EQ(Text(L"DisplayTitle"), L"Key Test \u00e9\u4e2d");
  EXPECT_EQ(Number(L"TitleColor"), 0x00112233u);
  EXPECT_EQ(Text(L"TitleSize"), L"1.5");
  EXPECT_EQ(Number(L"TopColor"), 0x00FF0000u);
  EXPECT_EQ(Number(L"BottomColor"), 0x000000FFu);
  EXPECT_EQ(Number(L"MonoColor"), 0u);
  EXPECT_EQ(Number(L"TitleShadow"), 3u);
  EXPECT_EQ(Number(L"TitlePosition"), 4u);
  EXPECT_EQ(Text(L"TitleFont"), L"Arial");
  EXPECT_EQ(Text(L"TaskbarText"), L"Key Test Setup");
  EXPECT_EQ(Text(L"CopyrightText"), L"\u00a9 Quillonet");
  EXPECT_EQ(Text(L"CopyrightFont"), L"Tahoma");
  EXPECT_EQ(Text(L"CopyrightSize"), L"0.75");
  EXPECT_EQ(Text(L"CopyrightColor"), L"123456");
  EXPECT_EQ(Number(L"CopyrightPos"), 6u);
  EXPECT_EQ(Number(L"BitmapSize"), 80u);
  EXPECT_EQ(Number(L"BitmapTPI"), 7u);
  EXPECT_EQ(Number(L"StretchMode"), 2u);

  // The reader gets back what was written.
  WriteUninstallKeyTail(run);
  UniqueRegKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath().c_str(), 0, InProgramView(KEY_READ),
                            key.Receive()),
            ERROR_SUCCESS);
  const UninstallKeyValues values = LoadUninstallKey(key.Get(), u"ignored");
  EXPECT_EQ(values.displayName, u"Key Test");
  EXPECT_EQ(values.installLocation, run.installDir);
  EXPECT_EQ(values.productFlags, product.ProductFlags);
  EXPECT_EQ(values.productFlags2, product.ProductFlags2);
  EXPECT_EQ(values.bitness, 1u);
  EXPECT_EQ(values.displayTitle, product.DisplayTitle);
  EXPECT_DOUBLE_EQ(values.titleSize, 1.5);
  EXPECT_EQ(values.titleColor, product.TitleColor);
  EXPECT_EQ(values.titleShadow, 3u);
  EXPECT_EQ(values.topColor, product.TopColor);
  EXPECT_EQ(values.bottomColor, product.BottomColor);
  EXPECT_EQ(values.monoColor, 0u);
  EXPECT_EQ(values.titlePosition, 4u);
  EXPECT_EQ(values.titleFont, u"Arial");
  EXPECT_EQ(values.taskbarText, u"Key Test Setup");
  EXPECT_EQ(values.copyrightText, product.CopyrightText);
  EXPECT_EQ(values.copyrightFont, u"Tahoma");
  EXPECT_DOUBLE_EQ(values.copyrightSize, 0.75);
  EXPECT_EQ(values.copyrightColor, std::optional<uint32_t>(0x00563412u));
  EXPECT_EQ(values.copyrightPos, 6u);
  EXPECT_EQ(values.displayVersion, u"5.12.3");
  EXPECT_EQ(values.uninstallSubdir, u"");
  EXPECT_EQ(values.productFonts, run.fontList);
  EXPECT_EQ(values.notifyUrl, product.NotifyURL);
  EXPECT_EQ(values.sharedPath, run.sharedDir);
  EXPECT_EQ(values.productStartMenu, u"Key Test");
  EXPECT_EQ(values.uninstallBatch1, "echo one");
  EXPECT_EQ(values.uninstallBatch2, "echo two");
  EXPECT_EQ(values.sharedFiles, run.sharedFilesText);
  EXPECT_EQ(values.productRegistry, "Quillonet\\KeyTest");
  EXPECT_EQ(values.shortcutMode, 1u);
  EXPECT_EQ(values.bitmapTPI, 7);
  EXPECT_EQ(values.stretchMode, 2u);
  EXPECT_EQ(values.bitmapSize, 80u);
}

// A text outside the ANSI code page travels in the "|" form and is stored as the text it
// stands for, in the command lines as well.
TEST_F(UninstallKey, TextsOutsideTheCodePage) {
  ProductSettings& product = Product();
  product.DisplayName = u"\u4e2d\u6587 Product";
  const std::u16string folder(AsU16((Folder() / L"\u4e2d").wstring()));
  Installation().uninstallerPath = folder + u"\\uninstall.exe";
  Installation().installDir = folder;
  ASSERT_TRUE(Write());
  EXPECT_EQ(Text(L"DisplayName"), L"\u4e2d\u6587 Product");
  EXPECT_EQ(Text(L"UninstallString"),
            L"\"" + std::wstring(AsWide(folder)) + L"\\uninstall.exe\" /u:\"" + keyName_ + L"\"");
  WriteUninstallKeyTail(Installation());
  EXPECT_EQ(Text(L"InstallLocation"), std::wstring(AsWide(folder)));

  UniqueRegKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath().c_str(), 0, InProgramView(KEY_READ),
                            key.Receive()),
            ERROR_SUCCESS);
  EXPECT_EQ(LoadUninstallKey(key.Get(), u"").displayName, product.DisplayName);
}

// Values that are deleted instead of written, over a key that still holds every one of them
// from an earlier installation.
TEST_F(UninstallKey, ValuesDeletedInsteadOfWritten) {
  const wchar_t* const kMaybe[] = {
      L"DisplayVersion",  L"Publisher",       L"DisplayIcon",      L"VersionMajor",
      L"VersionMinor",    L"ProductRegistry", L"ProductStartMenu", L"SharedPath",
      L"ProductFonts",    L"UninstallBatch1", L"UninstallBatch2",  L"SharedFiles",
      L"UninstallSubdir", L"ShortcutMode",    L"NotifyURL",        L"EstimatedSize",
      L"BottomColor",     L"BitmapSize",      L"BitmapTPI",        L"StretchMode",
  };
  struct Case {
    const char* name;
    std::string version;
    uint64_t requiredSpace;
    bool mono;
    bool bitmap;
    uint32_t bitmapTPI;
    std::vector<std::wstring> present;  // of kMaybe
  };
  const Case cases[] = {
      {"NothingToWrite", "", 1023, true, false, 0, {}},
      {"VersionWithoutDot", "5", 1024, true, false, 0, {L"DisplayVersion", L"EstimatedSize"}},
      {"Gradient", "", 0, false, false, 0, {L"BottomColor"}},
      {"BitmapWithoutTransparency", "", 0, true, true, 0xFFFFFFFF, {L"BitmapSize", L"StretchMode"}},
      {"Bitmap", "", 0, true, true, 0, {L"BitmapSize", L"BitmapTPI", L"StretchMode"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      UniqueRegKey key;
      ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, KeyPath().c_str(), 0, nullptr, 0,
                                  InProgramView(KEY_SET_VALUE), nullptr, key.Receive(), nullptr),
                ERROR_SUCCESS);
      for (const wchar_t* name : kMaybe) SetTextValue(key.Get(), name, L"left over");
    }
    ProductSettings& product = Product();
    product.DisplayVersion = AsciiToUtf16(c.version);
    product.TopColor = 0x00AABBCC;
    product.BottomColor = c.mono ? product.TopColor : 0x00010203;
    product.ProductFlags = kFlagUninstallable | (c.bitmap ? kFlagBackgroundBitmap : 0);
    product.bitmap = Bytes("BM");
    product.BitmapTPI = c.bitmapTPI;
    Installation().requiredSpace = c.requiredSpace;
    ASSERT_TRUE(Write());
    for (const wchar_t* name : kMaybe) {
      const bool expected =
          std::find(c.present.begin(), c.present.end(), std::wstring(name)) != c.present.end();
      EXPECT_EQ(Value(name).has_value(), expected) << WideToUtf8(name);
    }
    EXPECT_EQ(Number(L"MonoColor"), c.mono ? 1u : 0u);
  }
}

TEST_F(UninstallKey, VersionNumbers) {
  struct Case {
    const char* version;
    std::optional<DWORD> major;
    std::optional<DWORD> minor;
  };
  const Case cases[] = {
      {"5", std::nullopt, std::nullopt},
      {"5.12.3", 5u, 12u},
      {".5", 0u, 5u},
      {"x.y", 0u, 0u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    Product().DisplayVersion = AsciiToUtf16(c.version);
    ASSERT_TRUE(Write());
    std::optional<StoredValue> major = Value(L"VersionMajor");
    std::optional<StoredValue> minor = Value(L"VersionMinor");
    ASSERT_EQ(major.has_value(), c.major.has_value());
    ASSERT_EQ(minor.has_value(), c.minor.has_value());
    if (c.major) {
      EXPECT_EQ(major->number, *c.major);
    }
    if (c.minor) {
      EXPECT_EQ(minor->number, *c.minor);
    }
  }
}

// A product without a key name of its own (nor a display name) has nowhere to go: nothing is
// written into the list's own key, and the caller reports the failure.
TEST_F(UninstallKey, EmptyKeyNameIsRefused) {
  Product().uninstallKeyName.clear();
  DWORD error = 0;
  EXPECT_FALSE(WriteUninstallKey(Installation(), error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE,
                         L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                         L"UninstallString")
                   .has_value());
}

// ---- Reading ----

TEST_F(UninstallKey, ReaderDefaultsOnAnEmptyKey) {
  UniqueRegKey key;
  ASSERT_EQ(
      ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, KeyPath().c_str(), 0, nullptr, 0,
                        InProgramView(KEY_READ | KEY_SET_VALUE), nullptr, key.Receive(), nullptr),
      ERROR_SUCCESS);
  UninstallKeyValues values = LoadUninstallKey(key.Get(), u"Named With U");
  EXPECT_EQ(values.displayName, u"Named With U");
  EXPECT_TRUE(values.installLocation.empty());
  EXPECT_EQ(values.productFlags, 0u);
  EXPECT_EQ(values.productFlags2, 0u);
  EXPECT_EQ(values.bitness, 0u);
  EXPECT_DOUBLE_EQ(values.titleSize, 1.0);
  EXPECT_EQ(values.titleColor, ::GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(values.titleShadow, 1u);
  EXPECT_EQ(values.topColor, ::GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(values.bottomColor, 0u);
  EXPECT_EQ(values.monoColor, 1u);
  EXPECT_EQ(values.titlePosition, 0u);
  EXPECT_DOUBLE_EQ(values.copyrightSize, 0.0);
  EXPECT_EQ(values.copyrightColor, std::nullopt);
  EXPECT_EQ(values.copyrightPos, 0u);
  EXPECT_EQ(values.shortcutMode, 0u);
  EXPECT_EQ(values.bitmapTPI, -1);
  EXPECT_EQ(values.stretchMode, 0u);
  EXPECT_EQ(values.bitmapSize, 0u);
  EXPECT_TRUE(values.sharedFiles.empty());

  // The picture's values count only for a product with a background picture.
  SetNumberValue(key.Get(), L"BitmapSize", 50);
  SetNumberValue(key.Get(), L"BitmapTPI", 3);
  SetNumberValue(key.Get(), L"StretchMode", 1);
  values = LoadUninstallKey(key.Get(), u"");
  EXPECT_EQ(values.bitmapSize, 0u);
  EXPECT_EQ(values.bitmapTPI, -1);
  SetTextValue(key.Get(), L"ProductFlags", L"32768");
  values = LoadUninstallKey(key.Get(), u"");
  EXPECT_EQ(values.bitmapSize, 50u);
  EXPECT_EQ(values.bitmapTPI, 3);
  EXPECT_EQ(values.stretchMode, 1u);
  // A colour written by hand: "#" and fewer digits.
  SetTextValue(key.Get(), L"CopyrightColor", L"#ff");
  EXPECT_EQ(LoadUninstallKey(key.Get(), u"").copyrightColor, std::optional<uint32_t>(0x00FF0000u));
}

// ---- The product's own values, "InstallLocation" and "InstallDate" ----

TEST_F(UninstallKey, ProductValuesAndTheInstallationsPlace) {
  const std::wstring ownKey = L"Software\\QuillonetTest\\" + OwnTestName();
  ScopedKey elsewhere(HKEY_CURRENT_USER, ownKey);
  const std::string fullName = "\\HKCU\\" + Narrow(ownKey) + "\\X";
  Product().savedValues = {
      {"Expandable", 2, "%InstallDir%\\data"},
      {"Number", 4, "-1"},
      {"Plain", 9, "plain text"},
      {"EmptyText", 1, ""},
      {"EmptyExpandable", 2, ""},
      {fullName, 1, "at a full path"},
      {"\\HKNOWHERE\\Software\\X", 1, "lost"},
  };
  {
    UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, KeyPath().c_str(), 0, nullptr, 0,
                                InProgramView(KEY_SET_VALUE), nullptr, key.Receive(), nullptr),
              ERROR_SUCCESS);
    SetTextValue(key.Get(), L"EmptyText", L"left over");
    SetTextValue(key.Get(), L"EmptyExpandable", L"left over");
  }
  InstallRun& run = Installation();
  WriteUninstallKeyTail(run);

  const std::wstring installDir(AsWide(run.installDir));
  EXPECT_EQ(Text(L"Expandable", REG_EXPAND_SZ), installDir + L"\\data");
  EXPECT_EQ(Number(L"Number"), 0xFFFFFFFFu);
  EXPECT_EQ(Text(L"Plain"), L"plain text");
  EXPECT_FALSE(Value(L"EmptyText").has_value());
  EXPECT_FALSE(Value(L"EmptyExpandable").has_value());
  std::optional<StoredValue> full = ReadValue(HKEY_CURRENT_USER, ownKey, L"X");
  ASSERT_TRUE(full.has_value());
  EXPECT_EQ(full->text, L"at a full path");
  EXPECT_EQ(WideToUtf8(run.failureSummary),
            "Failed to save data in registry key \"\\HKNOWHERE\\Software\\X\": " +
                SystemErrorText(ERROR_BAD_PATHNAME) + "\r\n");

  EXPECT_EQ(Text(L"InstallLocation"), installDir);
  const std::string date = WideToUtf8(Text(L"InstallDate"));
  EXPECT_TRUE(std::regex_match(date, std::regex(R"(\d{1,2}/\d{1,2}/\d\d \d{1,2}:\d\d:\d\d[ap])")))
      << date;
}

// A product without an uninstaller gets no Add/Remove Programs entry; an entry with a key of
// its own is still written.
TEST_F(UninstallKey, NoRegistrationWithoutAnUninstaller) {
  const std::wstring ownKey = L"Software\\QuillonetTest\\" + OwnTestName();
  ScopedKey elsewhere(HKEY_CURRENT_USER, ownKey);
  Product().ProductFlags = 0;
  Product().savedValues = {
      {"InTheRegistration", 1, "x"},
      {"\\HKCU\\" + Narrow(ownKey) + "\\Y", 4, "12ab"},
  };
  WriteUninstallKeyTail(Installation());
  UniqueRegKey key;
  EXPECT_NE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath().c_str(), 0, InProgramView(KEY_READ),
                            key.Receive()),
            ERROR_SUCCESS);
  std::optional<StoredValue> value = ReadValue(HKEY_CURRENT_USER, ownKey, L"Y");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->number, 12u);
  EXPECT_EQ(Installation().failureSummary, u"");
}

// ---- The uninstaller program ----

class UninstallerCopy : public UninstallKey {
 protected:
  fs::path Target() const { return Folder() / "App" / "uninstall.exe"; }
};

TEST_F(UninstallerCopy, CopyOfTheRunningProgram) {
  PayloadContext payload;
  WriteUninstaller(payload, Installation());
  EXPECT_EQ(Installation().uninstallerPath, Target().u16string());
  EXPECT_EQ(ReadBytes(Target()), ReadBytes(ModuleFileName()));
  EXPECT_EQ(Installation().failureSummary, u"");
  EXPECT_EQ(Installation().installLog, u"");

  // Into a folder that nothing has made yet.
  Installation().uninstallDir = (Folder() / "Fonts only" / "Uninstall").u16string();
  WriteUninstaller(payload, Installation());
  EXPECT_EQ(ReadBytes(Folder() / "Fonts only" / "Uninstall" / "uninstall.exe"),
            ReadBytes(ModuleFileName()));
  EXPECT_EQ(Installation().failureSummary, u"");

  // Started from where its uninstaller goes, the program leaves itself alone.
  Installation().uninstallDir = TestProgramFolder().u16string();
  Product().uninstallerName = fs::path(ModuleFileName()).filename().u16string();
  WriteUninstaller(payload, Installation());
  EXPECT_EQ(Installation().failureSummary, u"");
  EXPECT_EQ(Installation().installLog, u"");
  EXPECT_FALSE(Product().ProductFlags & kFlagRestartRequired);
}

// The payload-stripped program, as it is or with the product's uninstaller icon in place of
// its own.
TEST_F(UninstallerCopy, StrippedProgramAndItsIcon) {
  const std::vector<uint8_t> icon = TwoImageIcon();
  struct Case {
    const char* name;
    std::vector<uint8_t> program;
    std::vector<uint8_t> icon;
    const char* log;
    bool replaced;
  };
  const Case cases[] = {
      {"NoIcon", StubBytes(), {}, "", false},
      {"Icon", StubBytes(), icon, "", true},
      {"DamagedIcon", StubBytes(), Bytes("not an icon"), "Failed to replace uninstaller icon.\r\n",
       false},
      {"NotAProgram", Bytes("not a program"), icon,
       "Failed to open uninstaller for icon replacement.\r\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = Folder() / c.name;
    fs::create_directories(folder);
    const fs::path target = folder / "uninstall.exe";
    Installation().uninstallDir = folder.u16string();
    Product().ProductFlags2 = kFlags2StrippedUninstaller;
    Product().uninstallerIcon = c.icon;
    Installation().installLog.clear();
    PayloadContext payload;
    payload.strippedProgram = c.program;
    WriteUninstaller(payload, Installation());
    EXPECT_EQ(WideToUtf8(Installation().installLog), c.log);
    EXPECT_EQ(Installation().failureSummary, u"");
    const std::vector<uint8_t> written = ReadBytes(target);
    if (!c.replaced) {
      EXPECT_EQ(written, c.program);
      continue;
    }
    std::vector<IconImage> images;
    ASSERT_TRUE(ParseIconFile(icon, images));
    UniqueModule module(::LoadLibraryExW(target.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    HRSRC group = ::FindResourceW(module.Get(), MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* groupBytes =
        static_cast<const uint8_t*>(::LockResource(::LoadResource(module.Get(), group)));
    const ByteSpan groupData(groupBytes, ::SizeofResource(module.Get(), group));
    std::vector<uint16_t> ids;
    ASSERT_TRUE(IconGroupIds(groupData, ids));
    ASSERT_EQ(ids.size(), 2u);
    const std::vector<uint8_t> expectedGroup = IconGroupResource(images, ids);
    EXPECT_EQ(std::vector<uint8_t>(groupData.begin(), groupData.end()), expectedGroup);
    for (size_t i = 0; i < ids.size(); ++i) {
      HRSRC image = ::FindResourceW(module.Get(), MAKEINTRESOURCEW(ids[i]), RT_ICON);
      ASSERT_NE(image, nullptr);
      const auto* bytes =
          static_cast<const uint8_t*>(::LockResource(::LoadResource(module.Get(), image)));
      EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + ::SizeofResource(module.Get(), image)),
                std::vector<uint8_t>(images[i].data.begin(), images[i].data.end()));
    }
    // The program's own images are gone with its group.
    int imageCount = 0;
    ::EnumResourceNamesW(module.Get(), RT_ICON, CountResource,
                         reinterpret_cast<LONG_PTR>(&imageCount));
    EXPECT_EQ(imageCount, 2);
    // The program's other resources stay as they were.
    UniqueModule stub(::LoadLibraryExW(StubPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(stub);
    for (LPCWSTR type : {RT_VERSION, RT_MANIFEST}) {
      EXPECT_EQ(ResourceBytes(module.Get(), type), ResourceBytes(stub.Get(), type));
      EXPECT_FALSE(ResourceBytes(module.Get(), type).empty());
    }
    module.Reset();
    // And it still starts.
    RunResult result = Run(target, L"/u:\"QuillonetNoSuchProduct\"");
    EXPECT_EQ(result.MessageTexts(),
              std::vector<std::string>{"No product named 'QuillonetNoSuchProduct' is installed."})
        << result;
  }
}

TEST_F(UninstallerCopy, IconFiles) {
  Product().uninstallerIcon = Bytes("uninstaller icon");
  Product().productIcon = Bytes("product icon");
  InstallRun& run = Installation();
  WriteUninstallerIconFile(run);
  std::u16string path;
  ASSERT_TRUE(WriteProductIconFile(run, path));
  EXPECT_EQ(path, (Folder() / "App" / "product.ico").u16string());
  EXPECT_EQ(ReadText(Folder() / "App" / "uninstall.ico"), "uninstaller icon");
  EXPECT_EQ(ReadText(Folder() / "App" / "product.ico"), "product icon");
  EXPECT_EQ(run.removalList, Narrow((Folder() / "App" / "uninstall.ico").wstring()) + "\r\n" +
                                 ToBarNarrow(path) + "\r\n");

  // Without icons nothing is written or recorded.
  Product().uninstallerIcon.clear();
  Product().productIcon.clear();
  run.removalList.clear();
  WriteUninstallerIconFile(run);
  EXPECT_FALSE(WriteProductIconFile(run, path));
  EXPECT_EQ(run.removalList, "");
}

// The product's own files beside the uninstaller: the folder is made when missing; a file that
// cannot be written is reported and not recorded.
TEST_F(UninstallerCopy, ProductFilesBesideTheUninstaller) {
  InstallRun& run = Installation();
  run.uninstallDir = (Folder() / "App" / "Data" / "Uninstall").u16string();
  std::u16string path;
  ASSERT_TRUE(WriteUninstallDataFile(run, u"Installer Background.BMP", Bytes("BM picture"), path));
  EXPECT_EQ(path, run.uninstallDir + u"\\Installer Background.BMP");
  EXPECT_EQ(ReadText(Folder() / "App" / "Data" / "Uninstall" / "Installer Background.BMP"),
            "BM picture");
  EXPECT_EQ(run.removalList, ToBarNarrow(path) + "\r\n");
  EXPECT_EQ(run.failureSummary, u"");

  WriteText(Folder() / "App" / "blocker", "a file where the folder would be");
  run.uninstallDir = (Folder() / "App" / "blocker" / "Uninstall").u16string();
  run.removalList.clear();
  EXPECT_FALSE(WriteUninstallDataFile(run, u"readme.txt", Bytes("text"), path));
  EXPECT_EQ(run.removalList, "");
  const std::string summary = WideToUtf8(run.failureSummary);
  EXPECT_EQ(summary.rfind("Failed to write \"" + WideToUtf8(path) + "\": ", 0), 0u) << summary;
}

// ---- An uninstaller in use (the restart prefix only) ----

// The replacement registered for the restart is checked and then dropped again, so the prefix
// is left without it and is not restarted.
class RestartPrefixUninstallerCopy : public UninstallerCopy {
 protected:
  void SetUp() override {
    if (!InRestartPrefix()) GTEST_SKIP() << "registers work for the restart; restart prefix only";
    UninstallerCopy::SetUp();
  }
};

TEST_F(RestartPrefixUninstallerCopy, InUseUninstallerWaitsForTheRestart) {
  WriteText(Target(), "old uninstaller");
  {
    UniqueFileHandle lock = LockFile(Target());
    ASSERT_TRUE(lock);
    WriteUninstaller(PayloadContext{}, Installation());
  }
  const InstallRun& run = Installation();
  EXPECT_EQ(run.failureSummary, u"");
  const std::regex report(R"re(^"(.*)" was successfully registered for replacement\.\r\n)re"
                          R"re(Temporary file is "(.*)"\r\nReboot will be required\.\r\n\r\n$)re");
  std::smatch match;
  const std::string log = WideToUtf8(run.installLog);
  ASSERT_TRUE(std::regex_match(log, match, report)) << log;
  EXPECT_EQ(match[1].str(), Narrow(Target().wstring()));
  const fs::path temporary = Utf8ToWide(match[2].str());
  EXPECT_EQ(temporary.parent_path(), Target().parent_path());
  EXPECT_TRUE(Product().ProductFlags & kFlagRestartRequired);
  EXPECT_EQ(ReadText(Target()), "old uninstaller");
  EXPECT_EQ(ReadBytes(temporary), ReadBytes(ModuleFileName()));
  const auto pending = PendingPairs();
  EXPECT_EQ(pending.count({LowerPath(temporary), LowerPath(Target())}), 1u);

  // The replacement is not carried out: the prefix is not restarted for it.
  RemoveFromPendingOperations({LowerPath(Target())}, nullptr);
  EXPECT_EQ(PendingPairs().size(), pending.size() - 1);
}

}  // namespace
}  // namespace qs::systest
