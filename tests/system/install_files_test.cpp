// The file phase on a real (Wine) file system. Most tests call it inside the test process with
// a payload made by the builder library, so that what it records for the uninstaller, its log
// and its lists can be read directly: the replacement rules over real files with real dates
// and version resources, destinations and folders, and the lists of the later phases. Real
// installers then show the phase as the user sees it and its end checks on the payload.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/text_win.h"
#include "core/payload_container.h"
#include "core/payload_entry.h"
#include "core/payload_format.h"
#include "core/product_win.h"
#include "file_fixtures.h"
#include "files/install_files_win.h"
#include "install_sequence_fixture.h"
#include "integration/shell_folders_win.h"
#include "restart_fixtures.h"
#include "tests/support/payload_damage.h"

namespace qs::systest {
namespace {

constexpr DateTime kOld = {2019, 7, 5, 9, 3, 7};
constexpr DateTime kNew = {2020, 1, 1, 0, 0, 0};
constexpr DateTime kOldDay = {2019, 7, 5, -1, 0, 0};  // no time

std::string NarrowPath(const fs::path& path) {
  return Narrow(path.wstring());
}

builder::PayloadFile Entry(std::string name, uint32_t kind, uint32_t mode, DateTime date = kNew,
                           std::string text = {}) {
  builder::PayloadFile file = MakeFile(name, "new " + name);
  file.kind = kind;
  file.flags = mode << 2;
  file.dateTime = date;
  file.text = std::move(text);
  return file;
}

// The log's lines that begin with `dest` followed by a blank: the phase's decisions about it.
std::vector<std::string> DecisionLines(const std::string& log, const std::string& dest) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find("\r\n", start);
    end = end == std::string::npos ? log.size() : end + 2;
    const std::string line = log.substr(start, end - start);
    if (line.rfind(dest + " ", 0) == 0) lines.push_back(line);
    start = end;
  }
  return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
  return ("\r\n" + text).find("\r\n" + line + "\r\n") != std::string::npos;
}

// The phase inside this process. The product's flags and texts (each names itself, TextName)
// are made for each test; the folders are made in the test's folder as the install sequence
// makes them before this phase.
class FilePhase : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    Product() = SequenceProduct(kFlagCompressedBlocks);
    Texts() = LanguageTexts(&Product().languages, {});
    installDir = Folder() / "Product";
    uninstallDir = installDir / "uninstall";
    sharedDir = Folder() / "Shared";
    for (const fs::path& folder : {installDir, uninstallDir, sharedDir}) {
      fs::create_directories(folder);
    }
    run.installDir = installDir.u16string();
    run.uninstallDir = uninstallDir.u16string();
    run.sharedDir = sharedDir.u16string();
  }

  void Install(const std::vector<builder::PayloadFile>& files) {
    section_ = MakePayload(files).section;
    PayloadContext payload;
    ASSERT_EQ(ReadPayloadHeader(section_, payload.header), 0);
    payload.fileDataArea = MappedFileDataArea(section_, payload.header);
    InstallFiles(payload, run);
  }

  bool Recorded(const fs::path& file) const { return HasLine(run.removalList, NarrowPath(file)); }
  bool RecordedFolder(const fs::path& folder) const {
    return HasLine(run.removalList, "~" + NarrowPath(folder));
  }

  fs::path installDir;
  fs::path uninstallDir;
  fs::path sharedDir;
  InstallRun run;

 private:
  std::vector<uint8_t> section_;
};

// ---- The replacement rules over real files ----

enum class Existing { kMissing, kText, kVersion1, kVersion25, kVersion10, kNoVersion };

const char* FixtureOf(Existing existing) {
  switch (existing) {
    case Existing::kVersion1:
      return "versioned-1.0.dll";  // FileVersion "1.0"
    case Existing::kVersion25:
      return "versioned-2.5.dll";  // "2, 5, 0, 1"
    case Existing::kVersion10:
      return "versioned-10.0.dll";  // "10.0"
    case Existing::kNoVersion:
      return "versioned-none.dll";
    default:
      return nullptr;
  }
}

