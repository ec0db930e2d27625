// The file layer on a real (Wine) file system, inside the test process: writing an installed
// file with its retries, read-back, date and attributes, the failure reports of a file that
// cannot be written, and the existence, date and version queries of the replacement rules.
// Nothing here is left for the next restart.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/handle_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "base/version_compare.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "file_fixtures.h"
#include "files/file_queries_win.h"
#include "files/file_writer_win.h"
#include "harness_win.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kKeepAttributes = 0xFFFFFFFF;
const char16_t kCannotWrite[] = u"Cannot write the file";

DateTime At(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
            int32_t second) {
  return DateTime{year, month, day, hour, minute, second};
}

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = 0x12345678;
  for (uint8_t& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(state >> 16);
  }
  return bytes;
}

// Holds a file open without sharing, as another program would, for as long as it lives.
UniqueFileHandle HoldLocked(const fs::path& path) {
  return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// A drive letter the running system reports as missing.
char MissingDriveLetter() {
  for (char letter = 'Q'; letter <= 'Y'; ++letter) {
    const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', 0};
    if (::GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) return letter;
  }
  return 0;
}

// The writer reads the product's flags and kTextCannotWriteFile: each test starts from a product
// without flags whose only text is that one, and sets the flags it needs.
class FileWriter : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    Product() = ProductSettings{};
    LanguageTable& table = Product().languages;
    table.names = {"English"};
    table.textCount = kTextCannotWriteFile + 1;
    table.texts.assign(table.textCount, u"");
    table.texts[kTextCannotWriteFile] = kCannotWrite;
    Texts() = LanguageTexts(&table, PlaceholderValues{});
  }
  void TearDown() override {
    // Read-only files would keep the test's folder from being removed.
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(Folder(), ignored)) {
      ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    SystemTest::TearDown();
  }

  // The report of a file that could not be written and was not deferred.
  // The report as text (UTF-8 here): the destination is named whole, whatever its stored form.
  static std::string FailureReport(const std::u16string& dest, const std::string& reason) {
    return "\r\n" + WideToUtf8(kCannotWrite) + " " + Utf16ToUtf8(dest) + "\r\n" + reason;
  }
};

