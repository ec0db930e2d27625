// The uninstaller's undoing of the integration, inside this process on the prefix's real
// registry and file system: associations, fonts, the product's registry keys and script,
// installer packages, drivers and the folder tree. Every key, value and file a test makes has a
// name of its own and is removed by the test.
#include <windows.h>
// windows.h first
#include <msi.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/handle_win.h"
#include "base/registry_delete_win.h"
#include "base/registry_read_win.h"
#include "base/registry_view_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "file_fixtures.h"
#include "harness_win.h"
#include "integration/integration_removal_win.h"
#include "integration/shell_folders_win.h"
#include "ui/user_interface_win.h"
#include "uninstall/uninstall_key.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

// ---- Registry fixtures ----

void SetText(HKEY root, const std::wstring& key, const std::wstring& name,
             const std::wstring& value, REGSAM view = 0) {
  UniqueRegKey opened;
  ASSERT_EQ(::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, InProgramView(KEY_SET_VALUE | view),
                              nullptr, opened.Receive(), nullptr),
            ERROR_SUCCESS)
      << Narrow(key);
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  ASSERT_EQ(::RegSetValueExW(opened.Get(), name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()), bytes),
            ERROR_SUCCESS);
}

void SetDefault(HKEY root, const std::wstring& key, const std::wstring& value) {
  SetText(root, key, L"", value);
}

bool KeyExists(HKEY root, const std::wstring& key, REGSAM view = 0) {
  return RegistryKeyExists(root, key, view);
}

// A value's text, or nothing when the value or its key is missing.
std::optional<std::wstring> TextOf(HKEY root, const std::wstring& key, const std::wstring& name,
                                   REGSAM view = 0) {
  std::wstring value;
  if (!ReadRegistryText(root, key, name, value, view)) return std::nullopt;
  return value;
}

void DeleteTree(HKEY root, const std::wstring& key, REGSAM view = 0) {
  DeleteRegistryTree(root, key, view);
}

// Deletes the listed keys (their subkeys too) when the test begins and when it ends, so a test
// that failed half-way leaves nothing for the next run.
class RegistryCleanup {
 public:
  RegistryCleanup(std::vector<std::pair<HKEY, std::wstring>> keys, REGSAM view = 0)
      : keys_(std::move(keys)), view_(view) {
    Clean();
  }
  ~RegistryCleanup() { Clean(); }
  RegistryCleanup(const RegistryCleanup&) = delete;
  RegistryCleanup& operator=(const RegistryCleanup&) = delete;

 private:
  void Clean() {
    for (const auto& [root, key] : keys_) DeleteTree(root, key, view_);
  }
  std::vector<std::pair<HKEY, std::wstring>> keys_;
  REGSAM view_;
};

// ---- Questions ----

// Answers message boxes from a list (Yes once it runs out) and keeps what they asked.
class AnsweringUserInterface : public UserInterface {
 public:
  struct Question {
    std::wstring text;
    std::wstring caption;
  };

  explicit AnsweringUserInterface(std::vector<qs::MessageAnswer> answers)
      : answers_(std::move(answers)) {}

  qs::MessageAnswer ShowMessageBox(const MessageRequest& request) override {
    questions.push_back({std::wstring(request.text), std::wstring(request.caption)});
    return next_ < answers_.size() ? answers_[next_++] : qs::MessageAnswer::kYes;
  }
  PageResult ShowPage(const PageRequest&) override { return {}; }
  void OpenProgressPage(const ProgressPageRequest&) override {}
  void CloseProgressPage() override {}
  void SetProgress(int) override {}
  void ShowProgressText(std::wstring_view) override {}
  void ShowCurrentItem(std::wstring_view) override {}
  void ShowBackground(const BackgroundSettings&, bool) override {}

  std::vector<Question> questions;

 private:
  std::vector<qs::MessageAnswer> answers_;
  size_t next_ = 0;
};

// Puts an answering user interface in place for one scope.
class AnsweredQuestions {
 public:
  explicit AnsweredQuestions(std::vector<qs::MessageAnswer> answers) {
    auto answering = std::make_unique<AnsweringUserInterface>(std::move(answers));
    ui_ = answering.get();
    previous_ = ReplaceUserInterface(std::move(answering));
  }
  ~AnsweredQuestions() { ReplaceUserInterface(std::move(previous_)); }
  AnsweredQuestions(const AnsweredQuestions&) = delete;
  AnsweredQuestions& operator=(const AnsweredQuestions&) = delete;

