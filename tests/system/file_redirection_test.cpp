// File-system redirection as the 32-bit program meets it on 64-bit Windows, and as the 64-bit
// program reproduces it: while it is on, a path under the system folder reaches the SysWOW64
// folder (but for the folders both kinds of program share), and Sysnative the system folder.
// The program's texts (logs, records, reports) keep naming the system folder.
//
// The same expectations hold for both builds: the 32-bit test program checks the system's
// redirection, the 64-bit one the program's own. Where a test reads the folders as they really
// are, the 32-bit test program goes through Sysnative, which redirection leaves alone.
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/file_redirection_win.h"
#include "base/handle_win.h"
#include "base/registry_view_win.h"
#include "base/text_win.h"
#include "core/directory_checks_win.h"
#include "file_fixtures.h"
#include "files/deferred_operations_win.h"
#include "files/file_queries_win.h"
#include "harness_win.h"
#include "install_sequence_fixture.h"
#include "prefix_lock.h"
#include "restart_fixtures.h"
#include "shared_counts_key.h"
#include "uninstall/uninstall_record.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

std::wstring FolderText(UINT(WINAPI* get)(LPWSTR, UINT)) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = get(folder, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(folder, length);
}

// The system folder as every program names it ("C:\windows\system32").
std::wstring SystemFolder() {
  return FolderText(::GetSystemDirectoryW);
}

// Where a 32-bit program's system folder really is.
fs::path Wow64Folder() {
  return FolderText(::GetSystemWow64DirectoryW);
}

// Where the system folder really is, as this test program reaches it: the 32-bit one through
// Sysnative, which is there only while redirection is on.
fs::path RealSystemFolder(bool redirectionOff = false) {
#if defined(_WIN64)
  (void)redirectionOff;
  return SystemFolder();
#else
  if (redirectionOff) return SystemFolder();
  return fs::path(FolderText(::GetWindowsDirectoryW)) / L"Sysnative";
#endif
}

bool Exists(const fs::path& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string N(const std::wstring& path) {
  return Narrow(path);
}

// A name of this test's own, for what it puts into the machine's system folders.
std::wstring OwnName() {
  return L"qs-redirect-" +
         Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L"-" +
         std::to_wstring(::GetCurrentProcessId());
}

// Removes `name` (a file or a folder tree) from both real system folders.
void RemoveFromSystemFolders(const std::wstring& name) {
  std::error_code ignored;
  for (const fs::path& folder : {Wow64Folder(), RealSystemFolder()}) {
    if (!folder.empty() && !name.empty()) fs::remove_all(folder / name, ignored);
  }
}

// Redirection is on in every test program, as in every program that starts; a test that
// switches it off switches it on again, even when it fails halfway.
class RedirectionRestored {
 public:
  RedirectionRestored() = default;
  ~RedirectionRestored() {
    if (off_) RestoreFileRedirection();
  }
  RedirectionRestored(const RedirectionRestored&) = delete;
  RedirectionRestored& operator=(const RedirectionRestored&) = delete;

  bool Disable() {
    off_ = DisableFileRedirection() == RedirectionSwitch::kOff;
    return off_;
  }
  void Restore() {
    if (off_) RestoreFileRedirection();
    off_ = false;
  }

 private:
  bool off_ = false;
};

// ---- The switch and the mapping itself, per build ----

#if defined(_WIN64)

// The 64-bit program's emulation: the mapping of every form of path the program may hand to
// the file system, and the switch that a 64-bit product turns off.
class Program64Redirection : public SystemTest {
 protected:
  void TearDown() override {
    if (!savedFolder_.empty()) ::SetCurrentDirectoryW(savedFolder_.c_str());
    SystemTest::TearDown();
  }

  void ChangeFolder(const std::wstring& folder) {
    if (savedFolder_.empty()) savedFolder_ = fs::current_path().wstring();
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.c_str())) << WideToUtf8(folder);
  }

 private:
  std::wstring savedFolder_;
};