// Each case is one entry of one payload and one destination. The existing file gets the date
// `existingDate`; system files (kSystemFile) are sent into the test's folder by a destination.
TEST_F(FilePhase, ReplacementRulesOverRealFiles) {
  struct Case {
    const char* name;
    uint32_t kind;
    uint32_t mode;
    bool keep;
    Existing existing;
    DateTime existingDate;
    DateTime storedDate;
    const char* storedVersion;
    bool written;
    bool recorded;
    const char* sentence;  // after the destination; "" when nothing is logged
  };
  const Case cases[] = {
      {"ByKindOverExisting.txt", kInstallFolderFile, kOverwriteByKind, false, Existing::kText, kNew,
       kOld, "", true, true, ""},
      {"NoCopyOverExisting.txt", kInstallFolderFile, kOverwriteNoCopy, false, Existing::kText, kOld,
       kNew, "", false, false, ""},
      {"NoCopyMissing.txt", kInstallFolderFile, kOverwriteNoCopy, false, Existing::kMissing, kOld,
       kNew, "", false, false, ""},
      {"OnlyIfPresentMissing.txt", kInstallFolderFile, kOverwriteOnlyIfPresent, false,
       Existing::kMissing, kOld, kNew, "", false, false,
       " was not installed because it does not already exist.\r\n"},
      {"OnlyIfPresentThere.txt", kInstallFolderFile, kOverwriteOnlyIfPresent, false,
       Existing::kText, kOld, kNew, "", true, true, ""},
      {"OnlyIfAbsentThere.txt", kInstallFolderFile, kOverwriteOnlyIfAbsent, false, Existing::kText,
       kOld, kNew, "", false, true, " was not installed because it already exists.\r\n"},
      {"OnlyIfAbsentThereKept.txt", kInstallFolderFile, kOverwriteOnlyIfAbsent, true,
       Existing::kText, kOld, kNew, "", false, false,
       " was not installed because it already exists.\r\n"},
      {"OnlyIfAbsentMissing.txt", kInstallFolderFile, kOverwriteOnlyIfAbsent, false,
       Existing::kMissing, kOld, kNew, "", true, true, ""},
      {"UnlessNewerExistingLater.txt", kInstallFolderFile, kOverwriteUnlessExistingNewer, false,
       Existing::kText, kNew, kOld, "", false, true,
       " was not installed because the existing file is newer.\r\n"},
      {"UnlessNewerExistingEarlier.txt", kInstallFolderFile, kOverwriteUnlessExistingNewer, false,
       Existing::kText, kOld, kNew, "", true, true, ""},
      {"UnlessNewerStoredWithoutTime.txt", kInstallFolderFile, kOverwriteUnlessExistingNewer, false,
       Existing::kText, kNew, kOldDay, "", true, true, ""},
      {"SharedExistingLater.dll", kSharedFolderFile, kOverwriteByKind, false, Existing::kText, kNew,
       kOld, "", false, false, " is up to date.\r\n"},
      {"SharedExistingEqual.dll", kSharedFolderFile, kOverwriteByKind, false, Existing::kText, kOld,
       kOld, "", false, false, " is up to date.\r\n"},
      {"SharedExistingEarlier.dll", kSharedFolderFile, kOverwriteByKind, false, Existing::kText,
       kOld, kNew, "", true, false, " is out of date and will be replaced.\r\n"},
      {"SharedStoredWithoutTime.dll", kSharedFolderFile, kOverwriteByKind, false, Existing::kText,
       kNew, kOldDay, "", true, false, " is out of date and will be replaced.\r\n"},
      {"SharedMissing.dll", kSharedFolderFile, kOverwriteByKind, false, Existing::kMissing, kOld,
       kNew, "", true, false, ""},
      {"VersionEqual.dll", kVersionedFile, kOverwriteByKind, false, Existing::kVersion1, kOld, kNew,
       "1.0", false, true,
       " was not installed because its version (1.0) is not newer than 1.0\r\n"},
      {"VersionEqualKept.dll", kVersionedFile, kOverwriteByKind, true, Existing::kVersion1, kOld,
       kNew, "1.00", false, false,
       " was not installed because its version (1.00) is not newer than 1.0\r\n"},
      {"VersionCommasNewer.dll", kVersionedFile, kOverwriteByKind, false, Existing::kVersion25,
       kOld, kNew, "2.5.0.2", true, true,
       " needs replacement because its version (2.5.0.2) is newer than 2. 5. 0. 1 and its date "
       "(2020/1/01 0:00:00) is newer than 2019/7/05 9:03:07\r\n"},
      {"VersionNumericOlder.dll", kVersionedFile, kOverwriteByKind, false, Existing::kVersion10,
       kOld, kNew, "9.9", false, true,
       " was not installed because its version (9.9) is not newer than 10.0\r\n"},
      {"VersionNewerDateOlder.dll", kVersionedFile, kOverwriteByKind, false, Existing::kVersion1,
       kNew, kOld, "2.0", false, true,
       " was not installed because its date (2019/7/05 9:03:07) is not newer than 2020/1/01 "
       "0:00:00.\r\n"},
      {"VersionStoredDateWithoutTime.dll", kVersionedFile, kOverwriteByKind, false,
       Existing::kVersion1, kOld, kOldDay, "2.0", true, true,
       " needs replacement because its version (2.0) is newer than 1.0 and its date (2019/7/05 "
       "-1:00:00) is newer than 2019/7/05 9:03:07\r\n"},
      {"SystemNoVersionNewerDate.dll", kSystemFile, kOverwriteByKind, false, Existing::kNoVersion,
       kOld, kNew, "1.0", true, false,
       " needs replacement because its date (2020/1/01 0:00:00) is newer than 2019/7/05 "
       "9:03:07\r\n"},
      {"SystemNoVersionOlderDate.dll", kSystemFile, kOverwriteByKind, false, Existing::kNoVersion,
       kNew, kOld, "1.0", false, false,
       " was not installed because its date (2019/7/05 9:03:07) is not newer than 2020/1/01 "
       "0:00:00.\r\n"},
      {"SystemOnlyIfAbsentThere.dll", kSystemFile, kOverwriteOnlyIfAbsent, false,
       Existing::kVersion1, kOld, kNew, "2.0", false, false,
       " was not installed because it already exists.\r\n"},
  };
  const fs::path systemFolder = installDir / "system";
  std::vector<builder::PayloadFile> files;
  std::vector<fs::path> destinations;
  std::vector<std::string> before;
  for (const Case& c : cases) {
    builder::PayloadFile file = Entry(c.name, c.kind, c.mode, c.storedDate, c.storedVersion);
    if (c.keep) file.flags |= kEntryKeep;
    fs::path dest = (c.kind == kSharedFolderFile ? sharedDir : installDir) / c.name;
    if (c.kind == kSystemFile) {
      file.destination = NarrowPath(systemFolder) + "\\";
      dest = systemFolder / c.name;
    }
    if (c.existing == Existing::kText) {
      WriteText(dest, "old");
    } else if (const char* fixture = FixtureOf(c.existing)) {
      fs::create_directories(dest.parent_path());
      fs::copy_file(TestProgramFolder() / fixture, dest);
    }
    if (c.existing != Existing::kMissing) {
      ASSERT_TRUE(SetLastWriteTime(dest, c.existingDate));
    }
    before.push_back(c.existing == Existing::kMissing ? std::string() : ReadText(dest));
    files.push_back(std::move(file));
    destinations.push_back(dest);
  }

  Install(files);

  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    const fs::path& dest = destinations[i];
    EXPECT_EQ(ReadText(dest), c.written ? "new " + std::string(c.name) : before[i]);
    EXPECT_EQ(fs::exists(dest), c.written || c.existing != Existing::kMissing);
    EXPECT_EQ(Recorded(dest), c.recorded) << run.removalList;
    const std::string line = *c.sentence ? NarrowPath(dest) + c.sentence : std::string();
    EXPECT_EQ(DecisionLines(WideToUtf8(run.installLog), NarrowPath(dest)),
              line.empty() ? std::vector<std::string>{} : std::vector<std::string>{line})
        << WideToUtf8(run.installLog);
  }
  // Only the files written are known to the cleaning of pending restart operations.
  std::set<std::u16string> expectedWritten;
  for (size_t i = 0; i < std::size(cases); ++i) {
    if (!cases[i].written) continue;
    std::wstring lower = destinations[i].wstring();
    ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    expectedWritten.insert(std::u16string(AsU16(lower)));
  }
  EXPECT_EQ(run.installedFiles, expectedWritten);
  EXPECT_EQ(run.failureSummary, u"");
}