  const std::vector<AnsweringUserInterface::Question>& Asked() const { return ui_->questions; }

 private:
  AnsweringUserInterface* ui_ = nullptr;
  std::unique_ptr<UserInterface> previous_;
};

class IntegrationRemoval : public SystemTest {};

// ---- Associations ----

// The product's display name; its backup values are named without the backslash and the tab.
constexpr char16_t kDisplayName[] = u"Qs\\Removal\tTest";
constexpr wchar_t kBackup[] = L"QsRemovalTest Backup";

// What the installation leaves for an association it made from nothing: the extension names
// the class and lists it under "OpenWithProgids"; the class has its description, icon, default
// verb and command.
void MakeNewAssociation(const std::wstring& extension, const std::wstring& className) {
  SetDefault(HKEY_CLASSES_ROOT, extension, className);
  SetText(HKEY_CLASSES_ROOT, extension + L"\\OpenWithProgids", className, L"");
  SetDefault(HKEY_CLASSES_ROOT, className, L"Removal test file");
  SetDefault(HKEY_CLASSES_ROOT, className + L"\\DefaultIcon", L"C:\\App\\app.exe,0");
  SetDefault(HKEY_CLASSES_ROOT, className + L"\\shell", L"open");
  SetDefault(HKEY_CLASSES_ROOT, className + L"\\shell\\open", L"&Open");
  SetDefault(HKEY_CLASSES_ROOT, className + L"\\shell\\open\\command",
             L"\"C:\\App\\app.exe\" \"%1\"");
}

TEST_F(IntegrationRemoval, BackedUpDefaultsComeBackAndTheExtensionStays) {
  const std::wstring extension = L".qsrt-restored";
  const std::wstring className = L"QsRemovalTest.Restored";
  RegistryCleanup cleanup({{HKEY_CLASSES_ROOT, extension}, {HKEY_CLASSES_ROOT, className}});
  MakeNewAssociation(extension, className);
  SetText(HKEY_CLASSES_ROOT, extension, kBackup, L"txtfile");
  SetText(HKEY_CLASSES_ROOT, extension + L"\\OpenWithProgids", L"txtfile", L"");

  RemoveAssociations({{Narrow(extension), Narrow(className), "open"}}, kDisplayName);

  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, extension, L""), L"txtfile");
  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, extension, kBackup), std::nullopt);
  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, extension + L"\\OpenWithProgids", className), std::nullopt);
  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, extension + L"\\OpenWithProgids", L"txtfile"), L"");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, className));
}

TEST_F(IntegrationRemoval, KeysWithoutBackupsGo) {
  const std::wstring lone = L".qsrt-lone";
  const std::wstring loneClass = L"QsRemovalTest.Lone";
  // Two extensions of one class: the second finds the class gone already.
  const std::wstring first = L".qsrt-first";
  const std::wstring second = L".qsrt-second";
  const std::wstring sharedClass = L"QsRemovalTest.Shared";
  // An extension in which another program keeps something of its own.
  const std::wstring crowded = L".qsrt-crowded";
  const std::wstring crowdedClass = L"QsRemovalTest.Crowded";
  RegistryCleanup cleanup({{HKEY_CLASSES_ROOT, lone},
                           {HKEY_CLASSES_ROOT, loneClass},
                           {HKEY_CLASSES_ROOT, first},
                           {HKEY_CLASSES_ROOT, second},
                           {HKEY_CLASSES_ROOT, sharedClass},
                           {HKEY_CLASSES_ROOT, crowded},
                           {HKEY_CLASSES_ROOT, crowdedClass}});
  MakeNewAssociation(lone, loneClass);
  MakeNewAssociation(first, sharedClass);
  MakeNewAssociation(second, sharedClass);
  MakeNewAssociation(crowded, crowdedClass);
  SetText(HKEY_CLASSES_ROOT, crowded + L"\\ShellNew", L"NullFile", L"");

  RemoveAssociations({{Narrow(lone), Narrow(loneClass), "open"},
                      {Narrow(first), Narrow(sharedClass), "open"},
                      {Narrow(second), Narrow(sharedClass), "open"},
                      {Narrow(crowded), Narrow(crowdedClass), "Open"}},
                     kDisplayName);

  for (const std::wstring& key : {lone, loneClass, first, second, sharedClass, crowdedClass}) {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << Narrow(key);
  }
  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, crowded, L""), std::nullopt);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, crowded + L"\\OpenWithProgids"));
  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, crowded + L"\\ShellNew", L"NullFile"), L"");
}

