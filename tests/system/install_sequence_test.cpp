// The installation run from start to exit code, seen through the transcript of what it showed
// and what it would have started: the language, the refusals before anything changes, the
// previous installation, the folder, the pages and their Cancel, the end report, the restart
// and the progress positions.
//
// Every text of the test products names itself ("T42" in English, "T42@Deutsch" in German),
// followed by the arguments the run puts in, so the transcript shows which text was used and in
// which language.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/product_flags.h"
#include "harness_win.h"
#include "uninstall/self_removal_win.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kTextCount = 110;
constexpr uint64_t kQuiet = kFlagCompressedBlocks | kFlagNoGreeting;

// The texts the run formats, with the arguments it puts in.
const char* FormatOf(int32_t number) {
  switch (number) {
    case 3:
    case 4:
    case 5:
    case 6:
      return " %s %s";  // the previous folder, text 7
    case 12:            // the master product's name
    case 40:            // the log's path
    case 61:            // the system's name
      return " %s";
    case 81:  // the bitness the product needs
      return " %d";
    default:
      return "";
  }
}

std::string TextName(int32_t number, const std::string& language) {
  return "T" + std::to_string(number) + (language == "English" ? "" : "@" + language);
}

// Texts 63 and 64 stay empty: otherwise every interactive run would show a licence and a
// readme page of its own.
void SetTexts(ProductSettings& product, const std::vector<std::string>& languages) {
  LanguageTable& table = product.languages;
  table.names = languages;
  table.textCount = kTextCount;
  table.texts.clear();
  table.defaultLanguage = 0;
  for (size_t i = 0; i < languages.size(); ++i) {
    if (languages[i] == "English") table.defaultLanguage = i;
  }
  for (int32_t n = 0; n < kTextCount; ++n) {
    for (const std::string& language : languages) {
      std::string text = n == 63 || n == 64 ? "" : TextName(n, language) + FormatOf(n);
      table.texts.emplace_back(text.begin(), text.end());
    }
  }
}

ProductSettings SequenceProduct(uint64_t flags,
                                const std::vector<std::string>& languages = {"English"}) {
  ProductSettings product = TestProduct(flags | kFlagCompressedBlocks);
  product.DisplayVersion = "2.0";
  SetTexts(product, languages);
  return product;
}

std::vector<uint8_t> Installer(const ProductSettings& product, int entries = 1) {
  std::vector<builder::PayloadFile> files;
  for (int i = 0; i < entries; ++i) {
    files.push_back(MakeFile("f" + std::to_string(i) + ".txt", "x"));
  }
  return MakeInstaller(MakePayload(files, {}, 0, SettingsStream(product)));
}

std::wstring DirectorySwitch(const fs::path& folder) {
  return L"/d:\"" + folder.wstring() + L"\"";
}

RunOptions Answers(std::vector<std::string> answers) {
  RunOptions options;
  options.answers = std::move(answers);
  return options;
}

std::string Utf8(const fs::path& path) {
  return WideToUtf8(path.wstring());
}

// ---- Reading the transcript ----

std::vector<std::string> FirstFields(const RunResult& result, std::string_view kind) {
  std::vector<std::string> fields;
  for (const TranscriptRecord& record : result.Records(kind)) fields.push_back(record.Field(0));
  return fields;
}

std::vector<std::string> PageKinds(const RunResult& result) {
  return FirstFields(result, "page");
}

std::vector<std::string> StatusTexts(const RunResult& result) {
  return FirstFields(result, "status");
}

std::vector<int> ProgressPositions(const RunResult& result) {
  std::vector<int> positions;
  for (const std::string& field : FirstFields(result, "progress")) {
    positions.push_back(std::stoi(field));
  }
  return positions;
}

// The run did its work: the last progress position is 100.
bool WorkDone(const RunResult& result) {
  std::vector<int> positions = ProgressPositions(result);
  return !positions.empty() && positions.back() == 100;
}

// What the run starts and opens at its end, in order: "start" and "open" records with their
// command line or path and their folder.
using Launches = std::vector<std::vector<std::string>>;

Launches LaunchesOf(const RunResult& result) {
  Launches launches;
  for (const TranscriptRecord& record : result.transcript) {
    if (record.kind == "start" || record.kind == "open") {
      launches.push_back({record.kind, record.Field(0), record.Field(1)});
    }
  }
  return launches;
}