TEST_F(FileWriter, WritesTheDataWithItsDateAndTheMaskedAttributes) {
  constexpr DWORD kReadOnlyHidden = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  struct Case {
    const char* name;
    uint64_t flags;
    size_t size;
    DateTime date;
    uint32_t attributes;
    bool dateStamped;
    DWORD attributesAfter;  // within 0x1127 but for the archive bit; 0: not checked
  };
  const Case cases[] = {
      // Bits outside 0x1127 (here "directory" and a high bit) never reach the file.
      {"small", 0, 100, At(2019, 7, 5, 9, 3, 7),
       kReadOnlyHidden | FILE_ATTRIBUTE_DIRECTORY | 0x80000000u, true, kReadOnlyHidden},
      // More than one 1 MiB write and an odd tail, read back in 4 KiB blocks.
      {"large verified", kFlagVerifyWrittenFiles, 2 * 1024 * 1024 + 4097,
       At(2001, 1, 31, 23, 59, 58), FILE_ATTRIBUTE_READONLY, true, FILE_ATTRIBUTE_READONLY},
      {"empty verified", kFlagVerifyWrittenFiles, 0, At(2010, 12, 1, 0, 0, 0), kKeepAttributes,
       true, 0},
      // Without a time the file keeps the time of its writing.
      {"no time", 0, 10, At(2001, 1, 1, -1, 0, 0), kKeepAttributes, false, 0},
      {"no date", 0, 10, At(0, 0, 0, 12, 0, 0), FILE_ATTRIBUTE_SYSTEM, false,
       FILE_ATTRIBUTE_SYSTEM},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Product().ProductFlags = c.flags;
    const fs::path path = Folder() / ("file" + std::to_string(index++) + ".bin");
    const std::vector<uint8_t> data = Pattern(c.size);
    InstallRun run;
    bool deferred = true;
    ASSERT_TRUE(
        WriteInstalledFile(path.u16string(), data, c.date, run, c.attributes, false, deferred));
    EXPECT_FALSE(deferred);
    EXPECT_EQ(run.failureSummary, u"");
    EXPECT_EQ(run.installLog, u"");
    EXPECT_EQ(ReadBytes(path), data);

    DateTime written;
    ASSERT_TRUE(GetFileDate(path.wstring(), written));
    if (c.dateStamped) {
      EXPECT_EQ(written, c.date);
      UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
      FILETIME created{}, lastWrite{};
      ASSERT_TRUE(::GetFileTime(file.Get(), &created, nullptr, &lastWrite));
      EXPECT_EQ(::CompareFileTime(&created, &lastWrite), 0);
    } else {
      EXPECT_NE(written.year, c.date.year);
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    // Wine reports every file as archived whatever it is told, so that bit is not compared.
    if (c.attributesAfter != 0) {
      EXPECT_EQ(attributes & 0x1127 & ~FILE_ATTRIBUTE_ARCHIVE, c.attributesAfter);
    }
  }
}

TEST_F(FileWriter, AttributesAreClearedForTheRetriesOnlyWhenAsked) {
  // A file that stays locked through all three attempts shows what the first failure left
  // behind. (Wine run by root writes over read-only and hidden files, so their refusal itself
  // cannot be shown here.)
  constexpr DWORD kRefusing =
      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  struct Case {
    const char* name;
    uint64_t flags;
    DWORD attributesAfter;
  };
  const Case cases[] = {
      {"cleared", kFlagClearAttributesOnRetry, 0},
      {"kept", 0, kRefusing},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Product().ProductFlags = c.flags;
    const fs::path path = Folder() / ("held" + std::to_string(index++) + ".txt");
    UniqueFileHandle lock(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, kRefusing, nullptr));
    ASSERT_TRUE(lock.Valid());
    InstallRun run;
    bool deferred = true;
    EXPECT_FALSE(WriteInstalledFile(path.u16string(), Pattern(20), DateTime{}, run, kKeepAttributes,
                                    false, deferred));
    EXPECT_FALSE(deferred);
    EXPECT_EQ(
        WideToUtf8(run.failureSummary),
        FailureReport(path.u16string(), SystemErrorText(ERROR_SHARING_VIOLATION) + "\r\n\r\n"));
    EXPECT_EQ(::GetFileAttributesW(path.c_str()) & kRefusing, c.attributesAfter);
  }
}

TEST_F(FileWriter, MissingFoldersAreMadeAfterTheFirstAttempt) {
  const fs::path path = Folder() / "New" / "Deeper" / "file.txt";
  const std::vector<uint8_t> data = Pattern(300);
  InstallRun run;
  bool deferred = true;
  ASSERT_TRUE(WriteInstalledFile(path.u16string(), data, DateTime{}, run, kKeepAttributes, false,
                                 deferred));
  EXPECT_FALSE(deferred);
  EXPECT_EQ(ReadBytes(path), data);
  EXPECT_EQ(run.failureSummary, u"");
}

TEST_F(FileWriter, NonAsciiPathIsWrittenThroughTheWideCalls) {
  const fs::path path = Folder() / L"Fa\u00e7ade \u65e5\u672c" / L"\u00fcber.txt";
  const std::vector<uint8_t> data = Pattern(64);
  InstallRun run;
  bool deferred = true;
  ASSERT_TRUE(WriteInstalledFile(path.u16string(), data, At(2020, 2, 29, 12, 30, 0), run,
                                 kKeepAttributes, false, deferred));
  EXPECT_EQ(ReadBytes(path), data);
  DateTime written;
  ASSERT_TRUE(GetFileDate(path.wstring(), written));
  EXPECT_EQ(written, At(2020, 2, 29, 12, 30, 0));
  EXPECT_TRUE(FileExists(path.wstring()));
}