TEST_F(IntegrationRemoval, AVerbStaysOnlyWhenItsCommandHadABackup) {
  // A class that was there before: the installation replaced its description and its "open"
  // command (both backed up) and added an "edit" verb; "print" is the class's own.
  const std::wstring extension = L".qsrt-existing";
  const std::wstring className = L"QsRemovalTest.Existing";
  const std::wstring shell = className + L"\\shell";
  RegistryCleanup cleanup({{HKEY_CLASSES_ROOT, extension}, {HKEY_CLASSES_ROOT, className}});
  SetDefault(HKEY_CLASSES_ROOT, extension, className);
  SetDefault(HKEY_CLASSES_ROOT, className, L"Our description");
  SetText(HKEY_CLASSES_ROOT, className, kBackup, L"Their description");
  SetDefault(HKEY_CLASSES_ROOT, shell + L"\\print\\command", L"print.exe \"%1\"");
  SetDefault(HKEY_CLASSES_ROOT, shell + L"\\open", L"Open with us");
  SetDefault(HKEY_CLASSES_ROOT, shell + L"\\open\\command", L"ours.exe \"%1\"");
  SetText(HKEY_CLASSES_ROOT, shell + L"\\open\\command", kBackup, L"theirs.exe \"%1\"");
  SetDefault(HKEY_CLASSES_ROOT, shell + L"\\edit\\command", L"ours.exe /edit \"%1\"");
  // A class whose only verb was the installation's loses "shell" as well.
  const std::wstring verbOnly = L"QsRemovalTest.VerbOnly";
  RegistryCleanup cleanupVerbOnly({{HKEY_CLASSES_ROOT, verbOnly}});
  SetDefault(HKEY_CLASSES_ROOT, verbOnly + L"\\Clsid", L"{00000000-0000-0000-0000-000000000000}");
  SetDefault(HKEY_CLASSES_ROOT, verbOnly + L"\\shell", L"view");
  SetDefault(HKEY_CLASSES_ROOT, verbOnly + L"\\shell\\view\\command", L"ours.exe /view \"%1\"");

  RemoveAssociations({{Narrow(extension), Narrow(className), "open"},
                      {Narrow(extension), Narrow(className), "edit"},
                      {".qsrt-verb-only", Narrow(verbOnly), "view"}},
                     kDisplayName);

  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, className, L""), L"Their description");
  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, shell + L"\\open\\command", L""), L"theirs.exe \"%1\"");
  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, shell + L"\\open\\command", kBackup), std::nullopt);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, shell + L"\\edit"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, shell + L"\\print\\command"));
  // The class stays, and so does the extension that names it.
  EXPECT_EQ(TextOf(HKEY_CLASSES_ROOT, extension, L""), className);

  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, verbOnly + L"\\shell"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, verbOnly + L"\\Clsid"));
}

// ---- Fonts ----

constexpr wchar_t kFontsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

struct TestFont {
  std::wstring name;
  std::wstring file;
};

class FontRemoval : public IntegrationRemoval {
 protected:
  // Two fonts as an installation leaves them: a value in the font list and a file in the
  // fonts folder (made up bytes, not a font of the system). Named for the test, as tests run
  // side by side in one prefix and share its fonts folder.
  const std::wstring tag_ =
      Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
  const std::vector<TestFont> fonts_ = {
      {L"Qs Removal Sans " + tag_ + L" (TrueType)", L"QsRemovalSans" + tag_ + L".ttf"},
      {L"Qs Caf\u00E9 Serif " + tag_ + L" (TrueType)", L"QsRemovalCafe" + tag_ + L".ttf"},
  };