// ---- Destinations and folders ----

TEST_F(FilePhase, DestinationsAndTheFoldersRecorded) {
  const fs::path elsewhere = Folder() / "Elsewhere";
  fs::create_directories(installDir / "there");
  struct Case {
    const char* name;
    builder::PayloadFile file;
    fs::path dest;
    std::optional<fs::path> folderRecorded;
    bool fileRecorded;
  };
  auto withDestination = [](builder::PayloadFile file, std::string destination,
                            uint32_t extraFlags = 0) {
    file.destination = std::move(destination);
    file.flags |= extraFlags;
    return file;
  };
  const Case cases[] = {
      {"InInstallFolder", Entry("plain.txt", kInstallFolderFile, kOverwriteByKind),
       installDir / "plain.txt", std::nullopt, true},
      {"SubfolderOfName", Entry("docs\\guide.txt", kInstallFolderFile, kOverwriteByKind),
       installDir / "docs" / "guide.txt", installDir / "docs", true},
      {"BareNameRenames",
       withDestination(Entry("orig.txt", kInstallFolderFile, kOverwriteByKind), "renamed.txt"),
       installDir / "renamed.txt", std::nullopt, true},
      {"TrailingDoubleBackslash",
       withDestination(Entry("deep\\x.txt", kInstallFolderFile, kOverwriteByKind), "lib\\\\"),
       installDir / "lib" / "x.txt", installDir / "lib", true},
      {"RelativeToSharedFolder",
       withDestination(Entry("s.dll", kSharedFolderFile, kOverwriteByKind), "common\\"),
       sharedDir / "common" / "s.dll", sharedDir / "common", false},
      {"UninstallDataFolder",
       withDestination(Entry("help.txt", kInstallFolderFile, kOverwriteByKind), "",
                       kEntryInUninstallFolder),
       uninstallDir / "help.txt", std::nullopt, true},
      {"UninstallDataFolderLosesToAPath",
       withDestination(Entry("moved.txt", kInstallFolderFile, kOverwriteByKind),
                       NarrowPath(elsewhere) + "\\", kEntryInUninstallFolder),
       elsewhere / "moved.txt", elsewhere, true},
      {"ExistingFolderIsRecordedToo",
       withDestination(Entry("t.txt", kInstallFolderFile, kOverwriteByKind),
                       NarrowPath(installDir / "there") + "\\"),
       installDir / "there" / "t.txt", installDir / "there", true},
      {"KeptRecordsNothing",
       withDestination(Entry("k.txt", kInstallFolderFile, kOverwriteByKind),
                       NarrowPath(installDir / "kept") + "\\", kEntryKeep),
       installDir / "kept" / "k.txt", std::nullopt, false},
  };
  std::vector<builder::PayloadFile> files;
  for (const Case& c : cases) files.push_back(c.file);
  Install(files);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadText(c.dest), "new " + c.file.name);
    EXPECT_EQ(Recorded(c.dest), c.fileRecorded) << run.removalList;
    if (c.folderRecorded) {
      EXPECT_TRUE(RecordedFolder(*c.folderRecorded)) << run.removalList;
    }
  }
  // Folders are recorded once each; the install folder and the kept one never.
  EXPECT_FALSE(RecordedFolder(installDir)) << run.removalList;
  EXPECT_FALSE(RecordedFolder(installDir / "kept")) << run.removalList;
  EXPECT_EQ(run.failureSummary, u"");
}