// Failures that are never left for the restart: the report goes to the failure summary, the
// log stays empty and no restart is asked for.
TEST_F(FileWriter, FailuresThatAreNotDeferred) {
  const fs::path locked = Folder() / "locked.dll";
  UniqueFileHandle lock = HoldLocked(locked);
  ASSERT_TRUE(lock.Valid());
  const char letter = MissingDriveLetter();
  ASSERT_NE(letter, 0) << "no free drive letter from Q: to Y:";
  const std::u16string onMissingDrive = {static_cast<char16_t>(letter - 'A' + 'a'), u':'};
  const std::string drivePresent = std::string("Drive ") + letter + ": is not present.\r\n";
  const std::string reasonLocked = SystemErrorText(ERROR_SHARING_VIOLATION) + "\r\n\r\n";
  const fs::path folder = Folder() / "folder.dll";
  fs::create_directories(folder / "inside");
  struct Case {
    const char* name;
    std::u16string dest;
    uint64_t flags;
    bool existedBefore;
    std::string reason;  // what the report says after its first line
  };
  const Case cases[] = {
      // The file did not exist before this run and bit 11 is clear.
      {"locked new file", locked.u16string(), 0, false, reasonLocked},
      // Even with both reasons for a deferral, an invalid name stays a plain failure.
      {"invalid name", Folder().u16string() + u"\\bad<name>.txt", kFlagReplaceAtRestartEvenIfNew,
       true, SystemErrorText(ERROR_INVALID_NAME) + "\r\n\r\n"},
      // Only a file another program holds is free at the restart: a folder in the way would
      // fail there as well.
      {"folder in the way", folder.u16string(), kFlagReplaceAtRestartEvenIfNew, true,
       SystemErrorText(ERROR_ACCESS_DENIED) + "\r\n\r\n"},
      {"missing drive", onMissingDrive + u"\\Apps\\Product\\tool.exe",
       kFlagReplaceAtRestartEvenIfNew, true, drivePresent},
      // A path with characters outside ASCII is named whole.
      {"missing drive, outside ASCII", onMissingDrive + u"\\Apps\\Pr\u00f6duct \u4e2d\\tool.exe",
       kFlagReplaceAtRestartEvenIfNew, true, drivePresent},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Product().ProductFlags = c.flags;
    InstallRun run;
    bool deferred = true;
    EXPECT_FALSE(WriteInstalledFile(c.dest, Pattern(10), At(2019, 7, 5, 9, 3, 7), run,
                                    kKeepAttributes, c.existedBefore, deferred));
    EXPECT_FALSE(deferred);
    EXPECT_EQ(run.installLog, u"");
    EXPECT_EQ(WideToUtf8(run.failureSummary), FailureReport(c.dest, c.reason));
    EXPECT_EQ(Product().ProductFlags, c.flags);
  }
  EXPECT_EQ(::GetFileSize(lock.Get(), nullptr), 0u);
}

TEST_F(FileWriter, ExistenceCountsFoldersAndLockedFiles) {
  const fs::path file = WriteFile("present.txt", Pattern(5));
  const fs::path locked = Folder() / "held.txt";
  UniqueFileHandle lock = HoldLocked(locked);
  ASSERT_TRUE(lock.Valid());
  fs::create_directories(Folder() / "Sub");
  struct Case {
    const char* name;
    fs::path path;
    bool exists;
  };
  const Case cases[] = {
      {"file", file, true},
      {"folder", Folder() / "Sub", true},
      {"folder with a backslash", Folder().wstring() + L"\\Sub\\", true},
      {"locked file", locked, true},
      {"missing file", Folder() / "absent.txt", false},
      {"in a missing folder", Folder() / "Nowhere" / "absent.txt", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileExists(c.path.wstring()), c.exists);
  }
}