  void SetUp() override {
    IntegrationRemoval::SetUp();
    // A product whose only texts are the question and its caption.
    Product() = ProductSettings{};
    LanguageTable& table = Product().languages;
    table.names = {"English"};
    table.textCount = kTextRemoveFontCaption + 1;
    table.texts.assign(table.textCount, u"");
    table.texts[kTextRemoveFontQuestion] = u"Remove the font %s?";
    table.texts[kTextRemoveFontCaption] = u"Fonts";
    Texts() = LanguageTexts(&table, PlaceholderValues{});
    for (const TestFont& font : fonts_) {
      SetText(HKEY_LOCAL_MACHINE, kFontsKey, font.name, font.file);
      WriteText(FontPath(font), "not really a font");
    }
  }
  void TearDown() override {
    for (const TestFont& font : fonts_) {
      UniqueRegKey key;
      if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, InProgramView(KEY_SET_VALUE),
                          key.Receive()) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key.Get(), font.name.c_str());
      }
      ::DeleteFileW(FontPath(font).c_str());
    }
    IntegrationRemoval::TearDown();
  }

  static fs::path FontPath(const TestFont& font) { return fs::path(FontDir()) / font.file; }
  static bool Installed(const TestFont& font) {
    return TextOf(HKEY_LOCAL_MACHINE, kFontsKey, font.name) == font.file &&
           fs::exists(FontPath(font));
  }
  static bool Gone(const TestFont& font) {
    return !TextOf(HKEY_LOCAL_MACHINE, kFontsKey, font.name) && !fs::exists(FontPath(font));
  }
  std::string Recorded(const std::vector<TestFont>& fonts) const {
    std::vector<ProductFont> recorded;
    for (const TestFont& font : fonts) {
      recorded.push_back({WideToUtf8(font.name), Narrow(font.file)});
    }
    return FormatProductFonts(recorded);
  }
};

TEST_F(FontRemoval, EachFontLeavesTheListTheSessionAndTheFolder) {
  AnsweredQuestions answers({});
  EXPECT_EQ(RemoveProductFonts(Recorded(fonts_), {}), "");
  for (const TestFont& font : fonts_) EXPECT_TRUE(Gone(font)) << Narrow(font.name);
  EXPECT_TRUE(answers.Asked().empty());
}

TEST_F(FontRemoval, AFontTheUserKeepsStaysRecorded) {
  AnsweredQuestions answers({qs::MessageAnswer::kNo, qs::MessageAnswer::kYes});
  FontRemovalOptions options;
  options.ask = true;

  EXPECT_EQ(RemoveProductFonts(Recorded(fonts_), options), Recorded({fonts_[0]}));

  EXPECT_TRUE(Installed(fonts_[0]));
  EXPECT_TRUE(Gone(fonts_[1]));
  ASSERT_EQ(answers.Asked().size(), 2u);
  EXPECT_EQ(answers.Asked()[0].text, L"Remove the font " + fonts_[0].name + L"?");
  EXPECT_EQ(answers.Asked()[0].caption, L"Fonts");
  EXPECT_EQ(answers.Asked()[1].text, L"Remove the font " + fonts_[1].name + L"?");
}

// ---- The product's registry key, [Registry] and [Registry2] ----

TEST_F(IntegrationRemoval, ProductKeyGoesWithItsEmptyParents) {
  const std::wstring top = L"Software\\QsRemovalTestProduct";
  const std::wstring product = top + L"\\Maker\\Product";
  RegistryCleanup cleanup({{HKEY_LOCAL_MACHINE, top}, {HKEY_CURRENT_USER, top}});
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    SetText(root, product, L"Version", L"1.0");
    SetText(root, product + L"\\Settings", L"Colour", L"blue");
  }
  // In the machine's hive something else of the maker keeps the top key.
  SetText(HKEY_LOCAL_MACHINE, top + L"\\Other", L"Kept", L"yes");

  DeleteProductRegistryKey("QsRemovalTestProduct\\Maker\\Product", false);

  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, top + L"\\Maker"));
  EXPECT_EQ(TextOf(HKEY_LOCAL_MACHINE, top + L"\\Other", L"Kept"), L"yes");
  // The user's hive loses everything up to, not including, "Software".
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, top));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software"));
}