TEST_F(Program64Redirection, MapsEveryFormOfASystemFolderPath) {
  const std::wstring system = SystemFolder();
  const std::wstring wow64 = Wow64Folder().wstring();
  const std::wstring windows = fs::path(system).parent_path().wstring();
  ASSERT_FALSE(system.empty() || wow64.empty());
  std::wstring upper = system;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
  wchar_t shortForm[MAX_PATH] = {};
  ASSERT_NE(::GetShortPathNameW(system.c_str(), shortForm, MAX_PATH), 0u);

  // The relative forms are taken from the Windows folder.
  ASSERT_NO_FATAL_FAILURE(ChangeFolder(windows));
  struct Case {
    std::wstring path;
    std::wstring expected;
  };
  const Case cases[] = {
      {system, wow64},
      {system + L"\\", wow64 + L"\\"},
      {system + L"\\app.dll", wow64 + L"\\app.dll"},
      {upper + L"\\App.DLL", wow64 + L"\\App.DLL"},
      {std::wstring(shortForm) + L"\\app.dll", wow64 + L"\\app.dll"},
      {system + L"\\sub\\..\\.\\app.dll", wow64 + L"\\app.dll"},
      {system + L"\\*", wow64 + L"\\*"},
      {L"system32\\app.dll", wow64 + L"\\app.dll"},
      {L"Temp\\..\\System32\\app.dll", wow64 + L"\\app.dll"},
      {L"\\\\?\\" + system + L"\\app.dll", L"\\\\?\\" + wow64 + L"\\app.dll"},
      {L"\\\\.\\" + system + L"\\app.dll", L"\\\\.\\" + wow64 + L"\\app.dll"},
      // Shared by both kinds of program.
      {system + L"\\drivers\\etc\\hosts", system + L"\\drivers\\etc\\hosts"},
      {system + L"\\spool", system + L"\\spool"},
      {L"system32\\catroot2\\x", L"system32\\catroot2\\x"},
      // The 64-bit folder through its alias, and what lies elsewhere.
      {windows + L"\\Sysnative\\app.dll", system + L"\\app.dll"},
      {L"sysnative", system},
      {system + L"x\\app.dll", system + L"x\\app.dll"},
      {wow64 + L"\\app.dll", wow64 + L"\\app.dll"},
      {windows + L"\\app.dll", windows + L"\\app.dll"},
      {L"app.dll", L"app.dll"},
      {L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideToUtf8(FileSystemPath(c.path)), WideToUtf8(c.expected)) << WideToUtf8(c.path);
  }

  // A 64-bit product's run sees every path as it is, until it switches back.
  RedirectionRestored redirection;
  ASSERT_TRUE(redirection.Disable());
  for (const Case& c : cases) {
    EXPECT_EQ(WideToUtf8(FileSystemPath(c.path)), WideToUtf8(c.path)) << WideToUtf8(c.path);
  }
  redirection.Restore();
  EXPECT_EQ(WideToUtf8(FileSystemPath(system + L"\\app.dll")), WideToUtf8(wow64 + L"\\app.dll"));
}

// Programs and documents may also be looked up by name; only a path with a folder is mapped,
// and a command line keeps its arguments and stays one command line.
TEST_F(Program64Redirection, MapsTheProgramOfACommandLine) {
  const std::wstring system = SystemFolder();
  const std::wstring wow64 = Wow64Folder().wstring();
  ASSERT_NO_FATAL_FAILURE(ChangeFolder(system));
  struct Case {
    std::wstring line;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"\"" + system + L"\\app.exe\" /x \"" + system + L"\\a b\"",
       L"\"" + wow64 + L"\\app.exe\" /x \"" + system + L"\\a b\""},
      {system + L"\\app.exe /x", wow64 + L"\\app.exe /x"},
      {L".\\app.exe", wow64 + L"\\app.exe"},
      {L"notepad.exe \"" + system + L"\\a.log\"", L"notepad.exe \"" + system + L"\\a.log\""},
      {L"notepad", L"notepad"},
      {L"\"C:\\Program Files\\app.exe\" /x", L"\"C:\\Program Files\\app.exe\" /x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideToUtf8(FileSystemCommandLine(c.line)), WideToUtf8(c.expected))
        << WideToUtf8(c.line);
  }
  EXPECT_EQ(WideToUtf8(FileSystemProgramPath(L"readme.txt")), "readme.txt");
  EXPECT_EQ(WideToUtf8(FileSystemProgramPath(system + L"\\readme.txt")),
            WideToUtf8(wow64 + L"\\readme.txt"));
}

#else

