// Shared-file reference counts inside this process, against the machine's real SharedDLLs key:
// two products sharing a file, each way a release ends, markers and names outside the code
// page, the question before deleting (in a child run with a transcript), and the
// unregistration of a COM server and a type library before they are deleted.
#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/handle_win.h"
#include "base/registry_delete_win.h"
#include "base/registry_view_win.h"
#include "base/system_library_win.h"
#include "base/text_win.h"
#include "core/language_texts.h"
#include "core/product_win.h"
#include "file_fixtures.h"
#include "files/shared_files.h"
#include "files/shared_files_win.h"
#include "install_sequence_fixture.h"
#include "integration/component_unregistration_win.h"
#include "prefix_lock.h"
#include "shared_counts_key.h"
#include "ui/transcript_file_win.h"
#include "ui/user_interface_win.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kTestsKey[] = L"Software\\Quillonet Tests";
constexpr wchar_t kProductsKey[] = L"Software\\Quillonet Tests\\Shared files";

// A product's registration in miniature: a key of its own under HKCU that holds "SharedFiles".
class ProductKey {
 public:
  explicit ProductKey(const std::wstring& name) : path_(std::wstring(kProductsKey) + L"\\" + name) {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0,
                      InProgramView(KEY_ALL_ACCESS), nullptr, key_.Receive(), nullptr);
  }
  ~ProductKey() {
    key_.Reset();
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
    // The parents go only when no other test's key is left in them.
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kProductsKey);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kTestsKey);
  }
  ProductKey(const ProductKey&) = delete;
  ProductKey& operator=(const ProductKey&) = delete;

  HKEY Get() const { return key_.Get(); }
  void SetSharedFiles(const std::string& text) {
    ::RegSetValueExA(key_.Get(), "SharedFiles", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
  }
  bool HasSharedFiles() const {
    return ::RegQueryValueExW(key_.Get(), L"SharedFiles", nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
  }

 private:
  std::wstring path_;
  UniqueRegKey key_;
};

// The counts are the machine's; a fresh Wine prefix has no SharedDLLs key, so the fixture makes
// it then, and removes it again when nothing else is left in it. Every count a test touches is
// deleted afterwards.
class SharedFileCounts : public SystemTest {
 protected:
  // The key may be made and removed by the fixture: one test at a time.
  PrefixLock lock_{L"SharedDlls"};

  void SetUp() override {
    SystemTest::SetUp();
    ASSERT_TRUE(counts_.Open());
  }

  void TearDown() override {
    for (const std::wstring& name : names_) ::RegDeleteValueW(counts_.Get(), name.c_str());
    counts_.Release();
    SystemTest::TearDown();
  }

  // The full path of `name` in the test's folder; its count is cleaned up after the test.
  std::wstring PathOf(const std::wstring& name) {
    const std::wstring path = (Folder() / name).wstring();
    names_.push_back(path);
    return path;
  }
  // Makes the file and returns its path as the installer holds it (narrow, "|" convention).
  std::string MakeFile(const std::wstring& name) {
    WriteFile(name, {'x'});
    return Narrow(PathOf(name));
  }

  std::optional<DWORD> Count(const std::wstring& path) const {
    DWORD type = 0;
    DWORD count = 0;
    DWORD size = sizeof count;
    if (::RegQueryValueExW(counts_.Get(), path.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    return count;
  }
  std::optional<DWORD> Count(const std::string& path) const { return Count(Widen(path)); }

  void SetCount(const std::string& path, DWORD count) {
    ::RegSetValueExW(counts_.Get(), Widen(path).c_str(), 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&count), sizeof count);
  }

  static bool Exists(const std::string& path) {
    return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::u16string log_;
  std::u16string summary_;

 private:
  SharedCountsKey counts_;
  std::vector<std::wstring> names_;
};

TEST_F(SharedFileCounts, TwoProductsShareAFile) {
  const std::string file = MakeFile(L"shared.dll");
  ProductKey first(L"TwoProducts First");
  ProductKey second(L"TwoProducts Second");

  std::string firstText;
  CountSharedFiles({file}, firstText, log_, summary_);
  EXPECT_EQ(Count(file), 1u);
  EXPECT_EQ(firstText, "\"" + file + "\"");
  std::string secondText;
  CountSharedFiles({file}, secondText, log_, summary_);
  EXPECT_EQ(Count(file), 2u);

  // Installed again, the first product carries its list over and counts nothing twice.
  std::string again = firstText;
  CountSharedFiles({file}, again, log_, summary_);
  EXPECT_EQ(again, firstText);
  EXPECT_EQ(Count(file), 2u);

  // The first product goes: the second still uses the file.
  first.SetSharedFiles(firstText);
  ReleaseSharedFiles(first.Get(), firstText, {}, summary_);
  EXPECT_EQ(Count(file), 1u);
  EXPECT_TRUE(Exists(file));
  EXPECT_FALSE(first.HasSharedFiles());

  // The last user goes: the count and the file go, its protecting attributes notwithstanding.
  ::SetFileAttributesW(Widen(file).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  second.SetSharedFiles(secondText);
  ReleaseSharedFiles(second.Get(), secondText, {}, summary_);
  EXPECT_EQ(Count(file), std::nullopt);
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(second.HasSharedFiles());

  EXPECT_EQ(log_, u"");
  EXPECT_EQ(summary_, u"");
}

// Every entry of one list, read in the form of the registration (each entry followed by ";").
TEST_F(SharedFileCounts, ReleaseCases) {
  struct Case {
    const wchar_t* name;
    char marker;
    std::optional<DWORD> before;
    std::optional<DWORD> after;
    bool kept;
  };
  const Case cases[] = {
      {L"last.dll", 0, 1, std::nullopt, false},
      {L"still-used.dll", 0, 3, 2, true},
      {L"still-used-server.dll", '^', 2, 1, true},
      {L"permanent.dll", ' ', 1, std::nullopt, true},
      {L"permanent-at-zero.dll", ' ', 0, 0, true},
      // A count of 0 is not lowered or written; the file is deleted all the same.
      {L"at-zero.dll", 0, 0, 0, false},
      // Without a count nothing says the file is unused.
      {L"uncounted.dll", 0, std::nullopt, std::nullopt, true},
  };
  std::vector<std::string> paths;
  std::string text;
  for (const Case& c : cases) {
    paths.push_back(MakeFile(c.name));
    if (c.before) SetCount(paths.back(), *c.before);
    std::string entry = paths.back();
    if (c.marker != 0) entry.push_back(c.marker);
    text += QuoteSharedEntry(entry) + ";";
  }
  ProductKey product(L"ReleaseCases");
  product.SetSharedFiles(text);
  ReleaseSharedFiles(product.Get(), text, {}, summary_);
  EXPECT_EQ(summary_, u"");
  EXPECT_FALSE(product.HasSharedFiles());
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(WideToUtf8(cases[i].name));
    EXPECT_EQ(Count(paths[i]), cases[i].after);
    EXPECT_EQ(Exists(paths[i]), cases[i].kept);
  }
}

// An empty list changes nothing, not even the registration's value.
TEST_F(SharedFileCounts, EmptyListChangesNothing) {
  ProductKey product(L"EmptyList");
  product.SetSharedFiles("");
  ReleaseSharedFiles(product.Get(), "", {}, summary_);
  EXPECT_TRUE(product.HasSharedFiles());
  EXPECT_EQ(summary_, u"");
}

// The same file with another marker (installed once as a system file, later as a COM server)
// is another entry and is counted again. A name outside the code page is counted under its
// UTF-16 name, and a last byte 0xA9 that belongs to its last character is no marker.
TEST_F(SharedFileCounts, MarkersAndNamesOutsideTheCodePage) {
  const std::string file = MakeFile(L"x.dll");
  SetCount(file, 1);
  std::string text = QuoteSharedEntry(file + " ");
  CountSharedFiles({file + " ", file + "^"}, text, log_, summary_);
  EXPECT_EQ(Count(file), 2u);
  EXPECT_EQ(text, "\"" + file + " \";\"" + file + "^\"");

  const std::wstring resume = L"R\u00E9sum\u00E9";  // UTF-8 ends in 0xC3 0xA9
  const std::wstring library = L"\u65E5\u672C.tlb";
  const std::string resumePath = MakeFile(resume);
  const std::string libraryPath = MakeFile(library);
  ASSERT_EQ(resumePath.front(), '|');
  std::string unicodeText;
  CountSharedFiles({resumePath, libraryPath + "\xA9"}, unicodeText, log_, summary_);
  EXPECT_EQ(Count(PathOf(resume)), 1u);
  EXPECT_EQ(Count(PathOf(library)), 1u);
  EXPECT_EQ(ParseSharedFiles(unicodeText),
            (std::vector<SharedFileEntry>{{resumePath, 0}, {libraryPath, '\xA9'}}));

  ProductKey product(L"Unicode");
  ReleaseSharedFiles(product.Get(), unicodeText, {}, summary_);
  EXPECT_EQ(Count(PathOf(resume)), std::nullopt);
  EXPECT_EQ(Count(PathOf(library)), std::nullopt);
  EXPECT_FALSE(fs::exists(Folder() / resume));
  EXPECT_FALSE(fs::exists(Folder() / library));
  EXPECT_EQ(log_, u"");
  EXPECT_EQ(summary_, u"");
}

constexpr char kQuestionChild[] = "SharedFileCountsChild.AsksBeforeDeleting";
constexpr wchar_t kChildFolderVariable[] = L"QS_SHARED_FILES_FOLDER";

// Started by the test below with a transcript; skipped when run on its own.
TEST(SharedFileCountsChild, AsksBeforeDeleting) {
  if (TranscriptPath().empty()) GTEST_SKIP() << "runs only as the child of a recording test";
  StartUserInterface();
  Product() = SequenceProduct(0);
  LanguageTable& table = Product().languages;
  table.texts[kTextRemoveSharedFileQuestion * table.names.size() + table.defaultLanguage] =
      Utf8ToUtf16(TextName(kTextRemoveSharedFileQuestion) + " %s");
  Texts() = LanguageTexts(&table, {});
  wchar_t folder[MAX_PATH] = {};
  ASSERT_NE(::GetEnvironmentVariableW(kChildFolderVariable, folder, MAX_PATH), 0u);
  const std::string base = Narrow(folder);
  const std::string text = QuoteSharedEntry(base + "\\kept.dll^") + ";" +
                           QuoteSharedEntry(base + "\\deleted.dll^") + ";";
  ProductKey product(L"Question");
  ReleaseOptions options;
  options.askBeforeDelete = true;
  std::u16string summary;
  ReleaseSharedFiles(product.Get(), text, options, summary);
  EXPECT_EQ(summary, u"");
}

// A product that asks before removing shared files: kTextRemoveSharedFileQuestion with the path
// under kTextSharedFileCaption, one question per unused file. No keeps the file, still registered;
// the count goes either way.
TEST_F(SharedFileCounts, AsksBeforeDeleting) {
  fs::copy_file(TestProgramFolder() / "com-server.dll", Folder() / "kept.dll");
  fs::copy_file(TestProgramFolder() / "com-server.dll", Folder() / "deleted.dll");
  const std::string kept = Narrow(PathOf(L"kept.dll"));
  const std::string deleted = Narrow(PathOf(L"deleted.dll"));
  SetCount(kept, 1);
  SetCount(deleted, 1);

  wchar_t self[MAX_PATH];
  ASSERT_NE(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  RunOptions options;
  options.answers = {"no", "yes"};
  options.environment = {{kChildFolderVariable, Folder().wstring()}};
  RunResult result =
      RunProgram(self, QuotedCommandLine(self, L"--gtest_filter=" + Utf8ToWide(kQuestionChild)),
                 Folder(), options);
  ASSERT_EQ(result.exitCode, 0u) << result;

  const std::vector<std::string> expected = {
      TextName(kTextRemoveSharedFileQuestion) + " " + Utf8(Folder() / "kept.dll"),
      TextName(kTextRemoveSharedFileQuestion) + " " + Utf8(Folder() / "deleted.dll")};
  EXPECT_EQ(result.MessageTexts(), expected) << result;
  for (const TranscriptRecord& message : result.Records("message")) {
    EXPECT_EQ(MessageButtons(message), "yesno") << result;
    EXPECT_EQ(MessageCaption(message), TextName(kTextSharedFileCaption)) << result;
  }
  EXPECT_TRUE(Exists(kept));
  EXPECT_FALSE(Exists(deleted));
  EXPECT_EQ(Count(kept), std::nullopt);
  EXPECT_EQ(Count(deleted), std::nullopt);
  // Only the server that went was unregistered.
  EXPECT_FALSE(fs::exists(Folder() / "kept.dll.unregistered"));
  EXPECT_TRUE(fs::exists(Folder() / "deleted.dll.unregistered"));
}

// The process that called the fixture server's DllUnregisterServer, from the note it leaves.
std::optional<DWORD> UnregisteringProcess(const fs::path& dll) {
  const std::vector<uint8_t> note = ReadBytes(dll.wstring() + L".unregistered");
  if (note.size() != sizeof(DWORD)) return std::nullopt;
  DWORD process = 0;
  std::memcpy(&process, note.data(), sizeof process);
  return process;
}

// A COM server whose count reaches 0 is unregistered before it is deleted: in this process for
// a 32-bit product, through the system folder's regsvr32 for a 64-bit one.
TEST_F(SharedFileCounts, ComServerIsUnregisteredBeforeDeleting) {
  struct Case {
    const wchar_t* name;
    bool product64;
  };
  const Case cases[] = {{L"server32.dll", false}, {L"server64.dll", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.name));
    const fs::path dll = Folder() / c.name;
    fs::copy_file(TestProgramFolder() / "com-server.dll", dll);
    const std::string path = Narrow(PathOf(c.name));
    std::string text;
    CountSharedFiles({path + "^"}, text, log_, summary_);
    EXPECT_EQ(Count(path), 1u);

    ProductKey product(L"ComServer");
    ReleaseOptions options;
    options.product64 = c.product64;
    ReleaseSharedFiles(product.Get(), text, options, summary_);
    EXPECT_EQ(Count(path), std::nullopt);
    EXPECT_FALSE(fs::exists(dll));
    const std::optional<DWORD> process = UnregisteringProcess(dll);
    ASSERT_TRUE(process.has_value());
    EXPECT_EQ(*process == ::GetCurrentProcessId(), !c.product64);
  }
  EXPECT_EQ(summary_, u"");
}

TEST_F(SharedFileCounts, ComServerResults) {
  fs::copy_file(TestProgramFolder() / "com-server.dll", Folder() / "server.dll");
  fs::copy_file(TestProgramFolder() / "versioned-none.dll", Folder() / "no-entry.dll");
  struct Case {
    const char* name;
    bool product64;
    bool unregistered;
  };
  const Case cases[] = {
      {"server.dll", false, true},
      {"server.dll", true, true},
      // Loaded, but without DllUnregisterServer.
      {"no-entry.dll", false, false},
      // Not loadable here: regsvr32 is asked, and fails.
      {"missing.dll", false, false},
      {"missing.dll", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.product64 ? " 64" : " 32"));
    EXPECT_EQ(UnregisterComServer((Folder() / c.name).wstring(), c.product64), c.unregistered);
  }
}

// The fixture library's registration: HKCR "TypeLib\{guid}\1.2".
constexpr wchar_t kFixtureTypeLibKey[] = L"TypeLib\\{3F0B6A52-9D41-4C5E-8A77-1B2C3D4E5F60}";
constexpr wchar_t kFixtureTypeLibVersionKey[] =
    L"TypeLib\\{3F0B6A52-9D41-4C5E-8A77-1B2C3D4E5F60}\\1.2";

bool KeyExists(HKEY root, const wchar_t* path) {
  UniqueRegKey key;
  return ::RegOpenKeyExW(root, path, 0, InProgramView(KEY_READ), key.Receive()) == ERROR_SUCCESS;
}

bool RegisterTypeLibraryFile(const std::wstring& path) {
  using LoadTypeLibExFunction = HRESULT(STDAPICALLTYPE*)(LPCOLESTR, REGKIND, ITypeLib**);
  UniqueModule oleaut = LoadSystemLibrary(L"oleaut32.dll");
  auto load = LibraryFunction<LoadTypeLibExFunction>(oleaut, "LoadTypeLibEx");
  ITypeLib* library = nullptr;
  if (load == nullptr || FAILED(load(path.c_str(), REGKIND_REGISTER, &library))) return false;
  library->Release();
  return true;
}

TEST_F(SharedFileCounts, TypeLibraryIsUnregisteredBeforeDeleting) {
  const fs::path file = Folder() / "fixture.tlb";
  fs::copy_file(TestProgramFolder() / "type-library.tlb", file);
  ASSERT_TRUE(RegisterTypeLibraryFile(file.wstring()));
  ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kFixtureTypeLibVersionKey));

  const std::string path = Narrow(PathOf(L"fixture.tlb"));
  std::string text;
  CountSharedFiles({path + "\xA9"}, text, log_, summary_);
  ProductKey product(L"TypeLibrary");
  ReleaseSharedFiles(product.Get(), text, {}, summary_);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kFixtureTypeLibVersionKey));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(Count(path), std::nullopt);
  EXPECT_EQ(summary_, u"");
  // Whatever a failure left behind.
  DeleteRegistryTree(HKEY_CLASSES_ROOT, kFixtureTypeLibKey);
}

}  // namespace
}  // namespace qs::systest
