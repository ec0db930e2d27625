// The delete and move operations with their option bits, and the work postponed to the next
// restart: locked files replaced from a prepared copy, deletions, reboot.dat, wininit.ini and
// the clean-up of operations left pending. Everything runs inside the test process.
//
// The restart suites (RestartPrefix...) restart their prefix with `wineboot -r`, which carries
// out every pending operation of the prefix, so they run only in the prefix made for them
// (QS_PREFIX_NAME "restart"; ctest entry system_tests_restart) and skip elsewhere.
#include <windows.h>

#include <aclapi.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/handle_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "file_fixtures.h"
#include "files/deferred_operations_win.h"
#include "files/file_queries_win.h"
#include "files/pending_operations_win.h"
#include "harness_win.h"
#include "install_sequence_fixture.h"
#include "integration/shell_folders_win.h"
#include "restart_fixtures.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

std::string N(const fs::path& path) {
  return Narrow(path.wstring());
}

std::wstring W(const fs::path& path) {
  return path.wstring();
}

std::wstring ShortForm(const fs::path& path) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? path.wstring() : std::wstring(buffer, length);
}

// ---- Operations with their option bits (any prefix) ----

class DeferredOperations : public SystemTest {};

TEST_F(DeferredOperations, DeleteOptions) {
  struct Case {
    const char* name;
    bool create;
    std::string content;
    DWORD attributes;
    bool lock;
    uint32_t options;
    DWORD error;
    bool remains;
  };
  const Case cases[] = {
      {"missing", false, "", 0, false, 0, ERROR_FILE_NOT_FOUND, false},
      {"missing is fine", false, "", 0, false, kDeleteMissingIsSuccess, 0, false},
      {"only if empty, not empty", true, "x", 0, false, kDeleteOnlyIfEmpty, ERROR_DIR_NOT_EMPTY,
       true},
      {"only if empty, empty", true, "", 0, false, kDeleteOnlyIfEmpty, 0, false},
      {"only if empty, missing is fine", false, "", 0, false,
       kDeleteOnlyIfEmpty | kDeleteMissingIsSuccess, 0, false},
      {"read-only", true, "x", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, false, 0, 0, false},
      {"read-only, attributes kept", true, "x", FILE_ATTRIBUTE_READONLY, false,
       kDeleteKeepAttributes, ERROR_ACCESS_DENIED, true},
      {"locked", true, "x", 0, true, 0, ERROR_SHARING_VIOLATION, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = Folder() / c.name / "file.txt";
    fs::create_directories(path.parent_path());
    if (c.create) WriteText(path, c.content);
    if (c.attributes) ::SetFileAttributesW(path.c_str(), c.attributes);
    UniqueFileHandle lock;
    if (c.lock) lock = LockFile(path);

    EXPECT_EQ(DeleteFileWithOptions(W(path), c.options), c.error);
    lock.Reset();
    EXPECT_EQ(fs::exists(path), c.remains);
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  // A folder on the way that is missing counts as missing too.
  EXPECT_EQ(DeleteFileWithOptions(W(Folder() / "none" / "file.txt"), 0), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(DeleteFileWithOptions(W(Folder() / "none" / "file.txt"), kDeleteMissingIsSuccess), 0u);
}

TEST_F(DeferredOperations, MoveOptions) {
  struct Case {
    const char* name;
    const char* target;  // relative to the case's folder
    bool targetExists;
    DWORD targetAttributes;
    bool lockTarget;
    uint32_t options;
    DWORD error;
    const char* movedTo;  // where the source's content ends up; null: nowhere
  };
  const Case cases[] = {
      {"plain rename", "target.txt", false, 0, false, 0, 0, "target.txt"},
      {"existing target is replaced", "target.txt", true, 0, false, 0, 0, "target.txt"},
      {"read-only target is replaced", "target.txt", true, FILE_ATTRIBUTE_READONLY, false, 0, 0,
       "target.txt"},
      {"must exist, missing", "target.txt", false, 0, false, kMoveTargetMustExist,
       ERROR_FILE_NOT_FOUND, nullptr},
      {"must exist, present", "target.txt", true, 0, false, kMoveTargetMustExist, 0, "target.txt"},
      {"must not exist, present", "target.txt", true, 0, false, kMoveTargetMustNotExist,
       ERROR_FILE_EXISTS, nullptr},
      {"must not exist, missing", "target.txt", false, 0, false, kMoveTargetMustNotExist, 0,
       "target.txt"},
      {"refuse read-only", "target.txt", true, FILE_ATTRIBUTE_READONLY, false,
       kMoveRefuseReadOnlyTarget, ERROR_ACCESS_DENIED, nullptr},
      {"folders missing", "a\\b\\target.txt", false, 0, false, 0, ERROR_PATH_NOT_FOUND, nullptr},
      {"folders made", "a\\b\\target.txt", false, 0, false, kMoveCreateFolders, 0,
       "a\\b\\target.txt"},
      {"into a folder", "sub", false, 0, false, kMoveIntoFolder | kMoveCreateFolders, 0,
       "sub\\source.txt"},
      {"target in use", "target.txt", true, 0, true, 0, ERROR_SHARING_VIOLATION, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = Folder() / c.name;
    const fs::path source = folder / "source.txt";
    const fs::path target = folder / c.target;
    WriteText(source, "new");
    if (c.options & kMoveIntoFolder) fs::create_directories(target);
    if (c.targetExists) WriteText(target, "old");
    if (c.targetAttributes) ::SetFileAttributesW(target.c_str(), c.targetAttributes);
    UniqueFileHandle lock;
    if (c.lockTarget) lock = LockFile(target);

    EXPECT_EQ(MoveFileWithOptions(W(source), W(target), c.options), c.error);
    lock.Reset();
    if (c.movedTo) {
      EXPECT_FALSE(fs::exists(source));
      EXPECT_EQ(ReadText(folder / c.movedTo), "new");
    } else {
      EXPECT_EQ(ReadText(source), "new");
      if (c.targetExists) {
        EXPECT_EQ(ReadText(target), "old");
      }
    }
    ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  // A relative target is taken against the source's folder, an absolute one as it stands.
  const fs::path source = Folder() / "relative" / "source.txt";
  WriteText(source, "new");
  EXPECT_EQ(MoveFileWithOptions(W(source), L"moved.txt", kMoveTargetRelativeToSource), 0u);
  EXPECT_EQ(ReadText(Folder() / "relative" / "moved.txt"), "new");
  const fs::path absolute = Folder() / "absolute.txt";
  EXPECT_EQ(MoveFileWithOptions(W(Folder() / "relative" / L"moved.txt"), W(absolute),
                                kMoveTargetRelativeToSource),
            0u);
  EXPECT_EQ(ReadText(absolute), "new");
}

TEST_F(DeferredOperations, NoTemporaryFileIsReported) {
  // The destination's folder is missing, and so is the temporary folder the system names
  // (for which the system says "the directory name is invalid").
  const fs::path dest = Folder() / "missing" / "app.dll";
  wchar_t oldTmp[MAX_PATH] = {}, oldTemp[MAX_PATH] = {};
  const bool hadTmp = ::GetEnvironmentVariableW(L"TMP", oldTmp, MAX_PATH) != 0;
  const bool hadTemp = ::GetEnvironmentVariableW(L"TEMP", oldTemp, MAX_PATH) != 0;
  const std::wstring nowhere = (Folder() / "no temp").wstring();
  ::SetEnvironmentVariableW(L"TMP", nowhere.c_str());
  ::SetEnvironmentVariableW(L"TEMP", nowhere.c_str());
  const uint8_t data[] = {'n', 'e', 'w'};
  std::u16string report = u"before\r\n";
  const bool replaced = ReplaceLockedFile(W(dest), data, DateTime{}, report);
  ::SetEnvironmentVariableW(L"TMP", hadTmp ? oldTmp : nullptr);
  ::SetEnvironmentVariableW(L"TEMP", hadTemp ? oldTemp : nullptr);

  EXPECT_FALSE(replaced);
  EXPECT_EQ(WideToUtf8(report),
            "before\r\nFailed to register '" + N(dest) +
                "' for replacement because no temporary file could be created.\r\n" +
                SystemErrorText(ERROR_DIRECTORY) + "\r\n\r\n");
  EXPECT_FALSE(fs::exists(Folder() / "no temp"));
}

// ---- Restart-time work (the restart prefix only) ----

class RestartPrefixDeferred : public SystemTest {
 protected:
  void SetUp() override {
    if (!InRestartPrefix()) GTEST_SKIP() << "restarts its prefix; runs in the restart prefix only";
    SystemTest::SetUp();
    if (HasFatalFailure()) return;
    // Start from a prefix with nothing pending, whatever an earlier test left.
    std::error_code ignored;
    fs::remove(fs::path(WinDir()) / "wininit.ini", ignored);
    if (!PendingOperations().empty()) {
      ASSERT_TRUE(RestartPrefix());
    }
  }
};

TEST_F(RestartPrefixDeferred, LockedFileIsReplacedAtRestart) {
  const fs::path dest = Folder() / "app.dll";
  WriteText(dest, "old");
  UniqueFileHandle lock = LockFile(dest);
  ASSERT_TRUE(lock);

  const std::string content = "new content";
  const DateTime date{2021, 3, 4, 5, 6, 7};
  std::u16string report;
  ASSERT_TRUE(ReplaceLockedFile(
      W(dest), ByteSpan(reinterpret_cast<const uint8_t*>(content.data()), content.size()), date,
      report))
      << WideToUtf8(report);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_BUSY));

  // "dest" was successfully registered ... Temporary file is "...\KWVnnnn.tmp" ...
  const std::string head = "\"" + N(dest) +
                           "\" was successfully registered for replacement.\r\n"
                           "Temporary file is \"";
  const std::string tail = "\"\r\nReboot will be required.\r\n\r\n";
  const std::string text = WideToUtf8(report);
  ASSERT_TRUE(text.starts_with(head) && text.ends_with(tail)) << text;
  const fs::path temporary(
      Utf8ToWide(text.substr(head.size(), text.size() - head.size() - tail.size())));
  EXPECT_EQ(temporary.parent_path(), dest.parent_path());
  const std::string name = temporary.filename().string();
  EXPECT_TRUE(name.starts_with("KWV") && name.ends_with(".tmp")) << name;
  EXPECT_EQ(ReadText(temporary), content);

  DateTime written;
  ASSERT_TRUE(GetFileDate(W(temporary), written));
  EXPECT_EQ(written, date);
  EXPECT_EQ(::GetFileAttributesW(temporary.c_str()) &
                (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            0u);

  // The world identity may read the file, not change it.
  PACL acl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::wstring tempName = temporary.wstring();
  ASSERT_EQ(::GetNamedSecurityInfoW(tempName.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &acl, nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(
      ::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  bool granted = false;
  bool writable = false;
  for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!::GetAce(acl, i, reinterpret_cast<void**>(&ace))) continue;
    if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    if (!::EqualSid(&ace->SidStart, everyone)) continue;
    granted = granted || (ace->Mask & (GENERIC_READ | FILE_READ_DATA)) != 0;
    writable = writable || (ace->Mask & (GENERIC_ALL | GENERIC_WRITE | FILE_WRITE_DATA)) != 0;
  }
  ::FreeSid(everyone);
  ::LocalFree(descriptor);
  EXPECT_TRUE(granted);
  EXPECT_FALSE(writable);

  const std::u16string shortTemporary = LowerCasePath(AsU16(ShortForm(temporary)));
  EXPECT_EQ(PendingPairs().count({shortTemporary, LowerPath(dest)}), 1u);

  // Still locked: nothing happened to it yet.
  lock.Reset();
  EXPECT_EQ(ReadText(dest), "old");
  ASSERT_TRUE(RestartPrefix());
  EXPECT_EQ(ReadText(dest), content);
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_TRUE(PendingOperations().empty());
}

TEST_F(RestartPrefixDeferred, DeletionsWaitForTheRestart) {
  const fs::path direct = Folder() / "direct.txt";
  const fs::path asked = Folder() / "asked.txt";
  const fs::path fallback = Folder() / "fallback.txt";
  const fs::path refused = Folder() / "refused.txt";
  const fs::path marker = Folder() / "reboot.dat";
  for (const fs::path& path : {direct, asked, fallback, refused}) WriteText(path, "x");

  EXPECT_TRUE(DeleteAtRestart(W(direct)));
  EXPECT_EQ(DeleteFileWithOptions(W(asked), kDeleteAtRestart), 0u);
  {
    UniqueFileHandle lockFallback = LockFile(fallback);
    UniqueFileHandle lockRefused = LockFile(refused);
    EXPECT_EQ(DeleteFileWithOptions(W(fallback), kDeleteAtRestartOnFailure), 0u);
    EXPECT_EQ(DeleteFileWithOptions(W(refused), 0), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  MarkRestartPending(Folder().u16string());
  ASSERT_TRUE(fs::exists(marker));
  EXPECT_EQ(fs::file_size(marker), 0u);

  const auto pairs = PendingPairs();
  for (const fs::path& path : {direct, asked, fallback, marker}) {
    EXPECT_EQ(pairs.count({LowerPath(path), u""}), 1u) << path.string();
    EXPECT_TRUE(fs::exists(path)) << path.string();
  }
  ASSERT_TRUE(RestartPrefix());
  for (const fs::path& path : {direct, asked, fallback, marker}) {
    EXPECT_FALSE(fs::exists(path)) << path.string();
  }
  EXPECT_TRUE(fs::exists(refused));
}

TEST_F(RestartPrefixDeferred, MoveAtRestart) {
  const fs::path source = Folder() / "source.txt";
  const fs::path target = Folder() / "target.txt";
  WriteText(source, "new");
  WriteText(target, "old");
  // The target's existence is no obstacle: the restart replaces it.
  EXPECT_EQ(MoveFileWithOptions(W(source), W(target), kMoveAtRestart), 0u);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_BUSY));
  EXPECT_EQ(ReadText(target), "old");
  ASSERT_TRUE(RestartPrefix());
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_FALSE(fs::exists(source));
}

TEST_F(RestartPrefixDeferred, PendingOperationsOnInstalledFilesAreDropped) {
  // An earlier run left a replacement of a.dll and a deletion of b.dll pending; this run has
  // just installed both. The pending work on other files stays.
  const fs::path a = Folder() / "App" / "A.dll";
  const fs::path b = Folder() / "App" / "B.dll";
  const fs::path c = Folder() / "App" / "c.dll";
  const fs::path d = Folder() / "App" / "d.dll";
  const fs::path prepared = Folder() / "App" / "KWV1.tmp";
  const fs::path otherPrepared = Folder() / "App" / "KWV2.tmp";
  for (const fs::path& path : {a, b, c, d}) WriteText(path, "installed");
  WriteText(prepared, "older");
  WriteText(otherPrepared, "prepared");
  ASSERT_TRUE(ReplaceAtRestart(W(prepared), W(a)));
  ASSERT_TRUE(DeleteAtRestart(W(b)));
  ASSERT_TRUE(DeleteAtRestart(W(c)));
  ASSERT_TRUE(ReplaceAtRestart(W(otherPrepared), W(d)));
  const std::pair<std::u16string, std::u16string> moveOntoA{LowerPath(prepared), LowerPath(a)},
      deleteB{LowerPath(b), u""}, deleteC{LowerPath(c), u""},
      moveOntoD{LowerPath(otherPrepared), LowerPath(d)};
  const auto before = PendingPairs();
  for (const auto& pair : {moveOntoA, deleteB, deleteC, moveOntoD}) {
    ASSERT_EQ(before.count(pair), 1u);
  }

  std::u16string log = u"before";
  RemoveFromPendingOperations({LowerPath(a), LowerPath(b)}, &log);
  EXPECT_EQ(log, u"before\r\nFile \"" + LowerPath(a) +
                     u"\" was removed from the list of pending moves.\r\nFile \"" + LowerPath(b) +
                     u"\" was removed from the list of pending deletions.\r\n");
  const auto after = PendingPairs();
  EXPECT_EQ(after.size(), before.size() - 2);
  EXPECT_EQ(after.count(moveOntoA), 0u);
  EXPECT_EQ(after.count(deleteB), 0u);
  EXPECT_EQ(after.count(deleteC), 1u);
  EXPECT_EQ(after.count(moveOntoD), 1u);
  // The dropped replacement's prepared copy went to the Recycle Bin.
  EXPECT_FALSE(fs::exists(prepared));

  // Nothing more to drop: the list stays, and only the separating line is logged.
  log.clear();
  RemoveFromPendingOperations({LowerPath(a), LowerPath(b)}, &log);
  EXPECT_EQ(log, u"\r\n");
  EXPECT_EQ(PendingPairs(), after);

  ASSERT_TRUE(RestartPrefix());
  EXPECT_EQ(ReadText(a), "installed");
  EXPECT_EQ(ReadText(b), "installed");
  EXPECT_FALSE(fs::exists(c));
  EXPECT_EQ(ReadText(d), "prepared");

  // With nothing pending there is nothing to log.
  log.clear();
  RemoveFromPendingOperations({LowerPath(a)}, &log);
  EXPECT_EQ(log, u"");
}

TEST_F(RestartPrefixDeferred, RecycleBinTakesTheFile) {
  const fs::path path = Folder() / "recycled.txt";
  WriteText(path, "x");
  EXPECT_EQ(DeleteFileWithOptions(W(path), kDeleteToRecycleBin), 0u);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(DeleteFileWithOptions(W(path), kDeleteToRecycleBin), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DeleteFileWithOptions(W(path), kDeleteToRecycleBin | kDeleteMissingIsSuccess), 0u);
}

TEST_F(RestartPrefixDeferred, WininitLinesAreCarriedOutAtRestart) {
  const fs::path ini = fs::path(WinDir()) / "wininit.ini";
  const fs::path source = Folder() / "source.txt";
  const fs::path target = Folder() / "target.txt";
  const fs::path doomed = Folder() / "doomed.txt";
  WriteText(source, "new");
  WriteText(target, "old");
  WriteText(doomed, "x");
  WriteText(ini, "[boot]\r\nshell=explorer.exe\r\n");

  EXPECT_FALSE(WriteWininitRename(std::wstring(), W(source)));
  EXPECT_TRUE(WriteWininitRename(W(target), W(source)));
  EXPECT_TRUE(WriteWininitRename(std::wstring(L"NUL"), W(doomed)));
  EXPECT_EQ(ReadText(ini),
            "[boot]\r\nshell=explorer.exe\r\n[rename]\r\nNUL=" + WideToAnsi(ShortForm(doomed)) +
                "\r\n" + WideToAnsi(ShortForm(target)) + "=" + WideToAnsi(ShortForm(source)));

  ASSERT_TRUE(RestartPrefix());
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_FALSE(fs::exists(source));
  EXPECT_FALSE(fs::exists(doomed));
  std::error_code ignored;
  fs::remove(ini, ignored);
  fs::remove(fs::path(WinDir()) / "wininit.bak", ignored);
}

// A whole installation over a file that a running program holds open: the file is left for the
// restart, the run asks for one (automatic mode: without asking), and the restart brings the
// new content with its stored date.
TEST_F(RestartPrefixDeferred, InstallerLeavesALockedFileForTheRestart) {
  const fs::path app = Folder() / "app";
  const fs::path dest = app / "app.dll";
  WriteText(dest, "old");
  const ProductSettings product =
      SequenceProduct(kQuiet | kFlagReplaceAtRestartEvenIfNew | kFlagWriteInstallLogAlways);
  const builder::PayloadFile file = MakeFile("app.dll", "new content");
  const std::vector<uint8_t> installer =
      MakeInstaller(MakePayload({file}, {}, 0, SettingsStream(product)));

  UniqueFileHandle lock = LockFile(dest);
  ASSERT_TRUE(lock);
  const RunResult result = RunInstaller(installer, DirectorySwitch(app) + L" /a");
  lock.Reset();
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_EQ(result.Records("restart").size(), 1u) << result;
  EXPECT_EQ(ReadText(dest), "old");

  const std::string log = ReadText(app / "Install.LOG");
  const std::string registered =
      "\"" + N(dest) + "\" was successfully registered for replacement.\r\nTemporary file is \"";
  const size_t at = log.find(registered);
  ASSERT_NE(at, std::string::npos) << log;
  const size_t nameStart = at + registered.size();
  const size_t nameEnd = log.find("\"\r\nReboot will be required.\r\n", nameStart);
  ASSERT_NE(nameEnd, std::string::npos) << log;
  const fs::path temporary(Widen(log.substr(nameStart, nameEnd - nameStart)));
  EXPECT_EQ(temporary.parent_path(), app);
  EXPECT_EQ(ReadText(temporary), "new content");
  EXPECT_EQ(PendingPairs().count({LowerCasePath(AsU16(ShortForm(temporary))), LowerPath(dest)}),
            1u);

  ASSERT_TRUE(RestartPrefix());
  EXPECT_EQ(ReadText(dest), "new content");
  EXPECT_FALSE(fs::exists(temporary));
  DateTime date;
  ASSERT_TRUE(GetFileDate(W(dest), date));
  EXPECT_EQ(date, file.dateTime);
}

}  // namespace
}  // namespace qs::systest