// A product without a shared folder keeps its shared files with it, in the install folder,
// rather than wherever the working folder happens to be.
TEST_F(FilePhase, SharedFilesWithoutASharedFolder) {
  run.sharedDir.clear();
  builder::PayloadFile placed = Entry("t.dll", kSharedFolderFile, kOverwriteByKind);
  placed.destination = "common\\";
  Install({Entry("s.dll", kSharedFolderFile, kOverwriteByKind), placed});
  EXPECT_EQ(ReadText(installDir / "s.dll"), "new s.dll");
  EXPECT_EQ(ReadText(installDir / "common" / "t.dll"), "new t.dll");
  EXPECT_EQ(run.failureSummary, u"");
}

// Names and folders outside ASCII travel as "|" + UTF-8 and must reach the file system whole:
// an install folder, a file name and a subfolder of the name, each not ASCII.
TEST_F(FilePhase, NamesOutsideAscii) {
  installDir = Folder() / L"Gr\u00fcn";
  fs::create_directories(installDir);
  run.installDir = installDir.u16string();
  ASSERT_FALSE(IsAscii(run.installDir));
  builder::PayloadFile named = Entry("|M\xc3\xbcll.txt", kInstallFolderFile, kOverwriteByKind);
  builder::PayloadFile inFolder =
      Entry("|\xc3\x84rger\\x.txt", kInstallFolderFile, kOverwriteByKind);
  Install({Entry("plain.txt", kInstallFolderFile, kOverwriteByKind), named, inFolder});
  EXPECT_EQ(ReadText(installDir / "plain.txt"), "new plain.txt");
  EXPECT_EQ(ReadText(installDir / L"M\u00fcll.txt"), "new " + named.name);
  EXPECT_EQ(ReadText(installDir / L"\u00c4rger" / "x.txt"), "new " + inFolder.name);
  EXPECT_EQ(run.removalList, NarrowPath(installDir / "plain.txt") + "\r\n" +
                                 NarrowPath(installDir / L"M\u00fcll.txt") + "\r\n~" +
                                 NarrowPath(installDir / L"\u00c4rger") + "\r\n" +
                                 NarrowPath(installDir / L"\u00c4rger" / "x.txt") + "\r\n");
  EXPECT_EQ(run.failureSummary, u"");
}

