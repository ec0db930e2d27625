// The installation run before anything changes, seen through its transcript: the language, the
// automatic mode, the refusals of bitness and system, the master product, the one-installer
// mutex, and what this program cannot do yet.
#include "base/text_win.h"
#include "core/payload_entry.h"
#include "file_fixtures.h"
#include "install_sequence_fixture.h"

namespace qs::systest {
namespace {

// ---- the language ----

// Without a language page the run speaks English, wherever English stands in the list, or the
// first language when there is no English; the page's choice holds for every later text.
TEST_F(InstallSequence, LanguageComesFromThePageOrIsEnglish) {
  struct Case {
    const char* name;
    std::vector<std::string> languages;
    const wchar_t* arguments;
    std::vector<std::string> answers;
    size_t languagePages;
    const char* language;
  };
  const Case cases[] = {
      {"AutomaticTakesEnglish", {"Deutsch", "English"}, L"/a", {}, 0, "English"},
      {"AutomaticWithoutEnglishTakesTheFirst", {"Deutsch", "Nederlands"}, L"/a", {}, 0, "Deutsch"},
      {"PageChoosesGerman", {"Deutsch", "English"}, L"", {"next Deutsch"}, 1, "Deutsch"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunResult result = RunInstaller(Installer(SequenceProduct(kQuiet, c.languages)), c.arguments,
                                    Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    std::vector<std::string> pages = PageKinds(result);
    EXPECT_EQ(pages, std::vector<std::string>(c.languagePages, "language")) << result;
    const std::string language = c.language;
    EXPECT_EQ(StatusTexts(result),
              (std::vector<std::string>{
                  TextName(kTextPreparing, language), TextName(kTextCheckingFileData, language),
                  TextName(kTextInstalling, language), TextName(kTextUnpacking, language),
                  TextName(kTextConfiguring, language), TextName(kTextFinishing, language)}))
        << result;
    if (c.languagePages == 0) {
      EXPECT_TRUE(result.MessageTexts().empty()) << result;
      continue;
    }
    // The end report is in the chosen language.
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_EQ(messages.size(), 1u) << result;
    EXPECT_EQ(MessageText(messages[0]), TextName(kTextInstallComplete, language)) << result;
    EXPECT_EQ(MessageCaption(messages[0]), TextName(kTextInstallCompleteCaption, language))
        << result;
  }
}

// The product's override beats /a either way. The greeting shows in interactive runs, and in
// automatic ones when the product asks for it, which leaves the run automatic.
TEST_F(InstallSequence, AutomaticModeFromTheSwitchAndTheProduct) {
  struct Case {
    const char* name;
    uint8_t automaticOverride;
    uint64_t flags;
    const wchar_t* arguments;
    bool greeting;
    bool interactive;
  };
  const Case cases[] = {
      {"OverrideOffEvenWithA", 2, 0, L"/a", true, true},
      {"OverrideOnWithoutA", 1, 0, L"", false, false},
      {"OtherOverrideLeavesIt", 3, 0, L"", true, true},
      {"GreetingInAutomaticMode", 0, kFlagGreetingInAutomaticMode, L"/a", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(c.flags);
    product.automaticOverride = c.automaticOverride;
    RunResult result = RunInstaller(Installer(product), c.arguments);
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_TRUE(WorkDone(result)) << result;
    EXPECT_EQ(PageKinds(result), std::vector<std::string>(c.greeting ? 1 : 0, "greeting"))
        << result;
    EXPECT_EQ(result.MessageTexts(),
              std::vector<std::string>(c.interactive ? 1 : 0, TextName(kTextInstallComplete)))
        << result;
  }
}

// ---- bitness ----

TEST_F(InstallSequence, ThirtyTwoBitProductIsRefusedOnA64BitSystem) {
  if (!SystemIs64Bit()) GTEST_SKIP() << "needs a 64-bit prefix";
  CheckBitness({
      {"Interactive", 2, L"", true, {TextName(kTextWrongBitness) + " 32"}},
      {"AutomaticWithoutMessage", 2, L"/a", true, {}},
      // File-system redirection is switched off for a 64-bit product, and that works here.
      {"SixtyFourBitProductRuns", 1, L"/a", false, {}},
  });
}

TEST_F(Prefix32Sequence, SixtyFourBitProductIsRefusedOnA32BitSystem) {
  if (SystemIs64Bit()) GTEST_SKIP() << "needs a 32-bit prefix";
  CheckBitness({
      {"Interactive", 1, L"", true, {TextName(kTextWrongBitness) + " 64"}},
      {"AutomaticWithoutMessage", 1, L"/a", true, {}},
      {"ThirtyTwoBitProductRuns", 2, L"/a", false, {}},
  });
}

// ---- refused systems ----

TEST_F(Win7PrefixSequence, Windows7IsRefusedByItsBit) {
  ExpectRunningSystemRefused(6, 1);
}

TEST_F(Win10PrefixSequence, Windows10IsRefusedByItsBit) {
  ExpectRunningSystemRefused(10, 0);
}

// Every other system's bit, and the bit of systems not in the table, leave the running one
// alone.
TEST_F(InstallSequence, OtherSystemsBitsDoNotRefuse) {
  std::optional<KnownWindows> running = RunningWindows();
  if (!running) GTEST_SKIP() << "the prefix reports a system this test does not know";
  ProductSettings product = SequenceProduct(kQuiet);
  product.unsupportedSystems = 0xFFFFFFFFu & ~running->bit;
  RunResult result = RunInstaller(Installer(product), L"/a");
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_TRUE(result.MessageTexts().empty()) << result;
  EXPECT_TRUE(WorkDone(result)) << result;
}

// ---- master product, one installer at a time ----

TEST_F(InstallSequence, MasterProductMustBeInstalled) {
  const fs::path masterFolder = MadeFolder("master");
  struct Case {
    const char* name;
    const char* masterName;
    const char* masterKey;
    bool makeKey;
    bool uninstallString;
    bool installLocation;
    const char* defaultInstallDir;
    // The name kTextMasterProductMissing is shown with; null: installs, into masterFolder +
    // "\\Addon".
    const char* refusedName;
  };
  const Case cases[] = {
      {"NotInstalled", "Quill Master", "QuillonetSequence.Master", false, false, false, "",
       "Quill Master"},
      // Both default to the product's own name.
      {"NamesDefaultToTheProduct", "", "", false, false, false, "", "Test Product"},
      {"KeyWithoutUninstallCommand", "Quill Master", "QuillonetSequence.Master", true, false, true,
       "", "Quill Master"},
      {"MasterFolderUnknown", "Quill Master", "QuillonetSequence.Master", true, true, false,
       "<master>\\Addon", "Quill Master"},
      {"InstallsBelowTheMaster", "Quill Master", "QuillonetSequence.Master", true, true, true,
       "<master>\\Addon", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<TestKey> key;
    if (c.makeKey) {
      key.emplace(HKEY_LOCAL_MACHINE, UninstallKey(Utf8ToWide(c.masterKey)));
      if (c.uninstallString) key->Set(L"UninstallString", L"C:\\Master\\uninstall.exe");
      if (c.installLocation) key->Set(L"InstallLocation", masterFolder.wstring());
    }
    ProductSettings product = SequenceProduct(kQuiet | kFlagMasterProduct);
    product.masterName = Utf8ToUtf16(c.masterName);
    product.masterKey = Utf8ToUtf16(c.masterKey);
    product.defaultInstallDir = Utf8ToUtf16(c.defaultInstallDir);
    RunResult result = RunInstaller(Installer(product), L"/a /r:\"x.exe\"");
    EXPECT_EQ(result.exitCode, 1u) << result;
    if (c.refusedName != nullptr) {
      EXPECT_EQ(result.MessageTexts(),
                std::vector<std::string>{TextName(kTextMasterProductMissing) + " " + c.refusedName})
          << result;
      EXPECT_FALSE(WorkDone(result)) << result;
    } else {
      EXPECT_TRUE(result.MessageTexts().empty()) << result;
      EXPECT_EQ(LaunchesOf(result), Started("x.exe", masterFolder / "Addon")) << result;
    }
  }
}

// While another installer holds the mutex the run is refused with an error box, which
// automatic mode shows only when the product asks for errors there. Once it is free, the run
// takes it.
TEST_F(InstallSequence, SecondInstallerIsRefusedWhileTheMutexIsHeld) {
  struct Case {
    const char* name;
    uint64_t flags;
    const wchar_t* arguments;
    bool message;
  };
  const Case cases[] = {
      {"Interactive", 0, L"", true},
      {"Automatic", 0, L"/a", false},
      {"AutomaticShowingErrors", kFlagShowErrorsInAutomaticMode, L"/a", true},
  };
  // The name every installer of this engine shares.
  HANDLE held = ::CreateMutexW(nullptr, TRUE, L"Global\\Quillonet Setup: one installer at a time");
  ASSERT_NE(held, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunResult refused = RunInstaller(
        Installer(SequenceProduct(kQuiet | kFlagSingleInstaller | c.flags)), c.arguments);
    EXPECT_EQ(refused.exitCode, 1u) << refused;
    EXPECT_FALSE(WorkDone(refused)) << refused;
    std::vector<TranscriptRecord> messages = refused.Records("message");
    ASSERT_EQ(messages.size(), c.message ? 1u : 0u) << refused;
    if (c.message) {
      EXPECT_EQ(MessageIcon(messages[0]), "error") << refused;
      EXPECT_EQ(MessageCaption(messages[0]), TextName(kTextErrorCaption)) << refused;
      EXPECT_EQ(MessageText(messages[0]), TextName(kTextAnotherInstallerRunning)) << refused;
    }
  }
  ::ReleaseMutex(held);
  ::CloseHandle(held);
  RunResult free = RunInstaller(Installer(SequenceProduct(kQuiet | kFlagSingleInstaller)));
  EXPECT_EQ(free.MessageTexts(), std::vector<std::string>{TextName(kTextInstallComplete)}) << free;
  EXPECT_TRUE(WorkDone(free)) << free;
}

// ---- what this program cannot do yet ----

// A product that asks for what the program cannot do is refused before anything changes, even
// in automatic mode, with a box that names every such feature: no folder is made, nothing is
// registered, and the run never reaches its work.
TEST_F(InstallSequence, ProductsAskingForUnbuiltFeaturesAreRefusedBeforeAnyChange) {
  struct Case {
    const char* name;
    void (*change)(ProductSettings&);
    const wchar_t* arguments;
    const char* features;
    uint32_t flags2 = 0;
  };
  const Case cases[] = {
      {"ProductBatch", [](ProductSettings& p) { p.batches[kPreInstallationBatch] = "echo"; }, L"",
       "batches"},
      {"UninstallBatch", [](ProductSettings& p) { p.batches[kUninstallBatch2] = "echo"; }, L"",
       "batches"},
      {"BatchAddition", [](ProductSettings&) {}, L"/b3:\"echo\"", "batches"},
      {"ClosingApplications",
       [](ProductSettings& p) {
         p.autoCloseEntries = {{"Cls", "", "App", 0, 1}};
       },
       L"", "closing running applications"},
      // The container's header holds the second flags word.
      {"RestorePoint", [](ProductSettings&) {}, L"", "system restore points", kFlags2RestorePoint},
      {"FolderRights", [](ProductSettings& p) { p.ProductFlags |= kFlagGrantDirectoryRights; }, L"",
       "folder access rights"},
      {"RegistryKey", [](ProductSettings& p) { p.ProductRegistry = "Maker\\Product"; }, L"",
       "registry entries"},
      {"FirewallAndAssociations",
       [](ProductSettings& p) {
         p.firewallRules = "app.exe";
         p.associations = {{0, ".qst", "Qs.Test", "Test file", "open", "", "x", "", ""}};
       },
       L"", "file associations and firewall exceptions"},
      {"ShortcutsTwoWays",
       [](ProductSettings& p) {
         p.ProductFlags |= kFlagInstallLogShortcut;
         p.taskbarPin = u"app.exe";
       },
       L"/b1:\"echo\"", "batches and shortcuts"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(kQuiet | kFlagUninstallable);
    const std::wstring key = OwnName() + L"." + Utf8ToWide(c.name);
    product.DisplayName = AsU16(key);
    c.change(product);
    DeleteRegistration(key);  // left over from an interrupted run
    const fs::path folder = Folder() / c.name;
    builder::ContainerOptions container;
    container.productFlags2 = c.flags2;
    RunResult result = RunInstaller(MakeInstaller(MakePayload({MakeFile("f0.txt", "x")}, container,
                                                              0, SettingsStream(product))),
                                    DirectorySwitch(folder) + L" /a " + c.arguments);
    EXPECT_EQ(result.exitCode, 1u) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_EQ(result.transcript.size(), 1u) << result;
    ASSERT_EQ(messages.size(), 1u) << result;
    EXPECT_EQ(MessageIcon(messages[0]), "error") << result;
    EXPECT_EQ(MessageText(messages[0]),
              std::string("This installer asks for what this version of the installer program "
                          "cannot do: ") +
                  c.features + ".\r\nNothing was installed.")
        << result;
    EXPECT_FALSE(fs::exists(folder)) << result;
    EXPECT_FALSE(Registered(key)) << result;
    DeleteRegistration(key);
  }
}

// An entry that needs what the program cannot do yet is installed as a file, but what should
// follow it is reported as not done: the run ends incomplete and Install.LOG says why.
TEST_F(InstallSequence, EntriesNeedingUnbuiltFeaturesLeaveTheRunIncomplete) {
  builder::PayloadFile plain = MakeFile("plain.txt", "x");
  builder::PayloadFile shortcut = MakeFile("linked.txt", "x");
  shortcut.flags = kEntryStartMenu;
  builder::PayloadFile driver = MakeFile("driver.inf", "x");
  driver.kind = kDriverPackage;
  builder::PayloadFile package = MakeFile("package.msi", "x");
  package.kind = kMsiPackage;
  const std::vector<builder::PayloadFile> files = {plain, shortcut, driver, package};
  const fs::path folder = Folder() / "app";
  RunResult result = RunInstaller(
      MakeInstaller(MakePayload(files, {}, 0, SettingsStream(SequenceProduct(kQuiet)))),
      DirectorySwitch(folder) + L" /a");
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_TRUE(WorkDone(result)) << result;
  for (const char* name : {"plain.txt", "linked.txt", "driver.inf", "package.msi"}) {
    EXPECT_TRUE(fs::exists(folder / name)) << name;
  }
  const std::string log = ReadText(folder / "Install.LOG");
  const std::string dir = Utf8(folder);
  for (const std::string& line :
       {"Not done (Windows Installer packages are not supported by this installer program): " +
            dir + "\\package.msi\r\n",
        "Not done (drivers are not supported by this installer program): " + dir +
            "\\driver.inf\r\n",
        "Not done (shortcuts are not supported by this installer program): " + dir +
            "\\linked.txt\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  }
  EXPECT_EQ(log.find("plain.txt):"), std::string::npos) << log;
}

}  // namespace
}  // namespace qs::systest
