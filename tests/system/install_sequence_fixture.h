#pragma once
// What the tests of the installation run share: products whose texts name themselves, the
// installer made from them, reading the transcript, the system the tests run on, and registry
// keys made for one test.
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

#include "base/registry_view_win.h"
#include "core/product_flags.h"
#include "core/text_ids.h"
#include "harness_win.h"
#include "registration_fixtures.h"
#include "uninstall/self_removal_win.h"

namespace qs::systest {

namespace fs = std::filesystem;

inline constexpr int32_t kTextCount = 110;
inline constexpr uint64_t kQuiet = kFlagCompressedBlocks | kFlagNoGreeting;

// The texts the run formats, with the arguments it puts in.
inline const char* FormatOf(TextId id) {
  switch (id) {
    case kTextPreviousInstall:
    case kTextPreviousInstallSameVersion:
    case kTextPreviousInstallUpgrade:
    case kTextPreviousInstallDowngrade:
      return " %s %s";               // the previous folder, kTextPreviousInstallContinue
    case kTextMasterProductMissing:  // the master product's name
    case kTextNoSuchDrive:           // the missing drive
    case kTextProgramFilesItself:    // the Program Files folder
    case kTextFailureQuestion:       // the log's path
    case kTextUnsupportedSystem:     // the system's name
    case kTextCannotWriteInFolder:   // the folder that takes no files
    case kTextUnsuitableDrive:       // the unsuitable drive
      return " %s";
    case kTextLowDiskSpace:  // the space needed, the space free
      return " %s %s";
    case kTextWrongBitness:  // the bitness the product needs
      return " %d";
    default:
      return "";
  }
}

// What a test product's text `id` says before any arguments: "T42", or "T42@Deutsch".
inline std::string TextName(TextId id, const std::string& language = "English") {
  return "T" + std::to_string(id) + (language == "English" ? "" : "@" + language);
}

// The language's licence and readme stay empty: otherwise every interactive run would show a
// licence and a readme page of its own.
inline void SetTexts(ProductSettings& product, const std::vector<std::string>& languages) {
  LanguageTable& table = product.languages;
  table.names = languages;
  table.textCount = kTextCount;
  table.texts.clear();
  table.defaultLanguage = 0;
  for (size_t i = 0; i < languages.size(); ++i) {
    if (languages[i] == "English") table.defaultLanguage = i;
  }
  for (int32_t n = 0; n < kTextCount; ++n) {
    const TextId id = static_cast<TextId>(n);  // every number of the table, named or not
    for (const std::string& language : languages) {
      std::string text = id == kTextLanguageLicense || id == kTextLanguageReadme
                             ? ""
                             : TextName(id, language) + FormatOf(id);
      table.texts.emplace_back(text.begin(), text.end());
    }
  }
}

inline ProductSettings SequenceProduct(uint64_t flags,
                                       const std::vector<std::string>& languages = {"English"}) {
  ProductSettings product = TestProduct(flags | kFlagCompressedBlocks);
  product.DisplayVersion = u"2.0";
  SetTexts(product, languages);
  return product;
}

inline std::vector<uint8_t> Installer(const ProductSettings& product, int entries = 1) {
  std::vector<builder::PayloadFile> files;
  for (int i = 0; i < entries; ++i) {
    files.push_back(MakeFile("f" + std::to_string(i) + ".txt", "x"));
  }
  return MakeInstaller(MakePayload(files, {}, 0, SettingsStream(product)));
}

inline std::wstring DirectorySwitch(const fs::path& folder) {
  return L"/d:\"" + folder.wstring() + L"\"";
}

inline RunOptions Answers(std::vector<std::string> answers) {
  RunOptions options;
  options.answers = std::move(answers);
  return options;
}

inline std::string Utf8(const fs::path& path) {
  return WideToUtf8(path.wstring());
}

// ---- Reading the transcript ----

inline std::vector<std::string> FirstFields(const RunResult& result, std::string_view kind) {
  std::vector<std::string> fields;
  for (const TranscriptRecord& record : result.Records(kind)) fields.push_back(record.Field(0));
  return fields;
}

inline std::vector<std::string> PageKinds(const RunResult& result) {
  return FirstFields(result, "page");
}

inline std::vector<std::string> StatusTexts(const RunResult& result) {
  return FirstFields(result, "status");
}

inline std::vector<int> ProgressPositions(const RunResult& result) {
  std::vector<int> positions;
  for (const std::string& field : FirstFields(result, "progress")) {
    positions.push_back(std::stoi(field));
  }
  return positions;
}

// The run did its work: the last progress position is 100.
inline bool WorkDone(const RunResult& result) {
  std::vector<int> positions = ProgressPositions(result);
  return !positions.empty() && positions.back() == 100;
}

// What the run starts and opens at its end, in order: "start" and "open" records with their
// command line or path and their folder.
using Launches = std::vector<std::vector<std::string>>;

inline Launches LaunchesOf(const RunResult& result) {
  Launches launches;
  for (const TranscriptRecord& record : result.transcript) {
    if (record.kind == "start" || record.kind == "open") {
      launches.push_back({record.kind, record.Field(0), record.Field(1)});
    }
  }
  return launches;
}

inline Launches Started(const std::string& command, const fs::path& folder) {
  return {{"start", command, Utf8(folder)}};
}

// ---- The system the tests run on ----

struct TrueWindows {
  uint32_t major = 0;
  uint32_t minor = 0;
  bool workstation = false;
};

// RtlGetVersion tells the truth whatever a program's manifest says.
inline TrueWindows ReadTrueWindows() {
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
inline constexpr KnownWindows kKnownWindows[] = {
    {10, 0, 0x8000, "Windows 10"}, {6, 3, 0x2000, "Windows 8.1"},  {6, 2, 0x2000, "Windows 8"},
    {6, 1, 0x1000, "Windows 7"},   {6, 0, 0x400, "Windows Vista"},
};

inline std::optional<KnownWindows> RunningWindows() {
  TrueWindows windows = ReadTrueWindows();
  if (!windows.workstation) return std::nullopt;
  for (const KnownWindows& known : kKnownWindows) {
    if (known.major == windows.major && known.minor == windows.minor) return known;
  }
  return std::nullopt;
}

// ---- Registry values the tests set and remove ----

// A key made for one test and deleted with it (it must have no subkeys).
class TestKey {
 public:
  TestKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
    ::RegDeleteKeyExW(root_, path_.c_str(), InProgramView(0),
                      0);  // left over from an interrupted run
    LONG status = ::RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0,
                                    InProgramView(KEY_SET_VALUE), nullptr, &key_, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << WideToUtf8(path_);
  }
  ~TestKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
    ::RegDeleteKeyExW(root_, path_.c_str(), InProgramView(0), 0);
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
    EXPECT_EQ(MessageText(messages[0]).rfind(TextName(kTextUnsupportedSystem) + " Windows", 0), 0u)
        << result;
    EXPECT_NE(MessageText(messages[0]).find(running->name), std::string::npos) << result;
    EXPECT_FALSE(WorkDone(result)) << result;
  }
};

class Prefix32Sequence : public InstallSequence {};
class Win7PrefixSequence : public InstallSequence {};
class Win10PrefixSequence : public InstallSequence {};

}  // namespace qs::systest