TEST_F(FileWriter, OpenReportsTheFileLayersCodes) {
  const fs::path locked = Folder() / "held.txt";
  UniqueFileHandle lock = HoldLocked(locked);
  ASSERT_TRUE(lock.Valid());
  const fs::path present = WriteFile("present.txt", Pattern(5));
  const char letter = MissingDriveLetter();
  ASSERT_NE(letter, 0);

  struct Case {
    const char* name;
    std::wstring path;
    DWORD access;
    DWORD disposition;
    OpenResult result;
  };
  const Case cases[] = {
      {"missing file", (Folder() / "absent.txt").wstring(), GENERIC_READ, OPEN_EXISTING,
       kOpenFileNotFound},
      {"missing folder", (Folder() / "Nowhere" / "x.txt").wstring(), GENERIC_READ, OPEN_EXISTING,
       kOpenDirectoryMissing},
      {"missing drive", std::wstring(1, static_cast<wchar_t>(letter)) + L":\\Nowhere\\x.txt",
       GENERIC_READ, OPEN_EXISTING, kOpenNoDrive},
      {"locked", locked.wstring(), GENERIC_READ, OPEN_EXISTING, kOpenLocked},
      {"present", present.wstring(), GENERIC_READ, OPEN_EXISTING, kOpenSuccess},
      {"exclusive create", present.wstring(), GENERIC_READ, CREATE_NEW, kOpenFileExists},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DWORD start = ::GetTickCount();
    const FileOpen open =
        OpenFileForLayer(c.path, c.access, FILE_SHARE_READ, c.disposition, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(open.result, c.result) << "system error " << open.error;
    EXPECT_EQ(open.handle.Valid(), c.result == kOpenSuccess);
    // A locked file is tried five more times, 100 ms apart.
    if (c.result == kOpenLocked) {
      EXPECT_GE(::GetTickCount() - start, 450u);
    }
  }
}

TEST_F(FileWriter, DateComesFromTheFolderListing) {
  const fs::path path = WriteFile("dated.txt", Pattern(5));
  FILETIME time{};
  SYSTEMTIME system{2004, 2, 0, 29, 23, 1, 2, 999};
  ASSERT_TRUE(::SystemTimeToFileTime(&system, &time));
  {
    UniqueFileHandle file(
        ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &time));
  }
  DateTime date;
  ASSERT_TRUE(GetFileDate(path.wstring(), date));
  EXPECT_EQ(date, At(2004, 2, 29, 23, 1, 2));  // milliseconds dropped, no time-zone shift

  DateTime untouched = At(1999, 1, 1, 1, 1, 1);
  EXPECT_FALSE(GetFileDate((Folder() / "absent.txt").wstring(), untouched));
  // A pattern names no single file.
  EXPECT_FALSE(GetFileDate((Folder() / "*.txt").wstring(), untouched));
  EXPECT_EQ(untouched, At(1999, 1, 1, 1, 1, 1));
}

TEST_F(FileWriter, DateConversionRefusesFieldsOutOfRange) {
  FILETIME time{};
  EXPECT_TRUE(FileTimeFromDateTime(At(2019, 7, 5, 9, 3, 7), time));
  SYSTEMTIME back{};
  ASSERT_TRUE(::FileTimeToSystemTime(&time, &back));
  EXPECT_EQ(DateTimeFromSystemTime(back), At(2019, 7, 5, 9, 3, 7));
  EXPECT_FALSE(FileTimeFromDateTime(At(2019, 13, 5, 9, 3, 7), time));
  EXPECT_FALSE(FileTimeFromDateTime(At(2019, 7, 5, -1, 0, 0), time));
  // 67137 would wrap into the year 1601 if it were cut to 16 bits.
  EXPECT_FALSE(FileTimeFromDateTime(At(67137, 1, 1, 0, 0, 0), time));
}

TEST_F(FileWriter, VersionIsTheResourcesFileVersionText) {
  const fs::path folder = TestProgramFolder();
  const fs::path copy = Folder() / L"Versi\u00f3n" / L"versi\u00f3n.dll";
  fs::create_directories(copy.parent_path());
  fs::copy_file(folder / "versioned-10.0.dll", copy);
  struct Case {
    const char* name;
    fs::path path;
    const char* version;
  };
  const Case cases[] = {
      {"plain", folder / "versioned-1.0.dll", "1.0"},
      // Commas become dots; the blanks after them stay and the comparison skips them.
      {"commas", folder / "versioned-2.5.dll", "2. 5. 0. 1"},
      {"non-ASCII path", copy, "10.0"},
      {"no resource", folder / "versioned-none.dll", ""},
      {"missing", folder / "absent.dll", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetFileVersion(c.path.wstring()), c.version);
  }
  EXPECT_EQ(CompareVersions(GetFileVersion((folder / "versioned-2.5.dll").wstring()), "2.5.0.1"),
            0);
}

}  // namespace
}  // namespace qs::systest