// A file in a drive's root: the file is recorded, the root never, also when the file's name
// puts the whole path in the "|" form.
TEST_F(FilePhase, DriveRootIsNeverRecorded) {
  const std::wstring stem = L"quillonet-root-" + std::to_wstring(::GetCurrentProcessId());
  for (const std::wstring& name : {stem + L".txt", stem + L"-\u00fc.txt"}) {
    const fs::path dest = fs::path(L"C:\\") / name;
    SCOPED_TRACE(NarrowPath(dest));
    builder::PayloadFile file = Entry(Narrow(name), kInstallFolderFile, kOverwriteByKind);
    file.destination = "C:\\";
    run.removalList.clear();
    Install({file});
    EXPECT_EQ(ReadText(dest), "new " + file.name);
    std::error_code ignored;
    fs::remove(dest, ignored);
    EXPECT_EQ(run.removalList, NarrowPath(dest) + "\r\n");
  }
}

// A file where a folder must go: the entry is left out with kTextCannotCreateFolder, the folder and
// why; the next entry is installed all the same.
TEST_F(FilePhase, FolderBlockedByAFileIsAFailure) {
  WriteText(installDir / "blocker", "a file");
  builder::PayloadFile blocked = Entry("b.txt", kInstallFolderFile, kOverwriteByKind);
  blocked.destination = "blocker\\";
  Install({blocked, Entry("after.txt", kInstallFolderFile, kOverwriteByKind)});
  const std::string folder = NarrowPath(installDir / "blocker");
  EXPECT_EQ(WideToUtf8(run.failureSummary),
            TextName(kTextCannotCreateFolder) + " " + folder +
                "\r\nCannot create directory because there is a file with "
                "the same name.\r\n\r\nNot installed: " +
                folder + "\\b.txt\r\n\r\n");
  EXPECT_EQ(ReadText(installDir / "blocker"), "a file");
  EXPECT_EQ(run.removalList, NarrowPath(installDir / "after.txt") + "\r\n");
  EXPECT_EQ(ReadText(installDir / "after.txt"), "new after.txt");
}