Launches Started(const std::string& command, const fs::path& folder) {
  return {{"start", command, Utf8(folder)}};
}

// ---- The system the tests run on ----

struct TrueWindows {
  uint32_t major = 0;
  uint32_t minor = 0;
  bool workstation = false;
};

// RtlGetVersion tells the truth whatever a program's manifest says.
TrueWindows ReadTrueWindows() {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  TrueWindows windows;
  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof version;
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (rtlGetVersion == nullptr || rtlGetVersion(&version) != 0) return windows;
  windows.major = version.dwMajorVersion;
  windows.minor = version.dwMinorVersion;
  windows.workstation = version.wProductType == VER_NT_WORKSTATION;
  return windows;
}

struct KnownWindows {
  uint32_t major;
  uint32_t minor;
  uint32_t bit;  // in a product's mask of refused systems
  const char* name;
};

// The workstation versions a prefix can be set to.
constexpr KnownWindows kKnownWindows[] = {
    {10, 0, 0x8000, "Windows 10"}, {6, 3, 0x2000, "Windows 8.1"},  {6, 2, 0x2000, "Windows 8"},
    {6, 1, 0x1000, "Windows 7"},   {6, 0, 0x400, "Windows Vista"},
};

std::optional<KnownWindows> RunningWindows() {
  TrueWindows windows = ReadTrueWindows();
  if (!windows.workstation) return std::nullopt;
  for (const KnownWindows& known : kKnownWindows) {
    if (known.major == windows.major && known.minor == windows.minor) return known;
  }
  return std::nullopt;
}

bool SystemIs64Bit() {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// ---- Registry values the tests set and remove ----

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A key made for one test and deleted with it (it must have no subkeys).
class TestKey {
 public:
  TestKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
    ::RegDeleteKeyW(root_, path_.c_str());  // left over from an interrupted run
    LONG status = ::RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                    &key_, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << WideToUtf8(path_);
  }
  ~TestKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
    ::RegDeleteKeyW(root_, path_.c_str());
  }
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  void Remove(const wchar_t* name) { ::RegDeleteValueW(key_, name); }

  void Set(const wchar_t* name, std::wstring_view value) {
    std::wstring data(value);
    LONG status =
        ::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(status, ERROR_SUCCESS) << WideToUtf8(name);
  }

 private:
  HKEY root_;
  std::wstring path_;
  HKEY key_ = nullptr;
};

// The Add/Remove Programs key of an installed product, in the 32-bit view the installer reads.
std::wstring UninstallKey(std::wstring_view keyName) {
  return kUninstallRoot + std::wstring(keyName);
}

struct BitnessCase {
  const char* name;
  uint8_t bitness;
  const wchar_t* arguments;
  bool refused;
  std::vector<std::string> messages;
};

class InstallSequence : public SystemTest {
 protected:
  // A registry name of this test's own, so that tests running side by side keep apart.
  static std::wstring OwnName() {
    return L"QuillonetSequence." +
           Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  // A folder inside the test's folder, made.
  fs::path MadeFolder(const char* name) {
    fs::path folder = Folder() / name;
    fs::create_directories(folder);
    return folder;
  }

  // A refused product stops before the greeting and before any work.
  void CheckBitness(const std::vector<BitnessCase>& cases) {
    for (const BitnessCase& c : cases) {
      SCOPED_TRACE(c.name);
      ProductSettings product = SequenceProduct(kFlagCompressedBlocks);
      product.Bitness = c.bitness;
      RunResult result = RunInstaller(Installer(product), c.arguments);
      EXPECT_EQ(result.exitCode, 1u) << result;
      EXPECT_EQ(result.MessageTexts(), c.messages) << result;
      if (c.refused) {
        EXPECT_EQ(result.transcript.size(), c.messages.size()) << result;
      } else {
        EXPECT_TRUE(WorkDone(result)) << result;
      }
    }
  }

  // The product refuses exactly the running system: the box names it, even in automatic mode.
  void ExpectRunningSystemRefused(uint32_t major, uint32_t minor) {
    std::optional<KnownWindows> running = RunningWindows();
    if (!running || running->major != major || running->minor != minor) {
      GTEST_SKIP() << "the prefix reports another system";
    }
    ProductSettings product = SequenceProduct(kQuiet);
    product.unsupportedSystems = running->bit;
    RunResult result = RunInstaller(Installer(product), L"/a");
    EXPECT_EQ(result.exitCode, 1u) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_EQ(messages.size(), 1u) << result;
    EXPECT_EQ(MessageIcon(messages[0]), "information") << result;
    EXPECT_EQ(MessageText(messages[0]).rfind("T61 Windows", 0), 0u) << result;
    EXPECT_NE(MessageText(messages[0]).find(running->name), std::string::npos) << result;
    EXPECT_FALSE(WorkDone(result)) << result;
  }
};

class Prefix32Sequence : public InstallSequence {};
class Win7PrefixSequence : public InstallSequence {};
class Win10PrefixSequence : public InstallSequence {};

// ---- 4: the language ----

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
              (std::vector<std::string>{TextName(8, language), TextName(62, language),
                                        TextName(54, language), TextName(32, language),
                                        TextName(36, language)}))
        << result;
    if (c.languagePages == 0) {
      EXPECT_TRUE(result.MessageTexts().empty()) << result;
      continue;
    }
    // The end report is in the chosen language.
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_EQ(messages.size(), 1u) << result;
    EXPECT_EQ(MessageText(messages[0]), TextName(42, language)) << result;
    EXPECT_EQ(MessageCaption(messages[0]), TextName(43, language)) << result;
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
    EXPECT_EQ(result.MessageTexts(), std::vector<std::string>(c.interactive ? 1 : 0, "T42"))
        << result;
  }
}