TEST_F(IntegrationRemoval, MachineWalkStopsAfterTwentyKeys) {
  // 25 levels below "Software": the product's key and 19 of its empty parents go.
  const std::wstring top = L"Software\\QsRemovalTestDeep";
  RegistryCleanup cleanup({{HKEY_LOCAL_MACHINE, top}, {HKEY_CURRENT_USER, top}});
  std::string productRegistry = "QsRemovalTestDeep";
  std::wstring path = top;
  std::vector<std::wstring> levels{path};
  for (int level = 1; level < 25; ++level) {
    productRegistry += "\\L" + std::to_string(level);
    path += L"\\L" + std::to_wstring(level);
    levels.push_back(path);
  }
  SetText(HKEY_LOCAL_MACHINE, path, L"Version", L"1.0");

  DeleteProductRegistryKey(productRegistry, false);

  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, levels[4]));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, levels[5]));
}

TEST_F(IntegrationRemoval, SixtyFourBitProductKeyInItsOwnView) {
  if (!SystemIs64Bit()) GTEST_SKIP() << "a 32-bit system has one registry view";
  const std::wstring product = L"Software\\QsRemovalTestView";
  RegistryCleanup cleanup64({{HKEY_LOCAL_MACHINE, product}}, KEY_WOW64_64KEY);
  RegistryCleanup cleanup32({{HKEY_LOCAL_MACHINE, product}}, KEY_WOW64_32KEY);
  SetText(HKEY_LOCAL_MACHINE, product, L"Bits", L"64", KEY_WOW64_64KEY);
  SetText(HKEY_LOCAL_MACHINE, product, L"Bits", L"32", KEY_WOW64_32KEY);

  DeleteProductRegistryKey("QsRemovalTestView", true);

  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, product, KEY_WOW64_64KEY));
  EXPECT_EQ(TextOf(HKEY_LOCAL_MACHINE, product, L"Bits", KEY_WOW64_32KEY), L"32");
}

TEST_F(IntegrationRemoval, RecordedValuesAreDeleted) {
  const std::wstring key = L"Software\\QsRemovalTestValues";
  RegistryCleanup cleanup({{HKEY_LOCAL_MACHINE, key}});
  SetText(HKEY_LOCAL_MACHINE, key, L"Applet", L"C:\\App\\applet.cpl");
  SetText(HKEY_LOCAL_MACHINE, key, L"Other", L"kept");

  DeleteRecordedValues({"\\HKLM\\Software\\QsRemovalTestValues\\Applet",
                        "\\HKLM\\Software\\QsRemovalTestValues\\Missing", "\\NOROOT\\x\\y"});

  EXPECT_EQ(TextOf(HKEY_LOCAL_MACHINE, key, L"Applet"), std::nullopt);
  EXPECT_EQ(TextOf(HKEY_LOCAL_MACHINE, key, L"Other"), L"kept");
}

TEST_F(IntegrationRemoval, RegistryScriptIsUndone) {
  const std::wstring made = L"Software\\QsRemovalTestScript";
  const std::wstring kept = L"Software\\QsRemovalTestScriptKept";
  const std::wstring allUsers = L"Software\\QsRemovalTestScriptAll";
  RegistryCleanup cleanup(
      {{HKEY_CURRENT_USER, made}, {HKEY_LOCAL_MACHINE, kept}, {HKEY_CURRENT_USER, allUsers}});
  // As the script left them: keys with the values it wrote, one of them marked to stay.
  SetText(HKEY_CURRENT_USER, made, L"Name", L"x");
  SetText(HKEY_CURRENT_USER, made + L"\\Sub", L"a,b", L"x,y");
  SetText(HKEY_CURRENT_USER, made + L"\\Sub\\Deeper", L"", L"default");
  SetText(HKEY_LOCAL_MACHINE, kept, L"Removed", L"x");
  SetText(HKEY_LOCAL_MACHINE, kept, L"Stays", L"x");
  SetText(HKEY_CURRENT_USER, allUsers, L"V", L"x");
  const std::string script =
      "\\HKCU\\Software\\QsRemovalTestScript\r\n"
      "\\HKCU\\Software\\QsRemovalTestScript\\Sub\r\n"
      "\\HKCU\\Software\\QsRemovalTestScript,Name,1,x,0,0\r\n"
      "\\HKCU\\Software\\QsRemovalTestScript\\Sub,\"a,b\",1,\"x,y\",0,0\r\n"
      "\\HKCU\\Software\\QsRemovalTestScript\\Sub\\Deeper\r\n"
      "\\HKCU\\Software\\QsRemovalTestScript\\Sub\\Deeper,,1,default,1,0\r\n"
      "\r\n"
      "\\hklm\\Software\\QsRemovalTestScriptKept\r\n"
      "\\HKLM\\Software\\QsRemovalTestScriptKept,Removed,4,1,0,0\r\n"
      "\\HKLM\\Software\\QsRemovalTestScriptKept,Stays,4,1,0,1\r\n"
      "\\HKAU\\Software\\QsRemovalTestScriptAll\r\n"
      "\\HKAU\\Software\\QsRemovalTestScriptAll,V,1,x,0,0\r\n"
      "\\HKLM\r\n"
      "\\HKLM\\\r\n"
      "five,fields,are,illegal,0\r\n";

  UndoRegistryScript(script, false);

  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, made));
  EXPECT_EQ(TextOf(HKEY_LOCAL_MACHINE, kept, L"Removed"), std::nullopt);
  EXPECT_EQ(TextOf(HKEY_LOCAL_MACHINE, kept, L"Stays"), L"x");
  // The all-users key reaches the current user's hive.
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, allUsers));
}