// What the later phases get. Entries of the system and fonts folders are not copied (NoCopy),
// which still puts them on their lists.
TEST_F(FilePhase, ListsForTheLaterPhases) {
  Product().ProductFlags |= kFlagDetailedLog;
  builder::PayloadFile font = Entry("f.ttf", kFontFile, kOverwriteNoCopy, kNew, "Test Sans");
  builder::PayloadFile keptFont = Entry("k.ttf", kFontFile, kOverwriteNoCopy, kNew, "Kept Sans");
  keptFont.flags |= kEntryKeep;
  builder::PayloadFile keptShared = Entry("kept.dll", kSharedFolderFile, kOverwriteNoCopy);
  keptShared.flags |= kEntryKeep;
  builder::PayloadFile shortcut =
      Entry("app.exe", kInstallFolderFile, kOverwriteByKind, kNew, "Caf\xc3\xa9");
  shortcut.flags |= kEntryDesktop;
  shortcut.icon = "app.ico";
  shortcut.command = "/start";
  shortcut.extra = "extra";
  builder::PayloadFile driver = Entry("drv.inf", kDriverPackage, kOverwriteByKind);
  Install({font, keptFont, Entry("sys.dll", kSystemFile, kOverwriteNoCopy),
           Entry("com.dll", kSystemComServer, kOverwriteNoCopy),
           Entry("tlb.tlb", kSystemTypeLibrary, kOverwriteNoCopy),
           Entry("shared.dll", kSharedFolderFile, kOverwriteNoCopy), keptShared, shortcut,
           Entry("link.txt", kShortcutFile, kOverwriteByKind), driver});

  const std::string system = Narrow(SystemDir());
  EXPECT_EQ(run.fontList, "\"Test Sans\" \"f.ttf\" ");
  const std::u16string systemFolder(AsU16(SystemDir()));
  EXPECT_EQ(run.comServers, std::vector<std::u16string>{systemFolder + u"\\com.dll"});
  EXPECT_EQ(run.typeLibraries, std::vector<std::u16string>{systemFolder + u"\\tlb.tlb"});
  const std::string shared = NarrowPath(sharedDir);
  EXPECT_EQ(run.sharedFiles,
            (std::vector<std::string>{system + "\\sys.dll ", system + "\\com.dll^",
                                      system + "\\tlb.tlb\xA9", shared + "\\shared.dll",
                                      shared + "\\kept.dll "}));
  EXPECT_FALSE(fs::exists(fs::path(SystemDir()) / "sys.dll"));
  EXPECT_EQ(run.drivers, std::vector<std::u16string>{(installDir / "drv.inf").u16string()});

  ASSERT_EQ(run.shortcuts.size(), 2u);
  const ShortcutEntry& desktop = run.shortcuts[0];
  EXPECT_TRUE(desktop.onDesktop);
  EXPECT_FALSE(desktop.inStartMenu);
  EXPECT_FALSE(desktop.shortcutFile);
  EXPECT_FALSE(desktop.keep);
  EXPECT_EQ(desktop.target, (installDir / "app.exe").u16string());
  EXPECT_EQ(desktop.command, u"/start");
  EXPECT_EQ(desktop.extra, u"extra");
  EXPECT_EQ(desktop.icon, u"app.ico");
  EXPECT_EQ(desktop.caption, u"Caf\u00e9");
  EXPECT_TRUE(run.shortcuts[1].shortcutFile);
  EXPECT_EQ(run.shortcuts[1].target, (installDir / "link.txt").u16string());

  // The detailed log names the source of each file written, and only of those.
  const std::string log = WideToUtf8(run.installLog);
  EXPECT_NE(log.find("app.exe >>> " + NarrowPath(installDir / "app.exe") + "\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("sys.dll >>> "), std::string::npos) << log;
}

// ---- Real installers ----

class InstallFilesRun : public InstallSequence {};

// Files in place with their content, each entry's progress and item, the status while a block
// is read, and the decisions in Install.LOG.
TEST_F(InstallFilesRun, FilesProgressAndLog) {
  const fs::path target = Folder() / "Target";
  WriteText(target / "existing.txt", "old");
  builder::PayloadFile absent = Entry("existing.txt", kInstallFolderFile, kOverwriteOnlyIfAbsent);
  // The product's own data keeps its fixed item text when a destination path places it, but
  // not once a bare file name has renamed it.
  builder::PayloadFile marker = Entry("b/0@+", kInstallFolderFile, kOverwriteByKind);
  marker.destination = "data\\marker.dat";
  builder::PayloadFile renamedMarker = Entry("b/0@+", kInstallFolderFile, kOverwriteByKind);
  renamedMarker.destination = "renamed.dat";
  const std::vector<builder::PayloadFile> files = {
      Entry("a.txt", kInstallFolderFile, kOverwriteByKind),
      Entry("docs\\b.txt", kInstallFolderFile, kOverwriteByKind), absent, marker, renamedMarker};
  ProductSettings product = SequenceProduct(kQuiet | kFlagWriteInstallLogAlways);
  RunResult result = RunInstaller(MakeInstaller(MakePayload(files, {}, 0, SettingsStream(product))),
                                  L"/a " + DirectorySwitch(target));
  EXPECT_EQ(result.exitCode, 1u) << result;
  EXPECT_TRUE(WorkDone(result)) << result;

  EXPECT_EQ(ReadText(target / "a.txt"), "new a.txt");
  EXPECT_EQ(ReadText(target / "docs" / "b.txt"), "new docs\\b.txt");
  EXPECT_EQ(ReadText(target / "existing.txt"), "old");
  EXPECT_EQ(ReadText(target / "data" / "marker.dat"), "new b/0@+");
  EXPECT_EQ(ReadText(target / "renamed.dat"), "new b/0@+");

  const std::string folder = Utf8(target);
  EXPECT_EQ(result.Items(),
            (std::vector<std::string>{folder + "\\a.txt", folder + "\\docs\\b.txt",
                                      folder + "\\existing.txt", TextName(kTextInstalling),
                                      folder + "\\renamed.dat"}))
      << result;
  std::vector<int> positions;
  for (int position : ProgressPositions(result)) {
    if (position >= 28 && position <= 91) positions.push_back(position);
  }
  EXPECT_EQ(positions, (std::vector<int>{28, 40, 52, 65, 77, 91})) << result;
  const std::vector<std::string> statuses = StatusTexts(result);
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), TextName(kTextUnpacking)), statuses.end())
      << result;

  const std::string log = ReadText(target / "Install.LOG");
  EXPECT_NE(log.find(folder + "\\existing.txt was not installed because it already exists.\r\n"),
            std::string::npos)
      << log;
}

