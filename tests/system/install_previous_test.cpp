// The installation run over an installed version: its folder wins, its questions name the
// versions, forced removal hands over to the old uninstaller; and a folder taken from the
// registry.
#include "base/text.h"
#include "base/text_win.h"
#include "install_sequence_fixture.h"

namespace qs::systest {
namespace {

// ---- the previous installation ----

// The Add/Remove Programs key of the installed version, named after the test.
class PreviousKey : public TestKey {
 public:
  explicit PreviousKey(const std::wstring& keyName)
      : TestKey(HKEY_LOCAL_MACHINE, UninstallKey(keyName)) {}

  void Register(const fs::path& folder, std::wstring_view version) {
    Set(L"InstallLocation", folder.wstring());
    Set(L"DisplayVersion", version);
  }
};

// An uninstallable product whose notification addresses tell what the run found.
ProductSettings UpdatingProduct(uint64_t flags, const std::wstring& keyName) {
  ProductSettings product = SequenceProduct(kQuiet | kFlagUninstallable | flags);
  product.uninstallKeyName = AsU16(keyName);
  product.notifyUrlInstall = "http://notify.test/install";
  product.notifyUrlUpgrade = "http://notify.test/upgrade";
  product.notifyUrlDowngrade = "http://notify.test/downgrade";
  product.notifyUrlReinstall = "http://notify.test/reinstall";
  return product;
}

// The folder of the installed version, from its key or else from the product's registry value,
// wins over /d; neither the directory page nor the Start Menu page is shown.
TEST_F(InstallSequence, PreviousInstallationFolderWinsOverTheDSwitch) {
  const fs::path previous = MadeFolder("previous");
  const std::wstring valueKey = L"Software\\QuillonetTest\\PreviousFolder";
  struct Case {
    const char* name;
    bool installLocation;
    const char* installDirValue;
  };
  const Case cases[] = {
      {"FromInstallLocation", true, ""},
      {"FromTheProductsValue", false, "HKCU\\Software\\QuillonetTest\\PreviousFolder\\Folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::create_directories(previous);  // an empty installation folder goes at the run's end
    PreviousKey key(OwnName());
    key.Set(L"DisplayVersion", L"1.0");
    if (c.installLocation) key.Set(L"InstallLocation", previous.wstring());
    TestKey value(HKEY_CURRENT_USER, valueKey);
    value.Set(L"Folder", previous.wstring());
    ProductSettings product = UpdatingProduct(
        kFlagNoPreviousInstallQuestion | kFlagOfferDirectoryPage | kFlagOfferStartMenuPage,
        OwnName());
    product.installDirValue = Utf8ToUtf16(c.installDirValue);
    RunResult result = RunInstaller(Installer(product), L"/d:\"C:\\elsewhere\" /r:\"x.exe\"");
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_TRUE(PageKinds(result).empty()) << result;
    EXPECT_EQ(result.MessageTexts(), std::vector<std::string>{TextName(kTextInstallComplete)})
        << result;
    EXPECT_EQ(LaunchesOf(result), Started("x.exe", previous)) << result;
  }
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QuillonetTest");
}

// The question says what the versions say; the versions also choose the notification address.
// No ends the run with the cancel notice.
TEST_F(InstallSequence, PreviousInstallationQuestionNamesTheVersions) {
  struct Case {
    const char* name;
    uint64_t flags;
    const wchar_t* oldVersion;
    std::vector<std::string> answers;
    TextId question;           // asked with the previous folder and kTextPreviousInstallContinue
    TextId next;               // the message after it
    const char* notification;  // null: the run was cancelled
  };
  const Case cases[] = {
      {"Upgrade",
       kFlagComparePreviousVersion,
       L"1.0",
       {"yes"},
       kTextPreviousInstallUpgrade,
       kTextInstallComplete,
       "upgrade"},
      {"Downgrade",
       kFlagComparePreviousVersion,
       L"2.0.1",
       {"yes"},
       kTextPreviousInstallDowngrade,
       kTextInstallComplete,
       "downgrade"},
      {"SameVersion",
       kFlagComparePreviousVersion,
       L"2.0",
       {"yes"},
       kTextPreviousInstallSameVersion,
       kTextInstallComplete,
       "reinstall"},
      {"NotCompared", 0, L"1.0", {"yes"}, kTextPreviousInstall, kTextInstallComplete, "reinstall"},
      {"NoOldVersion",
       kFlagComparePreviousVersion,
       L"",
       {"yes"},
       kTextPreviousInstall,
       kTextInstallComplete,
       "reinstall"},
      {"No",
       kFlagComparePreviousVersion,
       L"1.0",
       {"no"},
       kTextPreviousInstallUpgrade,
       kTextInstallCancelled,
       nullptr},
      // The Cancel of kTextConfirmReplacingPrevious ends the run without the notice.
      {"ReplacingRefused",
       kFlagComparePreviousVersion | kFlagConfirmReplacingPrevious,
       L"1.0",
       {"yes", "cancel"},
       kTextPreviousInstallUpgrade,
       kTextConfirmReplacingPrevious,
       nullptr},
  };
  PreviousKey key(OwnName());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Made again each time: an empty installation folder is removed at the end of a run.
    const fs::path previous = MadeFolder("previous");
    key.Register(previous, c.oldVersion);
    RunResult result =
        RunInstaller(Installer(UpdatingProduct(c.flags, OwnName())), L"", Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    const std::vector<std::string> expected = {
        TextName(c.question) + " " + Utf8(previous) + " " + TextName(kTextPreviousInstallContinue),
        TextName(c.next)};
    EXPECT_EQ(result.MessageTexts(), expected) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_FALSE(messages.empty()) << result;
    EXPECT_EQ(MessageButtons(messages[0]), "yesno") << result;
    EXPECT_EQ(MessageCaption(messages[0]), TextName(kTextPreviousInstallCaption)) << result;
    if (c.notification != nullptr) {
      EXPECT_EQ(FirstFields(result, "notify"),
                std::vector<std::string>{std::string("http://notify.test/") + c.notification})
          << result;
    } else {
      EXPECT_FALSE(WorkDone(result)) << result;
      EXPECT_TRUE(result.Records("notify").empty()) << result;
    }
  }
}

// Forced removal: the old version's own uninstaller runs first, from a batch that starts this
// installer again with its command line and then deletes itself. Automatic mode does not skip
// the page. Whatever the answer, this run ends.
TEST_F(InstallSequence, ForcedRemovalHandsOverToTheOldUninstaller) {
  const std::wstring batchPath = SelfRemovalFolder() + L"\\utrri.bat";
  const std::wstring arguments = L"/a " + DirectorySwitch(Folder() / L"new place");
  struct Case {
    const char* name;
    const wchar_t* quiet;  // QuietUninstallString; null: none
    const wchar_t* plain;  // UninstallString
    const char* mustUninstallBelow;
    const char* answer;
    const char* batchCommand;  // null: no batch
    std::vector<std::string> messages;
    bool installs;
  };
  const Case cases[] = {
      {"QuietCommandFirst",
       L"C:\\Old\\uninstall.exe /u:\"Old\" /a",
       L"C:\\Old\\uninstall.exe /u:\"Old\"",
       "",
       "next",
       "C:\\Old\\uninstall.exe /u:\"Old\" /a",
       {},
       false},
      {"PlainCommand",
       nullptr,
       L"C:\\Old\\uninstall.exe /u:\"Old\"",
       "",
       "next",
       "C:\\Old\\uninstall.exe /u:\"Old\"",
       {},
       false},
      {"Declined", L"C:\\Old\\uninstall.exe /a", nullptr, "", "cancel", nullptr, {}, false},
      {"NoCommandKnown",
       nullptr,
       nullptr,
       "",
       "next",
       nullptr,
       {TextName(kTextMustUninstall)},
       false},
      // An installed version from mustUninstallBelow on is installed over.
      {"OldEnough", L"C:\\Old\\uninstall.exe /a", nullptr, "1.0", "next", nullptr, {}, true},
  };
  PreviousKey key(OwnName());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    key.Register(MadeFolder("previous"), L"1.0");
    key.Remove(L"QuietUninstallString");
    key.Remove(L"UninstallString");
    if (c.quiet != nullptr) key.Set(L"QuietUninstallString", c.quiet);
    if (c.plain != nullptr) key.Set(L"UninstallString", c.plain);
    ProductSettings product = UpdatingProduct(kFlagRemovePreviousFirst, OwnName());
    product.mustUninstallBelow = c.mustUninstallBelow;
    RunResult result = RunInstaller(Installer(product), arguments, Answers({c.answer}));
    std::error_code ignored;
    fs::remove(batchPath, ignored);
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    EXPECT_EQ(WorkDone(result), c.installs) << result;

    const bool pageShown = !c.installs && c.messages.empty();
    std::vector<TranscriptRecord> pages = result.Records("page");
    ASSERT_EQ(pages.size(), pageShown ? 1u : 0u) << result;
    if (pageShown) {
      EXPECT_EQ(pages[0].Field(0), "mustuninstall") << result;
      EXPECT_EQ(pages[0].Field(1), TextName(kTextErrorCaption)) << result;
      EXPECT_EQ(pages[0].Field(3), TextName(kTextMustUninstall)) << result;
    }
    std::vector<TranscriptRecord> batches = result.Records("batch");
    if (c.batchCommand == nullptr) {
      EXPECT_TRUE(batches.empty()) << result;
    } else {
      ASSERT_EQ(batches.size(), 1u) << result;
      const std::string path = WideToUtf8(batchPath);
      EXPECT_EQ(batches[0].Field(0), path) << result;
      EXPECT_EQ(batches[0].Field(1),
                std::string(c.batchCommand) + "\r\n" +
                    WideToUtf8(QuotedCommandLine(Folder() / L"setup.exe", arguments)) +
                    "\r\ndel \"" + path + "\"\r\n")
          << result;
    }
  }
}

// A command line that the ANSI code page cannot hold (a folder named in another script) makes
// utrri.bat a UTF-8 batch: the installer starts again with the folder it was given, where the
// code page would have put "?" in its place.
TEST_F(InstallSequence, ForcedRemovalKeepsACommandLineOutsideTheCodePage) {
  const std::wstring batchPath = SelfRemovalFolder() + L"\\utrri.bat";
  const std::wstring arguments = L"/a /d:\"C:\\Caf\u00E9 \u4E2D\u6587\"";
  PreviousKey key(OwnName());
  key.Register(MadeFolder("previous"), L"1.0");
  key.Set(L"QuietUninstallString", L"C:\\Old\\uninstall.exe /a");
  const ProductSettings product = UpdatingProduct(kFlagRemovePreviousFirst, OwnName());
  RunResult result = RunInstaller(Installer(product), arguments, Answers({"next"}));
  std::error_code ignored;
  fs::remove(batchPath, ignored);
  EXPECT_EQ(result.exitCode, 1u) << result;
  std::vector<TranscriptRecord> batches = result.Records("batch");
  ASSERT_EQ(batches.size(), 1u) << result;
  EXPECT_EQ(batches[0].Field(1),
            "@chcp 65001 >nul\r\nC:\\Old\\uninstall.exe /a\r\n" +
                WideToUtf8(QuotedCommandLine(Folder() / L"setup.exe", arguments)) + "\r\ndel \"" +
                WideToUtf8(batchPath) + "\"\r\n")
      << result;
}

// ---- the installation folder from the registry ----

TEST_F(InstallSequence, InstallFolderFromTheRegistryMustExist) {
  const fs::path existing = MadeFolder("from registry");
  const fs::path missing = Folder() / "not there";
  const std::wstring keyPath = L"Software\\QuillonetTest\\RegistryFolder";
  const std::string reference = "HKCU\\Software\\QuillonetTest\\RegistryFolder\\Dir";
  struct Case {
    const char* name;
    const char* defaultInstallDir;
    std::optional<std::wstring> value;  // the key's "Dir"; none: the key is not made
    std::string message;                // empty: installs into `existing`
    const char* icon;
  };
  const Case cases[] = {
      {"MissingKey", "HKCU\\Software\\QuillonetTest\\Missing\\Dir", std::nullopt,
       "Failed to obtain installation directory from "
       "\"HKCU\\Software\\QuillonetTest\\Missing\\Dir\"",
       "error"},
      {"EmptyValue", reference.c_str(), L"",
       "Failed to obtain installation directory from \"" + reference + "\"", "error"},
      {"MissingFolder", reference.c_str(), missing.wstring(),
       "Installation directory \"" + Utf8(missing) + "\" obtained from \"" + reference +
           "\" does not exist.",
       "information"},
      // Neither /d nor the directory page has a say.
      {"ExistingFolder", reference.c_str(), existing.wstring(), "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<TestKey> key;
    if (c.value) {
      key.emplace(HKEY_CURRENT_USER, keyPath);
      key->Set(L"Dir", *c.value);
    }
    ProductSettings product = SequenceProduct(kQuiet | kFlagOfferDirectoryPage);
    product.defaultInstallDir = Utf8ToUtf16(c.defaultInstallDir);
    RunResult result = RunInstaller(Installer(product), L"/d:\"C:\\elsewhere\" /r:\"x.exe\"");
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_TRUE(PageKinds(result).empty()) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_FALSE(messages.empty()) << result;
    if (c.message.empty()) {
      EXPECT_EQ(result.MessageTexts(), std::vector<std::string>{TextName(kTextInstallComplete)})
          << result;
      EXPECT_EQ(LaunchesOf(result), Started("x.exe", existing)) << result;
      fs::create_directories(existing);  // removed as empty at the run's end
    } else {
      ASSERT_EQ(messages.size(), 1u) << result;
      EXPECT_EQ(MessageText(messages[0]), c.message) << result;
      EXPECT_EQ(MessageIcon(messages[0]), c.icon) << result;
      EXPECT_FALSE(WorkDone(result)) << result;
    }
  }
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QuillonetTest");
}

// ---- the pages and their Cancel ----

// Cancel anywhere before the work ends the run; after the licence, readme, directory and
// Start Menu pages the user is told so (kTextInstallCancelled under kTextInstallerCaption), after
// the language page and the greeting not.

}  // namespace
}  // namespace qs::systest