// The 32-bit program switches the system's own redirection: the SysWOW64 folder's file is seen
// under the system folder's name until the switch, and afterwards no more.
TEST(Program32Redirection, SwitchesTheSystemsRedirection) {
  if (!SystemIs64Bit()) GTEST_SKIP() << "needs a 64-bit prefix";
  const std::wstring name = OwnName() + L".txt";
  WriteText(Wow64Folder() / name, "32-bit");
  const std::wstring named = SystemFolder() + L"\\" + name;
  EXPECT_TRUE(Exists(named));
  {
    RedirectionRestored redirection;
    ASSERT_TRUE(redirection.Disable());
    EXPECT_FALSE(Exists(named));
  }
  EXPECT_TRUE(Exists(named));
  RemoveFromSystemFolders(name);
}

#endif

// ---- The file layer under redirection (both builds) ----

// Each test works in a folder of its own in the system folder and removes it from both real
// folders afterwards.
class FileRedirection : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (!SystemIs64Bit()) GTEST_SKIP() << "needs a 64-bit prefix";
    name_ = OwnName();
    RemoveFromSystemFolders(name_);
  }

  void TearDown() override {
    RemoveFromSystemFolders(name_);
    SystemTest::TearDown();
  }

  // The test's folder as the program names it, and where it really is for a 32-bit program
  // and for a 64-bit one.
  std::wstring Named() const { return SystemFolder() + L"\\" + name_; }
  fs::path In32() const { return Wow64Folder() / name_; }
  fs::path In64(bool redirectionOff = false) const {
    return RealSystemFolder(redirectionOff) / name_;
  }

 private:
  std::wstring name_;
};

// The program's own file operations, each named by its system-folder path, reach the SysWOW64
// folder, and with redirection off the system folder itself.
TEST_F(FileRedirection, FileOperationsReachTheRedirectedFolder) {
  for (const bool off : {false, true}) {
    SCOPED_TRACE(off ? "redirection off" : "redirection on");
    RedirectionRestored redirection;
    if (off) {
      ASSERT_TRUE(redirection.Disable());
    }
    const fs::path there = off ? In64(true) : In32();
    const fs::path elsewhere = off ? In32() : In64();
    const std::wstring named = Named();

    std::vector<std::wstring> created;
    ASSERT_EQ(CreateDirectoryTree(named + L"\\sub", created), 0u);
    EXPECT_TRUE(fs::is_directory(there / L"sub"));
    EXPECT_FALSE(Exists(elsewhere));
    EXPECT_TRUE(IsExistingDirectory(named + L"\\sub"));

    const DateTime date{2020, 2, 3, 4, 5, 6};
    WriteText(there / L"sub" / L"a.txt", "a");
    ASSERT_TRUE(SetFileTimes(named + L"\\sub\\a.txt", date));
    DateTime read;
    ASSERT_TRUE(GetFileDate(named + L"\\sub\\a.txt", read));
    EXPECT_EQ(read, date);
    fs::copy_file(TestProgramFolder() / L"versioned-1.0.dll", there / L"v.dll");
    EXPECT_EQ(GetFileVersion(named + L"\\v.dll"), "1.0");

    EXPECT_EQ(MoveFileWithOptions(named + L"\\sub\\a.txt", named + L"\\b.txt", 0), 0u);
    EXPECT_EQ(ReadText(there / L"b.txt"), "a");
    EXPECT_EQ(DeleteFileWithOptions(named + L"\\b.txt", 0), 0u);
    EXPECT_FALSE(Exists(there / L"b.txt"));
    RemoveDirectoryIfEmpty(AsU16(named + L"\\sub"));
    EXPECT_FALSE(Exists(there / L"sub"));

    // A temporary file is named in the folder as the program names it.
    const std::wstring temporary = NewTemporaryFile(named, L"KWV");
    ASSERT_FALSE(temporary.empty());
    EXPECT_EQ(fs::path(temporary).parent_path().wstring(), named);
    EXPECT_TRUE(Exists(there / fs::path(temporary).filename()));
    redirection.Restore();
    EXPECT_FALSE(Exists(elsewhere));
    RemoveFromSystemFolders(fs::path(named).filename().wstring());
  }
}