// Paths are shown as a fixed text when the product asks for it.
TEST_F(InstallFilesRun, FixedProgressText) {
  const fs::path target = Folder() / "Target";
  ProductSettings product = SequenceProduct(kQuiet | kFlagHidePathsInProgress);
  RunResult result =
      RunInstaller(MakeInstaller(MakePayload({Entry("a.txt", kInstallFolderFile, kOverwriteByKind),
                                              Entry("b.txt", kInstallFolderFile, kOverwriteByKind)},
                                             {}, 0, SettingsStream(product))),
                   L"/a " + DirectorySwitch(target));
  EXPECT_EQ(result.Items(),
            (std::vector<std::string>{TextName(kTextInstalling), TextName(kTextInstalling)}))
      << result;
  EXPECT_EQ(ReadText(target / "b.txt"), "new b.txt");
}

// The entries must end with the file data: a payload whose count leaves a further entry, in the
// same block or in one not yet read, is corrupt (after the counted entries are installed).
TEST_F(InstallFilesRun, EntriesLeftOverAreCorrupt) {
  for (size_t blockSize : {size_t{1} << 20, size_t{32}}) {
    SCOPED_TRACE(blockSize);
    builder::ContainerOptions options;
    options.blockSize = blockSize;
    TestPayload payload = MakePayload({Entry("first.txt", kInstallFolderFile, kOverwriteByKind),
                                       Entry("second.txt", kInstallFolderFile, kOverwriteByKind)},
                                      options);
    // One entry counted: its size stays in the table, the second size is taken out and
    // everything after it moves up.
    using test_support::GetU32;
    using test_support::SetU32;
    SetU32(payload.section, payload.layout.entryCountOffset, 1);
    const size_t secondSize = payload.layout.contentSizesOffset + 4;
    payload.section.erase(payload.section.begin() + static_cast<std::ptrdiff_t>(secondSize),
                          payload.section.begin() + static_cast<std::ptrdiff_t>(secondSize + 4));
    SetU32(payload.section, payload.layout.payloadEndOffset,
           GetU32(payload.section, payload.layout.payloadEndOffset) - 4);
    const fs::path target = Folder() / ("Target" + std::to_string(blockSize));
    RunResult result =
        RunInstaller(MakeInstaller(payload.section), L"/a " + DirectorySwitch(target));
    EXPECT_TRUE(EndedWithCorruptReport(result, kErrorEntryName)) << result;
    EXPECT_EQ(ReadText(target / "first.txt"), "new first.txt");
    EXPECT_FALSE(fs::exists(target / "second.txt"));
  }
}