// ---- 5: bitness ----

TEST_F(InstallSequence, ThirtyTwoBitProductIsRefusedOnA64BitSystem) {
  if (!SystemIs64Bit()) GTEST_SKIP() << "needs a 64-bit prefix";
  CheckBitness({
      {"Interactive", 2, L"", true, {"T81 32"}},
      {"AutomaticWithoutMessage", 2, L"/a", true, {}},
      // File-system redirection is switched off for a 64-bit product, and that works here.
      {"SixtyFourBitProductRuns", 1, L"/a", false, {}},
  });
}

TEST_F(Prefix32Sequence, SixtyFourBitProductIsRefusedOnA32BitSystem) {
  if (SystemIs64Bit()) GTEST_SKIP() << "needs a 32-bit prefix";
  CheckBitness({
      {"Interactive", 1, L"", true, {"T81 64"}},
      {"AutomaticWithoutMessage", 1, L"/a", true, {}},
      {"ThirtyTwoBitProductRuns", 2, L"/a", false, {}},
  });
}

// ---- 6: refused systems ----

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

// ---- 8, 9: master product, one installer at a time ----

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
    const char* message;  // null: installs, into masterFolder + "\\Addon"
  };
  const Case cases[] = {
      {"NotInstalled", "Quill Master", "QuillonetSequence.Master", false, false, false, "",
       "T12 Quill Master"},
      // Both default to the product's own name.
      {"NamesDefaultToTheProduct", "", "", false, false, false, "", "T12 Test Product"},
      {"KeyWithoutUninstallCommand", "Quill Master", "QuillonetSequence.Master", true, false, true,
       "", "T12 Quill Master"},
      {"MasterFolderUnknown", "Quill Master", "QuillonetSequence.Master", true, true, false,
       "<master>\\Addon", "T12 Quill Master"},
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
    product.masterName = c.masterName;
    product.masterKey = c.masterKey;
    product.defaultInstallDir = c.defaultInstallDir;
    RunResult result = RunInstaller(Installer(product), L"/a /r:\"x.exe\"");
    EXPECT_EQ(result.exitCode, 1u) << result;
    if (c.message != nullptr) {
      EXPECT_EQ(result.MessageTexts(), std::vector<std::string>{c.message}) << result;
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
  HANDLE held = ::CreateMutexW(nullptr, TRUE, L"Quillonet Setup: one installer at a time");
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
      EXPECT_EQ(MessageCaption(messages[0]), "T21") << refused;
      EXPECT_EQ(MessageText(messages[0]), "T91") << refused;
    }
  }
  ::ReleaseMutex(held);
  ::CloseHandle(held);
  RunResult free = RunInstaller(Installer(SequenceProduct(kQuiet | kFlagSingleInstaller)));
  EXPECT_EQ(free.MessageTexts(), std::vector<std::string>{"T42"}) << free;
  EXPECT_TRUE(WorkDone(free)) << free;
}