// ---- Packages, drivers, firewall, taskbar ----

using SetInternalUiFunction = INSTALLUILEVEL(WINAPI*)(INSTALLUILEVEL, HWND*);
using InstallProductFunction = UINT(WINAPI*)(LPCWSTR, LPCWSTR);

TEST_F(IntegrationRemoval, InstallerPackagesAreRemovedAndFailuresKept) {
  const fs::path package = TestProgramFolder() / "removal-package.msi";
  if (!fs::exists(package)) GTEST_SKIP() << "no test package (wixl was not there at build time)";
  UniqueModule msi = LoadSystemLibrary(L"msi.dll");
  auto setInternalUi = LibraryFunction<SetInternalUiFunction>(msi, "MsiSetInternalUI");
  auto installProduct = LibraryFunction<InstallProductFunction>(msi, "MsiInstallProductW");
  ASSERT_TRUE(setInternalUi && installProduct);
  setInternalUi(INSTALLUILEVEL_NONE, nullptr);
  ASSERT_EQ(installProduct(package.wstring().c_str(), L""), ERROR_SUCCESS);
  const fs::path installed = fs::path(ProgramsDir()) / "Quillonet Removal Test" / "readme.txt";
  // Should the removal fail, the package does not stay installed in the prefix.
  struct Uninstall {
    InstallProductFunction installProduct;
    const fs::path& package;
    const fs::path& installed;
    ~Uninstall() {
      if (fs::exists(installed)) installProduct(package.wstring().c_str(), L"REMOVE=ALL");
    }
  } uninstall{installProduct, package, installed};
  ASSERT_TRUE(fs::exists(installed));

  const std::string missing = Narrow((Folder() / "missing.msi").wstring());
  std::vector<std::string> lines = {"\"" + Narrow(package.wstring()) + "\",2",
                                    "\"" + missing + "\",2", "no level"};
  std::u16string wideSummary;
  RemoveInstallerPackages(lines, wideSummary);
  const std::string failureSummary = WideToUtf8(wideSummary);

  EXPECT_FALSE(fs::exists(installed));
  EXPECT_EQ(lines, std::vector<std::string>{"\"" + missing + "\",2"});
  // Windows says 1619 (the package cannot be opened), Wine 2 (file not found).
  const std::string failure = "Failed to uninstall " + missing + ", code ";
  EXPECT_EQ(failureSummary.substr(0, failure.size()), failure) << failureSummary;
  EXPECT_NE(failureSummary.substr(failure.size(), 2), "0:") << failureSummary;
  EXPECT_EQ(failureSummary.find("\r\n"), failureSummary.size() - 2) << failureSummary;
}

TEST_F(IntegrationRemoval, DriversGoByTheirInfName) {
  const fs::path inf = fs::path(WinDir()) / "inf" / "qs-removal-test.inf";
  WriteText(inf, "[Version]\r\nSignature=\"$Windows NT$\"\r\n");

  RemoveDrivers({"C:\\Elsewhere\\qs-removal-test.inf", "C:\\Elsewhere\\"});

  EXPECT_FALSE(fs::exists(inf));
  ::DeleteFileW(inf.c_str());
}