// What lies in a folder both kinds of program share is reached there, whatever the switch says.
TEST_F(FileRedirection, SharedFoldersAreNotRedirected) {
  const std::wstring shared =
      SystemFolder() + L"\\spool\\" + fs::path(Named()).filename().wstring();
  const fs::path real = RealSystemFolder() / L"spool" / fs::path(shared).filename();
  std::vector<std::wstring> created;
  ASSERT_EQ(CreateDirectoryTree(shared, created), 0u);
  EXPECT_TRUE(fs::is_directory(real));
  EXPECT_FALSE(Exists(Wow64Folder() / L"spool" / fs::path(shared).filename()));
  EXPECT_EQ(DeleteFileWithOptions(shared + L"\\missing.txt", kDeleteMissingIsSuccess), 0u);
  RemoveDirectoryIfEmpty(AsU16(shared));
  EXPECT_FALSE(Exists(real));
}

// ---- Restart-time work (the restart prefix only) ----

class RestartPrefixRedirection : public FileRedirection {
 protected:
  void SetUp() override {
    if (!InRestartPrefix()) GTEST_SKIP() << "restarts its prefix; runs in the restart prefix only";
    FileRedirection::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (!PendingOperations().empty()) {
      ASSERT_TRUE(RestartPrefix());
    }
  }
};