// ---- 10, 14: the previous installation ----

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
  product.uninstallKeyName = WideToUtf8(keyName);
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
    product.installDirValue = c.installDirValue;
    RunResult result = RunInstaller(Installer(product), L"/d:\"C:\\elsewhere\" /r:\"x.exe\"");
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_TRUE(PageKinds(result).empty()) << result;
    EXPECT_EQ(result.MessageTexts(), std::vector<std::string>{"T42"}) << result;
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
    std::vector<std::string> messages;  // after "%s" the previous folder follows
    const char* notification;           // null: the run was cancelled
  };
  const Case cases[] = {
      {"Upgrade", kFlagComparePreviousVersion, L"1.0", {"yes"}, {"T5 %s T7", "T42"}, "upgrade"},
      {"Downgrade",
       kFlagComparePreviousVersion,
       L"2.0.1",
       {"yes"},
       {"T6 %s T7", "T42"},
       "downgrade"},
      {"SameVersion",
       kFlagComparePreviousVersion,
       L"2.0",
       {"yes"},
       {"T4 %s T7", "T42"},
       "reinstall"},
      {"NotCompared", 0, L"1.0", {"yes"}, {"T3 %s T7", "T42"}, "reinstall"},
      {"NoOldVersion", kFlagComparePreviousVersion, L"", {"yes"}, {"T3 %s T7", "T42"}, "reinstall"},
      {"No", kFlagComparePreviousVersion, L"1.0", {"no"}, {"T5 %s T7", "T98"}, nullptr},
      // Text 72's Cancel ends the run without the notice.
      {"ReplacingRefused",
       kFlagComparePreviousVersion | kFlagConfirmReplacingPrevious,
       L"1.0",
       {"yes", "cancel"},
       {"T5 %s T7", "T72"},
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
    std::vector<std::string> expected;
    for (std::string text : c.messages) {
      if (size_t at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, Utf8(previous));
      }
      expected.push_back(text);
    }
    EXPECT_EQ(result.MessageTexts(), expected) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_FALSE(messages.empty()) << result;
    EXPECT_EQ(MessageButtons(messages[0]), "yesno") << result;
    EXPECT_EQ(MessageCaption(messages[0]), "T2") << result;
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
  const std::wstring arguments = L"/a /b1:\"echo again\"";
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
      {"NoCommandKnown", nullptr, nullptr, "", "next", nullptr, {"T9"}, false},
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
      EXPECT_EQ(pages[0].Field(1), "T21") << result;
      EXPECT_EQ(pages[0].Field(3), "T9") << result;
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

// ---- 14: the installation folder from the registry ----

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
    product.defaultInstallDir = c.defaultInstallDir;
    RunResult result = RunInstaller(Installer(product), L"/d:\"C:\\elsewhere\" /r:\"x.exe\"");
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_TRUE(PageKinds(result).empty()) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_FALSE(messages.empty()) << result;
    if (c.message.empty()) {
      EXPECT_EQ(result.MessageTexts(), std::vector<std::string>{"T42"}) << result;
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

// ---- 11, 12, 14, 15: the pages and their Cancel ----

// Cancel anywhere before the work ends the run; after the licence, readme, directory and
// Start Menu pages the user is told so (text 98 under caption 65), after the language page and
// the greeting not.
TEST_F(InstallSequence, CancelOnAPageEndsTheRun) {
  struct Case {
    const char* name;
    uint64_t flags;
    std::vector<std::string> languages;
    std::vector<std::vector<uint8_t>> licenses;
    std::vector<std::vector<uint8_t>> readmes;
    std::vector<std::string> answers;
    std::vector<std::string> pages;
    bool notice;
  };
  const std::vector<uint8_t> document = {'D', 'o', 'c'};
  const Case cases[] = {
      {"Language", 0, {"Deutsch", "English"}, {}, {}, {"cancel"}, {"language"}, false},
      {"Greeting", 0, {"English"}, {}, {}, {"cancel"}, {"greeting"}, false},
      {"SecondLicence",
       kFlagNoGreeting,
       {"English"},
       {document, document},
       {},
       {"next", "cancel"},
       {"license", "license"},
       true},
      {"Readme", kFlagNoGreeting, {"English"}, {}, {document}, {"cancel"}, {"readme"}, true},
      {"Directory",
       kFlagNoGreeting | kFlagOfferDirectoryPage,
       {"English"},
       {},
       {},
       {"cancel"},
       {"directory"},
       true},
      {"StartMenu",
       kFlagNoGreeting | kFlagOfferStartMenuPage,
       {"English"},
       {},
       {},
       {"cancel"},
       {"startmenu"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(c.flags, c.languages);
    product.licenses = c.licenses;
    product.readmes = c.readmes;
    RunResult result =
        RunInstaller(Installer(product), DirectorySwitch(Folder() / "app"), Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_EQ(PageKinds(result), c.pages) << result;
    EXPECT_TRUE(result.Records("progress").empty()) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_EQ(messages.size(), c.notice ? 1u : 0u) << result;
    if (c.notice) {
      EXPECT_EQ(MessageIcon(messages[0]), "warning") << result;
      EXPECT_EQ(MessageCaption(messages[0]), "T65") << result;
      EXPECT_EQ(MessageText(messages[0]), "T98") << result;
    }
  }
}

// Texts 63 and 64, when not empty, come first as documents of their own.
TEST_F(InstallSequence, DocumentPagesBeginWithTheLanguagesTexts) {
  ProductSettings product = SequenceProduct(kQuiet);
  product.languages.texts[63] = u"Licence words";
  product.languages.texts[64] = u"Readme words";
  product.licenses = {{'L', '1'}, {'L', '2'}};
  product.readmes = {{'R', '1'}};
  RunResult result = RunInstaller(Installer(product));
  EXPECT_EQ(result.exitCode, 1u) << result;
  std::vector<std::string> shown;
  for (const TranscriptRecord& page : result.Records("page")) {
    shown.push_back(page.Field(0) + ": " + page.Field(4));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"license: Licence words", "license: L1", "license: L2",
                                             "readme: Readme words", "readme: R1"}))
      << result;
  EXPECT_TRUE(WorkDone(result)) << result;
}

// The page opens on /d's folder, refuses a drive root (too short) with text 17 and opens again, and
// the folder finally typed is the installation folder.
TEST_F(InstallSequence, DirectoryPageTakesTheTypedFolder) {
  const fs::path fromD = Folder() / "from d";
  const fs::path typed = Folder() / "typed";
  RunResult result = RunInstaller(Installer(SequenceProduct(kQuiet | kFlagOfferDirectoryPage)),
                                  DirectorySwitch(fromD) + L" /r:\"x.exe\"",
                                  Answers({"next C:\\", "next " + Utf8(typed)}));
  EXPECT_EQ(result.exitCode, 1u) << result;
  std::vector<TranscriptRecord> pages = result.Records("page");
  ASSERT_EQ(pages.size(), 2u) << result;
  EXPECT_EQ(pages[0].Field(0), "directory") << result;
  EXPECT_EQ(pages[0].Field(4), Utf8(fromD)) << result;
  EXPECT_EQ(pages[1].Field(6), Utf8(typed)) << result;
  EXPECT_EQ(result.MessageTexts(), (std::vector<std::string>{"T17", "T42"})) << result;
  EXPECT_EQ(LaunchesOf(result), Started("x.exe", typed)) << result;
}

// ---- 28, 34: the end report and what is started afterwards ----

// A successful interactive run ends with text 42: in a box when there is nothing to choose,
// else on the summary page with a box for each subject. After the report the /r program starts
// first, then the choices in a fixed order, each in the installation folder.
TEST_F(InstallSequence, EndReportAndTheLaunchesAfterIt) {
  const fs::path app = Folder() / "app";
  const std::string appText = Utf8(app);
  struct Case {
    const char* name;
    uint64_t flags;
    const char* finishLaunchProgram;
    bool otherSubjects;  // finishOpenFile and finishOpenOther
    const wchar_t* arguments;
    std::vector<std::string> answers;
    std::vector<std::string> messages;
    const char* summaryBoxes;  // null: no summary page
    Launches launches;
  };
  const Case cases[] = {
      {"NoFinishActions", 0, "", false, L"", {}, {"T42"}, nullptr, {}},
      {"LaunchChecked",
       0,
       "%InstallDir%\\x.exe",
       false,
       L"",
       {"ok launch"},
       {},
       "launch",
       Started(appText + "\\x.exe", app)},
      {"NothingChecked", 0, "%InstallDir%\\x.exe", false, L"", {"ok"}, {}, "launch", {}},
      {"NoEndReport", kFlagNoEndReport, "x.exe", false, L"", {}, {}, nullptr, {}},
      // A silent installation reports nothing and still ends with 1; /r's program starts all
      // the same.
      {"AutomaticWithR",
       0,
       "x.exe",
       false,
       L"/a /r:\"notepad.exe readme.txt\"",
       {},
       {},
       nullptr,
       Started("notepad.exe readme.txt", app)},
      {"EveryChoiceInOrder",
       kFlagOfferToViewLog | kFlagWriteInstallLogAlways,
       "x.exe",
       true,
       L"/r:\"first.exe\"",
       {"ok open,launch,log,other"},
       {},
       "open,launch,log,other",
       {{"start", "first.exe", appText},
        {"open", "readme.txt", appText},
        {"start", "x.exe", appText},
        {"start", "notepad.exe \"" + appText + "\\Install.LOG\"", appText},
        {"open", appText + "\\docs\\index.html", appText}}},
      // A run that does not always write its log leaves none to view: no box for it.
      {"NoLogToView", kFlagOfferToViewLog, "", false, L"", {"ok log"}, {"T42"}, nullptr, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(kQuiet | c.flags);
    product.finishLaunchProgram = c.finishLaunchProgram;
    if (c.otherSubjects) {
      product.finishOpenFile = "readme.txt";
      product.finishOpenOther = "%InstallDir%\\docs\\index.html";
    }
    std::wstring arguments = DirectorySwitch(app) + L" " + c.arguments;
    RunResult result = RunInstaller(Installer(product), arguments, Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    for (const TranscriptRecord& message : result.Records("message")) {
      EXPECT_EQ(MessageIcon(message), "information") << result;
      EXPECT_EQ(MessageCaption(message), "T43") << result;
    }
    std::vector<TranscriptRecord> pages = result.Records("page");
    ASSERT_EQ(pages.size(), c.summaryBoxes != nullptr ? 1u : 0u) << result;
    if (c.summaryBoxes != nullptr) {
      EXPECT_EQ(pages[0].Field(0), "summary") << result;
      EXPECT_EQ(pages[0].Field(2), "T43") << result;
      EXPECT_EQ(pages[0].Field(3), "T42") << result;
      EXPECT_EQ(pages[0].Field(4), c.summaryBoxes) << result;
    }
    EXPECT_EQ(LaunchesOf(result), c.launches) << result;
  }
}

// A run with failures offers its log instead (text 40 with the log's path, caption 41) and
// starts no /r program; automatic runs ask nothing. Here reboot.dat cannot be written into a
// folder on a drive that does not exist.
TEST_F(InstallSequence, FailedRunOffersTheLogAndSkipsTheRProgram) {
  std::string drive;
  const DWORD drives = ::GetLogicalDrives();
  for (char letter = 'Y'; letter > 'C' && drive.empty(); --letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) drive = std::string(1, letter) + ":";
  }
  ASSERT_FALSE(drive.empty());
  const std::string folder = drive + "\\App";
  const std::string log = folder + "\\Install.LOG";
  struct Case {
    const char* name;
    const wchar_t* arguments;
    std::vector<std::string> answers;
    std::vector<std::string> messages;
    Launches launches;
  };
  const Case cases[] = {
      {"LogViewed",
       L"",
       {"yes"},
       {"T40 " + log},
       {{"start", "notepad.exe \"" + log + "\"", folder}}},
      {"LogDeclined", L"", {"no"}, {"T40 " + log}, {}},
      {"Automatic", L"/a", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(kQuiet | kFlagRebootMarker);
    product.finishLaunchProgram = "x.exe";
    std::wstring arguments = L"/d:\"" + Utf8ToWide(folder) + L"\" /r:\"after.exe\" " + c.arguments;
    RunResult result = RunInstaller(Installer(product), arguments, Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_TRUE(WorkDone(result)) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    for (const TranscriptRecord& message : result.Records("message")) {
      EXPECT_EQ(MessageButtons(message), "yesno") << result;
      EXPECT_EQ(MessageCaption(message), "T41") << result;
    }
    EXPECT_TRUE(PageKinds(result).empty()) << result;
    EXPECT_EQ(LaunchesOf(result), c.launches) << result;
  }
}

// ---- 29, 33: the restart ----

// A restart left over from the work is done without asking in automatic mode and asked for
// otherwise; a restart replaces whatever would be started at the end.
TEST_F(InstallSequence, RestartAtTheEnd) {
  struct Case {
    const char* name;
    uint64_t flags;
    const wchar_t* arguments;
    std::vector<std::string> answers;
    std::vector<std::string> messages;
    bool restart;
  };
  const Case cases[] = {
      {"AutomaticRestartsWithoutAsking", kFlagRestartRequired, L"/a", {}, {}, true},
      // The end report is the message, not the summary page, when a restart is due.
      {"InteractiveDeclined", kFlagRestartRequired, L"", {"no"}, {"T42", "T37"}, false},
      {"InteractiveAccepted", kFlagRestartRequired, L"", {"yes"}, {"T42", "T37"}, true},
      {"AutomaticAskedWhenTheProductSays",
       kFlagRestartRequired | kFlagAskRebootInAutomaticMode,
       L"/a",
       {"no"},
       {"T37"},
       false},
      {"NoRestartDue", 0, L"/a", {}, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings product = SequenceProduct(kQuiet | c.flags);
    product.finishLaunchProgram = "x.exe";
    std::wstring arguments =
        DirectorySwitch(Folder() / "app") + L" /r:\"after.exe\" " + c.arguments;
    RunResult result = RunInstaller(Installer(product), arguments, Answers(c.answers));
    EXPECT_EQ(result.exitCode, 1u) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    EXPECT_TRUE(PageKinds(result).empty()) << result;
    for (const TranscriptRecord& message : result.Records("message")) {
      if (MessageText(message) != "T37") continue;
      EXPECT_EQ(MessageButtons(message), "yesno") << result;
      EXPECT_EQ(MessageCaption(message), "T20") << result;
    }
    EXPECT_EQ(result.Records("restart").size(), c.restart ? 1u : 0u) << result;
    EXPECT_EQ(LaunchesOf(result).size(), c.restart ? 0u : 1u) << result;
  }
}

// ---- 21: progress positions ----

TEST_F(InstallSequence, ProgressPositionsOfTheWholeRun) {
  // The progress page, when the product has one, frames the work.
  RunResult one =
      RunInstaller(Installer(SequenceProduct(kQuiet | kFlagShowProgressPage), 1), L"/a");
  EXPECT_EQ(ProgressPositions(one),
            (std::vector<int>{1, 2, 21, 26, 27, 28, 91, 92, 93, 95, 97, 98, 99, 100}))
      << one;
  ASSERT_GE(one.transcript.size(), 2u) << one;
  EXPECT_EQ(one.transcript.front().kind, "progresspage") << one;
  EXPECT_EQ(one.transcript.front().fields, (std::vector<std::string>{"open", "T65", "T54", "T39"}))
      << one;
  EXPECT_EQ(one.transcript.back().kind, "progresspage") << one;
  EXPECT_EQ(one.transcript.back().fields, std::vector<std::string>{"close"}) << one;

  // With 60 entries each entry's position comes right before its item, 28 + 62 * i / 60.
  RunResult sixty = RunInstaller(Installer(SequenceProduct(kQuiet), 60), L"/a");
  std::vector<int> beforeItems;
  int last = -1;
  for (const TranscriptRecord& record : sixty.transcript) {
    if (record.kind == "progress") last = std::stoi(record.Field(0));
    if (record.kind == "item") beforeItems.push_back(last);
  }
  ASSERT_EQ(beforeItems.size(), 60u) << sixty;
  EXPECT_EQ(beforeItems.front(), 28) << sixty;
  EXPECT_EQ(beforeItems[30], 59) << sixty;
  EXPECT_EQ(beforeItems.back(), 88) << sixty;
  for (size_t i = 1; i < beforeItems.size(); ++i) {
    EXPECT_GE(beforeItems[i], beforeItems[i - 1]) << i;
  }
  std::vector<int> positions = ProgressPositions(sixty);
  ASSERT_GE(positions.size(), 68u) << sixty;
  EXPECT_EQ(std::vector<int>(positions.end() - 8, positions.end()),
            (std::vector<int>{91, 92, 93, 95, 97, 98, 99, 100}))
      << sixty;
}

}  // namespace
}  // namespace qs::systest