TEST_F(IntegrationRemoval, FirewallAndTaskbarCallsThatFindNothingArePassedOver) {
  // Wine's firewall keeps no exceptions and its shell knows no taskbar: the calls must come
  // back without a message or a failure.
  AnsweredQuestions answers({});
  const fs::path pinned = Folder() / "User Pinned" / "TaskBar" / "Tool.lnk";
  WriteText(pinned, "not a link");
  RemoveFirewallExceptions({"8080;Web;3;0", "tool.exe;Tool;0;0", "%WinDir%\\x.exe;X;0;0", "bad"},
                           Folder().u16string());
  UnpinFromTaskbar({Narrow(pinned.wstring()), "~" + Narrow(pinned.parent_path().wstring())});
  EXPECT_TRUE(answers.Asked().empty());
}

// ---- The folder tree ----

TEST_F(IntegrationRemoval, FolderTreeGoesWithReadOnlyItemsButNotThroughLinks) {
  const fs::path tree = Folder() / "Product";
  WriteText(tree / "a.txt", "a");
  WriteText(tree / "Sub" / "Deeper" / "b.txt", "b");
  WriteText(tree / "Sub" / "locked.txt", "read-only");
  ::SetFileAttributesW((tree / "Sub" / "locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesW((tree / "Sub" / "Deeper").c_str(), FILE_ATTRIBUTE_READONLY);
  // A link inside the tree to a folder outside it.
  const fs::path outside = Folder() / "Outside";
  WriteText(outside / "keep.txt", "keep");
  const bool linked = ::CreateSymbolicLinkW((tree / "Link").c_str(), outside.c_str(),
                                            SYMBOLIC_LINK_FLAG_DIRECTORY) != FALSE;

  EXPECT_TRUE(DeleteFolderTree(tree.wstring() + L"\\"));

  EXPECT_FALSE(fs::exists(tree));
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
  if (!linked) std::printf("folder links are not available here; only the files were tried\n");
  // A folder that is not there is gone already.
  EXPECT_TRUE(DeleteFolderTree(tree.wstring()));
}

// Points the process's temporary folder (TMP) elsewhere for one scope.
class MovedTemporaryFolder {
 public:
  explicit MovedTemporaryFolder(const fs::path& folder) {
    hadTmp_ = ::GetEnvironmentVariableW(L"TMP", oldTmp_, MAX_PATH) != 0;
    ::SetEnvironmentVariableW(L"TMP", folder.c_str());
  }
  ~MovedTemporaryFolder() { ::SetEnvironmentVariableW(L"TMP", hadTmp_ ? oldTmp_ : nullptr); }
  MovedTemporaryFolder(const MovedTemporaryFolder&) = delete;
  MovedTemporaryFolder& operator=(const MovedTemporaryFolder&) = delete;

 private:
  wchar_t oldTmp_[MAX_PATH] = {};
  bool hadTmp_ = false;
};

// A folder that is or holds one of the system's folders is no product's folder, whatever the
// record says. The temporary folder is moved into the test's folder for the proof, so that
// nothing but the test's own files is at stake.
TEST_F(IntegrationRemoval, FolderHoldingASystemFolderStays) {
  const fs::path holder = Folder() / "Holder";
  const fs::path temp = holder / "Deeper" / "Temp";
  WriteText(temp / "keep.txt", "keep");
  WriteText(holder / "Deeper" / "Product" / "a.txt", "a");
  MovedTemporaryFolder moved(temp);

  for (const fs::path& folder : {holder, holder / "Deeper", temp}) {
    EXPECT_FALSE(DeleteFolderTree(folder.wstring())) << folder.string();
    EXPECT_FALSE(DeleteFolderTree(folder.wstring() + L"\\")) << folder.string();
  }
  EXPECT_TRUE(fs::exists(temp / "keep.txt"));
  // Beside the temporary folder, a folder goes as usual.
  EXPECT_TRUE(DeleteFolderTree((holder / "Deeper" / "Product").wstring()));
  EXPECT_FALSE(fs::exists(holder / "Deeper" / "Product"));
  EXPECT_TRUE(fs::exists(temp / "keep.txt"));
}

}  // namespace
}  // namespace qs::systest