// A locked file in the system folder is replaced at the restart where it really is, and one
// named through Sysnative in the system folder itself (whose short form must not be mapped a
// second time). The report keeps the names the run was given; the system's list of pending
// operations names the real places.
TEST_F(RestartPrefixRedirection, LockedSystemFileIsReplacedWhereItIs) {
  const std::wstring windows = fs::path(SystemFolder()).parent_path().wstring();
  const std::wstring name = fs::path(Named()).filename().wstring();
  struct Case {
    const char* name;
    std::wstring folder;  // as the run names it
    fs::path real;
    fs::path other;
  };
  const Case cases[] = {
      {"SystemFolder", Named(), In32(), In64()},
      {"Sysnative", windows + L"\\Sysnative\\" + name, In64(), In32()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring dest = c.folder + L"\\app.dll";
    WriteText(c.real / L"app.dll", "old");
    UniqueFileHandle lock = LockFile(c.real / L"app.dll");
    ASSERT_TRUE(lock);

    const std::string content = "new";
    std::u16string wideReport;
    ASSERT_TRUE(ReplaceLockedFile(
        dest, ByteSpan(reinterpret_cast<const uint8_t*>(content.data()), content.size()),
        DateTime{2021, 3, 4, 5, 6, 7}, wideReport))
        << WideToUtf8(wideReport);
    const std::string report = WideToUtf8(wideReport);
    const std::string head = "\"" + N(dest) +
                             "\" was successfully registered for replacement.\r\n"
                             "Temporary file is \"" +
                             N(c.folder) + "\\KWV";
    ASSERT_TRUE(report.starts_with(head)) << report;
    const size_t nameStart = head.size() - 3;
    const std::string temporary = report.substr(nameStart, report.find('"', nameStart) - nameStart);
    EXPECT_TRUE(Exists(c.real / temporary)) << temporary;
    EXPECT_EQ(PendingPairs().count(
                  {LowerPath(c.real / Utf8ToWide(temporary)), LowerPath(c.real / L"app.dll")}),
              1u);

    lock.Reset();
    ASSERT_TRUE(RestartPrefix());
    EXPECT_EQ(ReadText(c.real / L"app.dll"), content);
    EXPECT_FALSE(Exists(c.real / temporary));
    EXPECT_FALSE(Exists(c.other));
    RemoveFromSystemFolders(name);
  }
}

// ---- Whole installations ----

// A product installs a system file and a file sent to a folder of the system folder, and is
// uninstalled again. A 32-bit product's files reach the SysWOW64 folder, a 64-bit product's
// the system folder itself; both are recorded and counted under the system folder's name, and
// the uninstaller removes the file and its folder from where they are.
class RedirectedInstallation : public InstallSequence {
 protected:
  PrefixLock lock_{L"SharedDlls"};  // the installation counts the system file there

  void SetUp() override {
    InstallSequence::SetUp();
    if (!SystemIs64Bit()) GTEST_SKIP() << "needs a 64-bit prefix";
    name_ = OwnName();
    RemoveFromSystemFolders(name_);
    RemoveFromSystemFolders(name_ + L".dll");
    DeleteRegistration(name_);
    ASSERT_TRUE(counts_.Open());
    DeleteSharedCount();
  }

  void TearDown() override {
    RemoveFromSystemFolders(name_);
    RemoveFromSystemFolders(name_ + L".dll");
    DeleteRegistration(name_);
    DeleteSharedCount();
    counts_.Release();
    InstallSequence::TearDown();
  }

  std::wstring SystemFile() const { return SystemFolder() + L"\\" + name_ + L".dll"; }
  std::wstring SentFolder() const { return SystemFolder() + L"\\" + name_; }

  // The system file's count, in the registry view the program uses.
  std::optional<DWORD> SharedCount() const {
    DWORD count = 0;
    DWORD size = sizeof count;
    if (::RegQueryValueExW(counts_.Get(), SystemFile().c_str(), nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&count), &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return count;
  }

  void DeleteSharedCount() const {
    if (counts_) ::RegDeleteValueW(counts_.Get(), SystemFile().c_str());
  }

  std::wstring name_;
  SharedCountsKey counts_;
};

TEST_F(RedirectedInstallation, FilesReachTheProductsSystemFolder) {
  struct Case {
    const char* name;
    uint8_t bitness;
    bool in32;  // the SysWOW64 folder
  };
  const Case cases[] = {
      {"AnyBitness", 0, true},
      {"SixtyFourBit", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path there = c.in32 ? Wow64Folder() : RealSystemFolder();
    const fs::path elsewhere = c.in32 ? RealSystemFolder() : Wow64Folder();
    const fs::path app = Folder() / c.name;

    ProductSettings product = SequenceProduct(kQuiet | kFlagUninstallable |
                                              kFlagWriteInstallLogAlways | kFlagDetailedLog);
    product.Bitness = c.bitness;
    product.DisplayName = AsU16(name_);
    product.UninstallSubdir = u"Uninstall";
    product.uninstallerName = u"uninstall.exe";
    builder::PayloadFile system = MakeFile(WideToUtf8(name_) + ".dll", "system");
    system.kind = kSystemFile;
    builder::PayloadFile sent = MakeFile("sent.txt", "sent");
    sent.destination = "%SystemDir%\\" + WideToUtf8(name_) + "\\";
    RunResult installed =
        RunInstaller(MakeInstaller(MakePayload({system, sent}, {}, 0, SettingsStream(product))),
                     DirectorySwitch(app) + L" /a");
    ASSERT_EQ(installed.exitCode, 1u) << installed;

    EXPECT_EQ(ReadText(there / (name_ + L".dll")), "system");
    EXPECT_EQ(ReadText(there / name_ / L"sent.txt"), "sent");
    EXPECT_FALSE(Exists(elsewhere / (name_ + L".dll")));
    EXPECT_FALSE(Exists(elsewhere / name_));

    const std::string log = ReadText(app / L"Uninstall" / L"Install.LOG");
    EXPECT_NE(log.find(" >>> " + N(SystemFile()) + "\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" >>> " + N(SentFolder()) + "\\sent.txt\r\n"), std::string::npos) << log;
    const UninstallRecord record =
        ParseUninstallRecord(ReadText(app / L"Uninstall" / L"Uninstall.DAT"));
    const auto recorded = [&record](const std::string& entry) {
      return std::find(record.removalEntries.begin(), record.removalEntries.end(), entry) !=
             record.removalEntries.end();
    };
    EXPECT_TRUE(recorded(N(SentFolder()) + "\\sent.txt"));
    EXPECT_TRUE(recorded("~" + N(SentFolder())));
    EXPECT_EQ(SharedCount(), std::optional<DWORD>(1));

    const std::wstring temp = MadeFolder("temp").wstring();
    RunOptions options;
    options.environment = {{L"TMP", temp}, {L"TEMP", temp}};
    const RunResult removed =
        Run(app / L"Uninstall" / L"uninstall.exe", L"/u:\"" + name_ + L"\" /a", options);
    EXPECT_EQ(removed.exitCode, 0u) << removed;
    EXPECT_FALSE(Exists(there / name_));
    // A system file stays for whoever else uses it.
    EXPECT_EQ(ReadText(there / (name_ + L".dll")), "system");
    EXPECT_FALSE(Exists(elsewhere / (name_ + L".dll")));
    EXPECT_FALSE(Exists(elsewhere / name_));

    RemoveFromSystemFolders(name_ + L".dll");
    DeleteRegistration(name_);
    DeleteSharedCount();
  }
}

}  // namespace
}  // namespace qs::systest