// An entry whose name or destination steps out of its folder is corrupt before anything of it
// is written: nothing lands beside the installation folder.
TEST_F(InstallFilesRun, EntriesLeavingTheirFolderAreCorrupt) {
  builder::PayloadFile destination = Entry("d.txt", kInstallFolderFile, kOverwriteByKind);
  destination.destination = "%InstallDir%\\..\\";
  const std::vector<builder::PayloadFile> cases = {
      Entry("..\\escaped.txt", kInstallFolderFile, kOverwriteByKind),
      Entry("sub/../../escaped.txt", kInstallFolderFile, kOverwriteByKind),
      destination,
  };
  for (const builder::PayloadFile& entry : cases) {
    SCOPED_TRACE(entry.name + " " + entry.destination);
    const fs::path outer = Folder() / "outer";
    const fs::path target = outer / "Target";
    RunResult result =
        RunInstaller(MakeInstaller(MakePayload({entry}).section), L"/a " + DirectorySwitch(target));
    EXPECT_TRUE(EndedWithCorruptReport(result, kErrorEntryName)) << result;
    EXPECT_FALSE(fs::exists(outer / "escaped.txt"));
    EXPECT_FALSE(fs::exists(outer / "d.txt"));
    EXPECT_FALSE(fs::exists(Folder() / "escaped.txt"));
  }
}

// A folder given with "." and ".." steps, or relative to the current folder, is resolved once
// before a file's path is shown, compared and recorded: every path the run names is the real
// one.
TEST_F(InstallFilesRun, FolderWithDotStepsGivesRealPaths) {
  const fs::path target = Folder() / "Target";
  const std::wstring cases[] = {(Folder() / L"other" / L".." / L"." / L"Target").wstring(),
                                L"other\\..\\Target"};  // the test's folder is the current one
  for (const std::wstring& given : cases) {
    SCOPED_TRACE(WideToUtf8(given));
    fs::remove_all(target);
    RunResult result = RunInstaller(
        MakeInstaller(
            MakePayload({Entry("docs\\b.txt", kInstallFolderFile, kOverwriteByKind)}).section),
        L"/a /d:\"" + given + L"\"");
    EXPECT_TRUE(WorkDone(result)) << result;
    EXPECT_EQ(ReadText(target / "docs" / "b.txt"), "new docs\\b.txt");
    EXPECT_EQ(result.Items(), std::vector<std::string>{Utf8(target) + "\\docs\\b.txt"}) << result;
  }
}

// Only a file that another program holds is left for the restart: with a folder where the file
// should go, the write fails now and is reported, and nothing waits for a restart that would
// fail as well.
TEST_F(InstallFilesRun, FolderInTheWayIsAFailureNotARestart) {
  const fs::path target = Folder() / "Target";
  fs::create_directories(target / "a.txt" / "inside");
  ProductSettings product = SequenceProduct(kQuiet | kFlagReplaceAtRestartEvenIfNew);
  RunResult result =
      RunInstaller(MakeInstaller(MakePayload({Entry("a.txt", kInstallFolderFile, kOverwriteByKind)},
                                             {}, 0, SettingsStream(product))),
                   L"/a " + DirectorySwitch(target));
  EXPECT_TRUE(WorkDone(result)) << result;
  EXPECT_TRUE(result.Records("restart").empty()) << result;
  EXPECT_TRUE(fs::is_directory(target / "a.txt" / "inside"));
  for (const std::u16string& operation : PendingOperations()) {
    EXPECT_EQ(operation.find(AsU16((target / "a.txt").wstring())), std::u16string::npos);
  }
  EXPECT_NE(ReadText(target / "Install.LOG").find(Utf8(target) + "\\a.txt"), std::string::npos);
}

}  // namespace
}  // namespace qs::systest
