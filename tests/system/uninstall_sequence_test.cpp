// The uninstallation run, recorded: a product is installed for real, then its uninstaller runs
// with a transcript of what it shows. What the run refuses to start on, the confirmation, the
// progress it reports, a file it cannot delete, the folders it removes, and the self-removal
// batch it would start.
//
// The uninstaller gets a temporary folder of the test's own, so delunins.bat is written there.
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

#include "base/handle_win.h"
#include "base/registry_delete_win.h"
#include "base/registry_read_win.h"
#include "base/system_error_win.h"
#include "base/text.h"
#include "file_fixtures.h"
#include "files/deletion_conditions.h"
#include "install_sequence_fixture.h"
#include "restart_fixtures.h"
#include "tests/support/bmp_fixture.h"
#include "uninstall/record_digest_win.h"
#include "uninstall/uninstall_record.h"

namespace qs::systest {
namespace {

bool Exists(const fs::path& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

constexpr wchar_t kDigestValue[] = L"UninstallDataDigest";

// The registration's digest of the record, as the test reads it.
std::string StoredDigest(const std::wstring& name) {
  return WideToUtf8(RegistrationText(name, kDigestValue));
}

class UninstallSequence : public InstallSequence {
 protected:
  void TearDown() override {
    for (const std::wstring& name : names_) DeleteRegistration(name);
    InstallSequence::TearDown();
  }

  // A product name of this test's own, its registration removed before and after the test.
  std::wstring NewName(const std::string& suffix = "") {
    std::wstring name = L"QuillonetUninstall." +
                        Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
    if (!suffix.empty()) name += L"." + Utf8ToWide(suffix);
    DeleteRegistration(name);
    names_.push_back(name);
    return name;
  }

  // An uninstallable product: the uninstaller "uninstall.exe" in the "Uninstall" sub-folder;
  // kTextUninstallFailed takes the failure summary.
  static ProductSettings Uninstallable(const std::wstring& name, uint64_t flags = 0) {
    ProductSettings product = SequenceProduct(kQuiet | kFlagUninstallable | flags);
    product.DisplayName = AsU16(name);
    product.UninstallSubdir = u"Uninstall";
    product.uninstallerName = u"uninstall.exe";
    product.languages.texts[kTextUninstallFailed] =
        Utf8ToUtf16(TextName(kTextUninstallFailed) + " %s");
    return product;
  }

  // Installs silently into `folder`; the installation must succeed.
  void Install(const ProductSettings& product, const fs::path& folder,
               const std::vector<builder::PayloadFile>& files) {
    RunResult result =
        RunInstaller(MakeInstaller(MakePayload(files, {}, 0, SettingsStream(product))),
                     DirectorySwitch(folder) + L" /a");
    ASSERT_EQ(result.exitCode, 1u) << result;
    ASSERT_TRUE(Exists(Uninstaller(folder))) << result;
  }

  static fs::path Uninstaller(const fs::path& folder) {
    return folder / L"Uninstall" / L"uninstall.exe";
  }

  // The temporary folder the uninstaller gets.
  fs::path TempFolder() { return MadeFolder("temp"); }

  // Runs `program` as `"program" /u:"name" arguments`.
  RunResult Uninstall(const fs::path& program, const std::wstring& name,
                      const std::wstring& arguments = L"", std::vector<std::string> answers = {}) {
    RunOptions options = Answers(std::move(answers));
    const std::wstring temp = TempFolder().wstring();
    options.environment = {{L"TMP", temp}, {L"TEMP", temp}};
    std::wstring line = L"/u:\"" + name + L"\"";
    if (!arguments.empty()) line += L" " + arguments;
    return Run(program, line, options);
  }

  static std::vector<builder::PayloadFile> Files(std::vector<std::string> names) {
    std::vector<builder::PayloadFile> files;
    for (std::string& name : names) files.push_back(MakeFile(std::move(name), "x"));
    return files;
  }

  // delunins.bat as the run writes it for a product installed in `folder`.
  std::string RemovalBatch(const fs::path& folder) {
    const std::string program = Utf8(Uninstaller(folder));
    std::string batch = "@chcp 1252 >nul\r\nset QsTries=0\r\n:Repeat\r\n";
    batch += "del /f \"" + program + "\"\r\n";
    batch += "if not exist \"" + program + "\" goto Waited\r\n";
    batch += "set /a QsTries+=1\r\nif %QsTries% GEQ 60 goto Waited\r\n";
    batch += "CHOICE /T 1 /D Y >nul\r\ngoto Repeat\r\n:Waited\r\nCHOICE /T 3 /D Y\r\n";
    batch += "rd \"" + Utf8(folder / "Uninstall") + "\"\r\n";
    batch += "rd \"" + Utf8(folder) + "\"\r\n";
    batch += "del \"" + Utf8(TempFolder() / "delunins.bat") + "\"\r\n";
    return batch;
  }

 private:
  std::vector<std::wstring> names_;
};

// ---- a record that cannot be used ends the run before any question ----

TEST_F(UninstallSequence, UnusableRecordEndsTheRunWithItsMessage) {
  const fs::path folder = MadeFolder("App");  // a folder without Uninstall.DAT
  const std::string dat = Utf8(folder) + "\\Uninstall.DAT";
  struct Case {
    const char* name;
    bool key;
    const wchar_t* installLocation;  // null: no value
    std::string message;             // "{name}" stands for the product name
  };
  const Case cases[] = {
      {"NoRecord", false, nullptr, "No product named '{name}' is installed."},
      {"NoInstallLocation", true, nullptr,
       "The uninstall information for Shown {name} is corrupt.\r\n\r\nThe uninstallation "
       "cannot be performed."},
      {"EmptyInstallLocation", true, L"",
       "The uninstall information for Shown {name} is corrupt.\r\n\r\nThe uninstallation "
       "cannot be performed."},
      {"NoUninstallDat", true, folder.c_str(),
       "The uninstall information for Shown {name} could not be loaded.\r\n\r\nFilepath: " + dat +
           "\r\nCode 2: " + WideToUtf8(SystemErrorTextWide(ERROR_FILE_NOT_FOUND))},
  };
  const std::vector<uint8_t> installer = Installer(SequenceProduct(kQuiet));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name = NewName(c.name);
    std::optional<TestKey> key;
    if (c.key) {
      key.emplace(HKEY_LOCAL_MACHINE, UninstallKey(name));
      key->Set(L"DisplayName", L"Shown " + name);
      if (c.installLocation != nullptr) key->Set(L"InstallLocation", c.installLocation);
    }
    std::string message = c.message;
    message.replace(message.find("{name}"), 6, WideToUtf8(name));
    RunResult result = RunInstaller(installer, L"/u:\"" + name + L"\"");
    EXPECT_TRUE(EndedWithError(result, 0, message)) << result;
    EXPECT_EQ(result.MessageTexts(), std::vector<std::string>{message}) << result;
    // In automatic mode the same end, without the message (a key read whole has shown the
    // background window first: one without ProductFlags does not turn it off).
    RunResult automatic = RunInstaller(installer, L"/a /u:\"" + name + L"\"");
    EXPECT_EQ(automatic.exitCode, 0u) << automatic;
    EXPECT_TRUE(automatic.Records("message").empty()) << automatic;
  }
}

// A record far larger than any real one (a damaged or planted file) is not read: its load
// fails with the reason, and nothing is removed.
TEST_F(UninstallSequence, OversizedRecordIsNotRead) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name), app, Files({"f0.txt"})));
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  fs::resize_file(dat, 16 * 1024 * 1024 + 1);
  RunResult result = Uninstall(Uninstaller(app), name);
  const std::string message =
      "The uninstall information for " + WideToUtf8(name) +
      " could not be loaded.\r\n\r\nFilepath: " + Utf8(dat) +
      "\r\nCode 223: " + WideToUtf8(SystemErrorTextWide(ERROR_FILE_TOO_LARGE));
  EXPECT_TRUE(EndedWithError(result, 0, message)) << result;
  EXPECT_TRUE(Exists(app / "f0.txt"));
  EXPECT_TRUE(Registered(name));
}

// The same program started from elsewhere with /u (the user's installer in a download folder)
// uninstalls, but never removes itself: only the uninstaller in the uninstall folder does.
TEST_F(UninstallSequence, OnlyTheInstalledUninstallerRemovesItself) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  const ProductSettings product = Uninstallable(name);
  ASSERT_NO_FATAL_FAILURE(Install(product, app, Files({"f0.txt"})));
  RunOptions options;
  const std::wstring temp = TempFolder().wstring();
  options.environment = {{L"TMP", temp}, {L"TEMP", temp}};
  RunResult result =
      RunInstaller(MakeInstaller(MakePayload(Files({"f0.txt"}), {}, 0, SettingsStream(product))),
                   L"/a /u:\"" + name + L"\"", options);
  EXPECT_EQ(result.exitCode, 0u) << result;
  EXPECT_FALSE(Exists(app / "f0.txt")) << result;
  EXPECT_TRUE(result.Records("batch").empty()) << result;
  EXPECT_FALSE(Exists(TempFolder() / "delunins.bat"));
}

// Uninstall.DAT lives where users may be able to write: a line is carried out only for an
// absolute path, a system folder is never removed even when empty, and outside the
// installation folder no parent goes with the folder the record names.
TEST_F(UninstallSequence, RecordLinesReachingOutsideAreNotCarriedOut) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name), app, Files({"f0.txt"})));
  WriteText(Folder() / "victim.txt", "the user's");
  fs::create_directories(Folder() / "outer" / "made");
  wchar_t publicFolder[MAX_PATH] = {};
  ASSERT_NE(::GetEnvironmentVariableW(L"PUBLIC", publicFolder, MAX_PATH), 0u);
  const fs::path publicDesktop = fs::path(publicFolder) / "Desktop";
  fs::create_directories(publicDesktop);
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  // An installation by an earlier version kept no digest of its record: these checks alone
  // guard it.
  ASSERT_EQ(SetRegistrationText(name, kDigestValue, L""), ERROR_SUCCESS);
  WriteText(dat, "victim.txt\r\n~" + Utf8(Folder() / "outer" / "made") + "\r\n~" +
                     Utf8(publicDesktop) + "\r\n" + ReadText(dat));
  RunResult result = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(result.exitCode, 0u) << result;
  EXPECT_FALSE(Exists(app / "f0.txt")) << result;
  EXPECT_EQ(ReadText(Folder() / "victim.txt"), "the user's");
  EXPECT_FALSE(Exists(Folder() / "outer" / "made"));
  EXPECT_TRUE(Exists(Folder() / "outer"));
  EXPECT_TRUE(Exists(publicDesktop));
}

// ---- the record's digest ----

// The installation keeps the digest of the record it wrote in its registration, which only
// administrators may change. A record changed since, by a planted line or by one byte, is
// refused before anything is changed, even in automatic mode; put back as it was, it is
// carried out.
TEST_F(UninstallSequence, RecordChangedSinceItsDigestIsRefused) {
  struct Case {
    const char* name;
    std::string prefix;         // put before the record's bytes
    std::string suffix;         // put after them
    const wchar_t* nameEnding;  // after the product's name; the refusal names it whole
  };
  const fs::path victim = Folder() / "victim.txt";
  const Case cases[] = {
      {"LinePlanted", Utf8(victim) + "\r\n", "", L""},
      {"LineBreakAppended", "", "\r\n", L" Caf\u00e9 \u4e2d\u6587"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name = NewName(c.name) + c.nameEnding;
    const fs::path app = Folder() / c.name;
    ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name), app, Files({"f0.txt"})));
    WriteText(victim, "the user's");
    const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
    const std::string record = ReadText(dat);
    ASSERT_EQ(StoredDigest(name).size(), 64u);
    EXPECT_EQ(StoredDigest(name), RecordDigestOf(record).value_or("none"));

    WriteText(dat, c.prefix + record + c.suffix);
    RunResult result = Uninstall(Uninstaller(app), name, L"/a");
    EXPECT_EQ(result.exitCode, 1u) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_EQ(messages.size(), 1u) << result;
    EXPECT_EQ(MessageIcon(messages[0]), "error") << result;
    EXPECT_EQ(MessageText(messages[0]),
              "The uninstall information for " + WideToUtf8(name) +
                  " was changed after the installation wrote it, or is damaged:\r\n" + Utf8(dat) +
                  "\r\n\r\nIt is not carried out. Nothing was removed. Install the product again "
                  "to repair it, then uninstall it.")
        << result;
    EXPECT_TRUE(result.Records("progress").empty()) << result;
    EXPECT_EQ(ReadText(victim), "the user's");
    EXPECT_TRUE(Exists(app / "f0.txt"));
    EXPECT_EQ(ReadText(dat), c.prefix + record + c.suffix);
    EXPECT_TRUE(Registered(name));

    WriteText(dat, record);
    RunResult restored = Uninstall(Uninstaller(app), name, L"/a");
    EXPECT_EQ(restored.exitCode, 0u) << restored;
    EXPECT_FALSE(Exists(app / "f0.txt"));
    EXPECT_EQ(ReadText(victim), "the user's");
    EXPECT_FALSE(Registered(name));
  }
}

// A registration without a digest is one an earlier version of the program made: its record is
// carried out as before, guarded by the checks of each line alone.
TEST_F(UninstallSequence, RecordWithoutDigestIsCarriedOut) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name), app, Files({"f0.txt", "sub\\f1.txt"})));
  ASSERT_EQ(SetRegistrationText(name, kDigestValue, L""), ERROR_SUCCESS);
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  WriteText(dat, ReadText(dat) + "\r\n");
  RunResult result = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(result.exitCode, 0u) << result;
  EXPECT_TRUE(result.MessageTexts().empty()) << result;
  EXPECT_FALSE(Exists(app / "f0.txt"));
  EXPECT_FALSE(Exists(app / "sub"));
  EXPECT_FALSE(Registered(name));
}

// The record the uninstaller writes again after a failure gets a digest of its own, also when it
// is written once more because the installation folder went whole: the next run accepts it and
// completes.
TEST_F(UninstallSequence, RewrittenRecordGetsItsOwnDigest) {
  struct Case {
    const char* name;
    uint64_t flags;
  };
  const Case cases[] = {
      {"FolderStays", 0},
      {"FolderGoesWhole", kFlagDeleteInstallDirOnUninstall},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name = NewName(c.name);
    const fs::path app = Folder() / c.name;
    ASSERT_NO_FATAL_FAILURE(
        Install(Uninstallable(name, c.flags), app, Files({"held.txt", "free.txt"})));
    const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
    const std::string installed = StoredDigest(name);
    {
      UniqueFileHandle lock = LockFile(app / "held.txt");
      ASSERT_TRUE(lock);
      RunResult result = Uninstall(Uninstaller(app), name, L"/a");
      EXPECT_EQ(result.exitCode, 0u) << result;
      EXPECT_TRUE(Registered(name));
      ASSERT_TRUE(Exists(dat));
      EXPECT_NE(StoredDigest(name), installed);
      EXPECT_EQ(StoredDigest(name), RecordDigestOf(ReadText(dat)).value_or("none"));
    }
    RunResult second = Uninstall(Uninstaller(app), name, L"/a");
    EXPECT_EQ(second.exitCode, 0u) << second;
    EXPECT_TRUE(second.Records("message").empty()) << second;
    EXPECT_FALSE(Exists(app / "held.txt"));
    EXPECT_FALSE(Registered(name));
  }
}

// ---- lines reaching the system ----

// A record without a digest (an installation by an earlier version) whose lines reach what the
// system or other products own: a value directly in a well-known key, a system file class, a
// package and a driver elsewhere, a registry script record of a well-known key, and a product
// key that is a shared one. None is carried out; each is reported, the lines of the product's own
// are carried out, and the next run, whose record no longer holds them, completes.
TEST_F(UninstallSequence, RecordLinesReachingTheSystemAreSetAside) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name), app, Files({"f0.txt"})));
  ASSERT_EQ(SetRegistrationText(name, kDigestValue, L""), ERROR_SUCCESS);
  ASSERT_EQ(SetRegistrationText(name, L"ProductRegistry", L"Classes\\QuillonetVictimClass"),
            ERROR_SUCCESS);

  // Values directly in HKCU\Software stand for the system's own.
  const auto setSoftwareValue = [](const wchar_t* valueName, const std::wstring& data) {
    UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_SET_VALUE, key.Receive()) !=
        ERROR_SUCCESS) {
      return false;
    }
    if (data.empty()) return ::RegDeleteValueW(key.Get(), valueName) == ERROR_SUCCESS;
    return ::RegSetValueExW(
               key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
               static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  };
  ASSERT_TRUE(setSoftwareValue(L"QuillonetVictimValue", L"the system's"));
  ASSERT_TRUE(setSoftwareValue(L"QuillonetVictimScript", L"the system's"));
  TestKey own(HKEY_CURRENT_USER, L"Software\\QuillonetOwn");
  own.Set(L"Value", L"the product's");
  TestKey victimClass(HKEY_CURRENT_USER, L"Software\\Classes\\QuillonetVictimClass");
  victimClass.Set(L"", L"another product's");
  // The prefix's "exefile" class has no open command: the test gives it one to lose, in the
  // program's view, and takes away at the end what it made.
  const REGSAM view = InProgramView(0);
  const bool hadExefile = RegistryKeyExists(HKEY_CLASSES_ROOT, L"exefile", view);
  const bool hadShell = RegistryKeyExists(HKEY_CLASSES_ROOT, L"exefile\\shell", view);
  ASSERT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, L"exefile\\shell\\open", view));
  std::optional<TestKey> exefile;
  exefile.emplace(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command");
  exefile->Set(L"", L"\"%1\" %*");

  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  const std::string elsewhere = Utf8(Folder() / "elsewhere");
  const std::string value = "!\\HKCU\\Software\\QuillonetVictimValue";
  const std::string association = ".qsvictim~!~exefile~!~open";
  const std::string package = "\"" + elsewhere + "\\other.msi\",2";
  const std::string driver = elsewhere + "\\oem3.inf";
  const std::string script = "\\HKCU\\Software";
  WriteText(dat, value + "\r\n!\\HKCU\\Software\\QuillonetOwn\\Value\r\n" + ReadText(dat) +
                     "\r\n\r\n[Associations]\r\n" + association + "\r\n\r\n\r\n[MSI]\r\n" +
                     package + "\r\n\r\n\r\n[INF]\r\n" + driver + "\r\n\r\n\r\n[Registry2]\r\n" +
                     script + ",QuillonetVictimScript,1,x,0,0\r\n");

  RunResult result = Uninstall(Uninstaller(app), name, L"", {"yes"});
  EXPECT_EQ(result.exitCode, 0u) << result;
  const std::vector<std::string> messages = result.MessageTexts();
  ASSERT_EQ(messages.size(), 2u) << result;
  const std::string refused = "Not carried out, as it reaches beyond what the product installed: ";
  EXPECT_EQ(messages[1], TextName(kTextUninstallFailed) + " " + refused + value + "\r\n" + refused +
                             association + "\r\n" + refused + package + "\r\n" + refused + driver +
                             "\r\n" + refused + script + "\r\n" +
                             "Not carried out, as it names no key of the product's own: "
                             "Software\\Classes\\QuillonetVictimClass\r\n")
      << result;
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, L"Software", L"QuillonetVictimValue"), L"the system's");
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, L"Software", L"QuillonetVictimScript"),
            L"the system's");
  EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command", view));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\QuillonetVictimClass"));
  EXPECT_TRUE(RegistryText(HKEY_CURRENT_USER, L"Software\\QuillonetOwn", L"Value").empty());
  EXPECT_FALSE(Exists(app / "f0.txt"));
  EXPECT_TRUE(Registered(name));

  const UninstallRecord left = ParseUninstallRecord(ReadText(dat));
  EXPECT_TRUE(left.msiLines.empty()) << ReadText(dat);
  EXPECT_TRUE(left.infLines.empty()) << ReadText(dat);
  EXPECT_TRUE(left.registry2Text.empty()) << ReadText(dat);
  RunResult second = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(second.exitCode, 0u) << second;
  EXPECT_FALSE(Registered(name));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\QuillonetVictimClass"));
  exefile.reset();
  DeleteRegistryTree(HKEY_CLASSES_ROOT,
                     !hadExefile ? L"exefile"
                     : !hadShell ? L"exefile\\shell"
                                 : L"exefile\\shell\\open",
                     view);
  setSoftwareValue(L"QuillonetVictimValue", L"");
  setSoftwareValue(L"QuillonetVictimScript", L"");
}

// ---- the confirmation ----

TEST_F(UninstallSequence, DeclinedConfirmationChangesNothing) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name), app, Files({"f0.txt", "sub\\f1.txt"})));
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  const std::string record = ReadText(dat);
  ASSERT_FALSE(record.empty());

  RunResult result = Uninstall(Uninstaller(app), name, L"", {"no"});
  EXPECT_EQ(result.exitCode, 1u) << result;
  std::vector<TranscriptRecord> messages = result.Records("message");
  ASSERT_EQ(messages.size(), 1u) << result;
  EXPECT_EQ(MessageIcon(messages[0]), "question");
  EXPECT_EQ(MessageButtons(messages[0]), "yesno");
  EXPECT_EQ(MessageCaption(messages[0]), TextName(kTextUninstallCaption));
  EXPECT_EQ(MessageText(messages[0]), TextName(kTextUninstallQuestion));
  EXPECT_TRUE(result.Records("progress").empty()) << result;
  EXPECT_TRUE(result.Records("batch").empty()) << result;

  EXPECT_TRUE(Exists(app / "f0.txt"));
  EXPECT_TRUE(Exists(app / "sub" / "f1.txt"));
  EXPECT_EQ(ReadText(dat), record);
  EXPECT_TRUE(Registered(name));
}

// A registration that asks for what this program cannot do yet (an installation made by
// another build, or a damaged key) is refused before the question: nothing is removed, and
// once the key no longer asks, the run completes.
TEST_F(UninstallSequence, RegistrationAskingForUnbuiltFeaturesIsRefusedBeforeAnyChange) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name), app, Files({"f0.txt"})));
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  const std::string record = ReadText(dat);
  // The registration lives in the 32-bit view.
  UniqueRegKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKey(name).c_str(), 0,
                            KEY_SET_VALUE | KEY_WOW64_32KEY, key.Receive()),
            ERROR_SUCCESS);
  const auto set = [&key](const wchar_t* value, const std::wstring& data) {
    if (data.empty()) return ::RegDeleteValueW(key.Get(), value);
    return ::RegSetValueExW(key.Get(), value, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  };
  struct Case {
    const char* name;
    const wchar_t* value;
    std::wstring data;
    const char* features;
  };
  const Case cases[] = {
      {"FirstBatch", L"UninstallBatch1", L"echo one", "batches"},
      {"SecondBatch", L"UninstallBatch2", L"echo two", "batches"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring kept = RegistrationText(name, c.value);
    ASSERT_EQ(set(c.value, c.data), ERROR_SUCCESS);
    RunResult result = Uninstall(Uninstaller(app), name, L"/a");
    EXPECT_EQ(result.exitCode, 1u) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_EQ(messages.size(), 1u) << result;
    EXPECT_EQ(MessageIcon(messages[0]), "error") << result;
    EXPECT_EQ(MessageText(messages[0]),
              std::string("This product's uninstallation asks for what this version of the "
                          "installer program cannot do: ") +
                  c.features + ".\r\nNothing was removed.")
        << result;
    EXPECT_TRUE(result.Records("progress").empty()) << result;
    EXPECT_TRUE(Exists(app / "f0.txt"));
    EXPECT_EQ(ReadText(dat), record);
    EXPECT_TRUE(Registered(name));
    EXPECT_EQ(set(c.value, kept), ERROR_SUCCESS);
  }
  RunResult result = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(result.exitCode, 0u) << result;
  EXPECT_FALSE(Exists(app / "f0.txt")) << result;
}

// ---- the whole run, asked and automatic ----

TEST_F(UninstallSequence, CompleteRunRemovesEverythingButTheUninstaller) {
  struct Case {
    const char* name;
    uint64_t flags;
    const wchar_t* arguments;
    std::vector<std::string> answers;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"Asked",
       0,
       L"",
       {"yes"},
       {TextName(kTextUninstallQuestion), TextName(kTextUninstallComplete)}},
      // Automatic mode asks nothing and reports nothing.
      {"Automatic", 0, L"/a", {}, {}},
      // The product may always uninstall automatically.
      {"AutomaticByProduct", kFlagAutomaticUninstall, L"", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name = NewName(c.name);
    const fs::path app = Folder() / c.name;
    ProductSettings product = Uninstallable(name, kFlagWriteInstallLogAlways | c.flags);
    // A file installed read-only goes as well.
    std::vector<builder::PayloadFile> files = Files({"f0.txt", "sub\\f1.txt", "sub\\ro.txt"});
    files[2].attributes = FILE_ATTRIBUTE_READONLY;
    ASSERT_NO_FATAL_FAILURE(Install(product, app, files));
    ASSERT_TRUE(Exists(app / "Uninstall" / "Install.LOG"));
    ASSERT_NE(::GetFileAttributesW((app / "sub" / "ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    RunResult result = Uninstall(Uninstaller(app), name, c.arguments, c.answers);
    EXPECT_EQ(result.exitCode, 0u) << result;
    EXPECT_EQ(result.MessageTexts(), c.messages) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    if (messages.size() == 2) {
      EXPECT_EQ(MessageIcon(messages[1]), "information");
      EXPECT_EQ(MessageCaption(messages[1]), TextName(kTextUninstallCompleteCaption));
    }

    EXPECT_FALSE(Exists(app / "f0.txt"));
    EXPECT_FALSE(Exists(app / "sub"));
    EXPECT_FALSE(Exists(app / "Uninstall" / "Uninstall.DAT"));
    EXPECT_FALSE(Exists(app / "Uninstall" / "Install.LOG"));
    EXPECT_FALSE(Registered(name));
    // The uninstaller and its folders are the batch's to remove once the run has ended.
    EXPECT_TRUE(Exists(Uninstaller(app)));
    std::vector<TranscriptRecord> batches = result.Records("batch");
    ASSERT_EQ(batches.size(), 1u) << result;
    EXPECT_EQ(batches[0].Field(0), Utf8(TempFolder() / "delunins.bat"));
    EXPECT_EQ(batches[0].Field(1), RemovalBatch(app));
  }
}

// ---- progress ----

// The fixed positions frame one position per listed file, 11 + 81 * index / count, where index
// counts every entry of the list before it, folders included.
TEST_F(UninstallSequence, ProgressPositionsAndStatusTexts) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name, kFlagShowProgressPage), app,
                                  Files({"f0.txt", "f1.txt", "a\\f2.txt", "a\\b\\f3.txt"})));
  const UninstallRecord record =
      ParseUninstallRecord(ReadText(app / L"Uninstall" / L"Uninstall.DAT"));
  std::vector<int> expected = {1, 3, 5, 10};
  std::vector<std::string> files;
  const std::vector<std::string>& entries = record.removalEntries;
  for (size_t index = 0; index < entries.size(); ++index) {
    if (entries[index].front() == '~' || entries[index].front() == '!') continue;
    expected.push_back(static_cast<int>(11 + 81 * index / entries.size()));
    files.push_back(entries[index]);
  }
  ASSERT_EQ(files.size(), 4u) << ReadText(app / L"Uninstall" / L"Uninstall.DAT");
  expected.insert(expected.end(), {92, 93, 95, 96, 97, 98, 100});

  RunResult result = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(result.exitCode, 0u) << result;
  EXPECT_EQ(ProgressPositions(result), expected) << result;
  EXPECT_EQ(StatusTexts(result),
            (std::vector<std::string>{TextName(kTextRemovingAssociations),
                                      TextName(kTextRemovingFonts), TextName(kTextRemovingFiles),
                                      TextName(kTextRemovingRegistryEntries)}))
      << result;
  // Each file's position comes right before its item.
  std::vector<std::string> items = result.Items();
  ASSERT_GE(items.size(), files.size()) << result;
  EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + files.size()), files);
  std::vector<TranscriptRecord> pages = result.Records("progresspage");
  ASSERT_EQ(pages.size(), 2u) << result;
  EXPECT_EQ(pages[0].fields, (std::vector<std::string>{"open", TextName(kTextUninstallCaption),
                                                       TextName(kTextUninstallCaption),
                                                       TextName(kTextUninstallingHeading)}))
      << result;
  EXPECT_EQ(pages[1].fields, std::vector<std::string>{"close"}) << result;
  EXPECT_EQ(result.transcript.front().kind, "progresspage") << result;
}

// ---- folders ----

// The folders the installation made go deepest first, each after the files; the install
// folder stays for the batch, even when nothing is left in it.
TEST_F(UninstallSequence, FoldersAreRemovedDeepestFirstAndNeverTheInstallFolder) {
  struct Case {
    const char* name;
    const char* uninstallSubdir;
    bool emptied;  // nothing is left in the install folder
  };
  const Case cases[] = {
      {"UninstallerInside", "Uninstall", false},
      // The uninstall data lie beside the install folder, so the run leaves it empty.
      {"UninstallerBeside", "..\\Beside", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name = NewName(c.name);
    const fs::path app = Folder() / c.name / "App";
    fs::create_directories(app.parent_path());
    ProductSettings product = Uninstallable(name);
    product.UninstallSubdir = Utf8ToUtf16(c.uninstallSubdir);
    RunResult installed =
        RunInstaller(MakeInstaller(MakePayload(Files({"a\\b\\c\\f0.txt", "a\\f1.txt", "d\\f2.txt"}),
                                               {}, 0, SettingsStream(product))),
                     DirectorySwitch(app) + L" /a");
    ASSERT_EQ(installed.exitCode, 1u) << installed;
    const fs::path uninstaller = fs::weakly_canonical(app / c.uninstallSubdir / "uninstall.exe");
    ASSERT_TRUE(Exists(uninstaller)) << installed;

    RunResult result = Uninstall(uninstaller, name, L"/a");
    EXPECT_EQ(result.exitCode, 0u) << result;
    const std::vector<std::string> items = result.Items();
    ASSERT_GE(items.size(), 3u) << result;
    // After the three files, the folders, longest first.
    const std::vector<std::string> folders(items.begin() + 3, items.end());
    for (size_t i = 1; i < folders.size(); ++i) {
      EXPECT_GE(folders[i - 1].size(), folders[i].size()) << result;
    }
    const std::string appText = Utf8(app);
    for (const char* made : {"\\a\\b\\c", "\\a\\b", "\\a", "\\d"}) {
      EXPECT_FALSE(Exists(app.wstring() + Utf8ToWide(made))) << made;
    }
    auto at = [&folders](const std::string& folder) {
      return std::find(folders.begin(), folders.end(), folder) - folders.begin();
    };
    EXPECT_LT(at(appText + "\\a\\b\\c"), at(appText + "\\a")) << result;
    EXPECT_TRUE(Exists(app)) << result;
    std::error_code error;
    EXPECT_EQ(fs::is_empty(app, error), c.emptied) << result;
    EXPECT_FALSE(Registered(name)) << result;
  }
}

// ---- a file that cannot be deleted ----

// The run reports the file and leaves Uninstall.DAT listing just it, with the texts and the
// sections still to undo, beside the uninstaller and the registration; it still ends with 0 and
// starts no self-removal. Once the file is free, a second run completes.
TEST_F(UninstallSequence, HeldFileIsLeftForTheNextRun) {
  struct Case {
    const char* name;
    const wchar_t* arguments;
    std::vector<std::string> answers;
    bool warned;
  };
  const Case cases[] = {
      {"Asked", L"", {"yes"}, true},
      {"Automatic", L"/a", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name = NewName(c.name);
    const fs::path app = Folder() / c.name;
    ProductSettings product = Uninstallable(name);
    // A section that outlives the file pass: the uninstall-time deletions.
    product.conditionalDeletes = {{"*.tmp", kDeleteAlways, "", kDeleteModeUninstall}};
    ASSERT_NO_FATAL_FAILURE(Install(product, app, Files({"held.txt", "free.txt"})));
    const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
    const UninstallRecord installed = ParseUninstallRecord(ReadText(dat));
    ASSERT_FALSE(installed.conditionalDeletes.empty()) << ReadText(dat);
    const std::string held = Utf8(app / "held.txt");

    {
      UniqueFileHandle lock = LockFile(app / "held.txt");
      ASSERT_TRUE(lock);
      RunResult result = Uninstall(Uninstaller(app), name, c.arguments, c.answers);
      EXPECT_EQ(result.exitCode, 0u) << result;
      const std::string failure = TextName(kTextUninstallFailed) + " " +
                                  TextName(kTextCannotRemoveFile) + " " + held + "\r\n";
      std::vector<std::string> messages;
      if (c.warned) messages = {TextName(kTextUninstallQuestion), failure};
      EXPECT_EQ(result.MessageTexts(), messages) << result;
      if (c.warned && result.Records("message").size() == 2) {
        const TranscriptRecord warning = result.Records("message")[1];
        EXPECT_EQ(MessageIcon(warning), "warning");
        EXPECT_EQ(MessageCaption(warning), TextName(kTextQuestionCaption));
      }
      EXPECT_TRUE(result.Records("batch").empty()) << result;
      EXPECT_FALSE(Exists(app / "free.txt"));
      EXPECT_TRUE(Exists(Uninstaller(app)));
      EXPECT_TRUE(Registered(name));

      const std::string left = ReadText(dat);
      EXPECT_TRUE(left.starts_with(held + "\r\n\r\n\r\n[Strings]\r\n~" +
                                   std::to_string(kTextUninstallFailed) + "\r\n" +
                                   TextName(kTextUninstallFailed) + " %s\r\n"))
          << left;
      UninstallRecord expected = installed;
      expected.removalEntries = {held};
      EXPECT_EQ(ParseUninstallRecord(left), expected) << left;
    }

    RunResult second = Uninstall(Uninstaller(app), name, L"/a");
    EXPECT_EQ(second.exitCode, 0u) << second;
    EXPECT_TRUE(second.MessageTexts().empty()) << second;
    EXPECT_FALSE(Exists(app / "held.txt"));
    EXPECT_FALSE(Exists(dat));
    EXPECT_FALSE(Registered(name));
    EXPECT_EQ(second.Records("batch").size(), 1u) << second;
  }
}

// ---- the rewritten record ----

// Uninstall.DAT is rewritten after the files even when all went well. The uninstaller has only
// the texts the record keeps, and the failure's text 31 is not among them: a record that cannot
// be rewritten (another program reads it and does not let it be replaced) is reported in the
// built-in words.
TEST_F(UninstallSequence, RecordThatCannotBeRewrittenIsReported) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name), app, Files({"f0.txt"})));
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  UniqueFileHandle reader(::CreateFileW(dat.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(reader);
  RunResult result = Uninstall(Uninstaller(app), name, L"", {"yes"});
  EXPECT_EQ(result.exitCode, 0u) << result;
  const std::vector<std::string> messages = result.MessageTexts();
  ASSERT_EQ(messages.size(), 2u) << result;
  EXPECT_EQ(messages[1].rfind(
                TextName(kTextUninstallFailed) + " Could not write " + Utf8(dat) + "\r\n", 0),
            0u)
      << result;
  EXPECT_FALSE(Exists(app / "f0.txt"));
  EXPECT_TRUE(Registered(name));
  // The record left in place still matches its digest: the next run accepts it and completes.
  reader.Reset();
  RunResult second = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(second.exitCode, 0u) << second;
  EXPECT_TRUE(second.Records("message").empty()) << second;
  EXPECT_FALSE(Registered(name));
}

// ---- conditional deletions ----

// A conditional deletion carried out is not carried out again: after a run that a held file
// keeps from completing, the rewritten record holds only the rule that found nothing, and the
// next run leaves alone a file made since under the done rule's name.
TEST_F(UninstallSequence, ConditionalDeletionCarriedOutIsNotRepeated) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ProductSettings product = Uninstallable(name);
  const FileDeletion done = {"cache.tmp", 0, "", kDeleteModeUninstall};
  const FileDeletion waiting = {"*.bak", 0, "", kDeleteModeUninstall};
  product.conditionalDeletes = {done, waiting};
  ASSERT_NO_FATAL_FAILURE(Install(product, app, Files({"held.txt"})));
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  WriteText(app / "cache.tmp", "made by the product");
  {
    UniqueFileHandle lock = LockFile(app / "held.txt");
    ASSERT_TRUE(lock);
    RunResult result = Uninstall(Uninstaller(app), name, L"/a");
    EXPECT_EQ(result.exitCode, 0u) << result;
    EXPECT_FALSE(Exists(app / "cache.tmp"));
    EXPECT_EQ(ParseUninstallRecord(ReadText(dat)).conditionalDeletes,
              std::vector<FileDeletion>{waiting})
        << ReadText(dat);
  }
  WriteText(app / "cache.tmp", "made after the first run");
  RunResult second = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(second.exitCode, 0u) << second;
  EXPECT_FALSE(Exists(app / "held.txt"));
  EXPECT_FALSE(Registered(name));
  EXPECT_EQ(ReadText(app / "cache.tmp"), "made after the first run");
}

// The uninstaller's path variables name the folders of the registration it reads: it has no
// installation of its own to take them from.
TEST_F(UninstallSequence, PathVariablesNameTheRegisteredFolders) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ProductSettings product = Uninstallable(name);
  product.conditionalDeletes = {{"%InstallDir%\\a.tmp", 0, "", kDeleteModeUninstall},
                                {"%UninstallDir%\\b.tmp", 0, "", kDeleteModeUninstall}};
  ASSERT_NO_FATAL_FAILURE(Install(product, app, Files({"f0.txt"})));
  WriteText(app / "a.tmp", "made by the product");
  WriteText(app / "Uninstall" / "b.tmp", "made by the product");
  RunResult result = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(result.exitCode, 0u) << result;
  EXPECT_FALSE(Exists(app / "a.tmp"));
  EXPECT_FALSE(Exists(app / "Uninstall" / "b.tmp"));
  EXPECT_FALSE(Registered(name));
}

// The folder the installation made around a held file stays with it, and stays in the record:
// the next run, with the file free, removes both.
TEST_F(UninstallSequence, HeldFileKeepsItsFolderForTheNextRun) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(
      Install(Uninstallable(name), app, Files({"sub\\held.txt", "sub\\deeper\\free.txt"})));
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  {
    UniqueFileHandle lock = LockFile(app / "sub" / "held.txt");
    ASSERT_TRUE(lock);
    RunResult result = Uninstall(Uninstaller(app), name, L"/a");
    EXPECT_EQ(result.exitCode, 0u) << result;
    EXPECT_FALSE(Exists(app / "sub" / "deeper"));
    EXPECT_EQ(ParseUninstallRecord(ReadText(dat)).removalEntries,
              (std::vector<std::string>{Utf8(app / "sub" / "held.txt"), "~" + Utf8(app / "sub")}))
        << ReadText(dat);
  }
  RunResult second = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(second.exitCode, 0u) << second;
  EXPECT_FALSE(Exists(app / "sub"));
  EXPECT_FALSE(Registered(name));
}

// A product whose installation folder goes as a whole: after a failure the folder's deletion
// must not take the rewritten record with it, or no later run could start.
TEST_F(UninstallSequence, HeldFileKeepsTheRecordWhenTheFolderGoesWhole) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ASSERT_NO_FATAL_FAILURE(Install(Uninstallable(name, kFlagDeleteInstallDirOnUninstall), app,
                                  Files({"held.txt", "extra\\free.txt"})));
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  // Left there by the product's user: the folder's deletion takes it.
  WriteText(app / "user.txt", "mine");
  {
    UniqueFileHandle lock = LockFile(app / "held.txt");
    ASSERT_TRUE(lock);
    RunResult result = Uninstall(Uninstaller(app), name, L"/a");
    EXPECT_EQ(result.exitCode, 0u) << result;
    EXPECT_FALSE(Exists(app / "user.txt"));
    EXPECT_TRUE(Registered(name));
    ASSERT_TRUE(Exists(dat));
    EXPECT_EQ(ParseUninstallRecord(ReadText(dat)).removalEntries,
              (std::vector<std::string>{Utf8(app / "held.txt")}))
        << ReadText(dat);
  }
  RunResult second = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(second.exitCode, 0u) << second;
  EXPECT_FALSE(Exists(app / "held.txt"));
  EXPECT_FALSE(Registered(name));
  EXPECT_EQ(second.Records("batch").size(), 1u) << second;
}

// ---- texts outside ASCII ----

// A product whose name and texts go beyond ASCII (French, German, Greek, Chinese), installed
// into a folder that the ANSI code page cannot name, then uninstalled: every form it is stored
// or shown in, byte for byte. Install.LOG is in the code page; the Add/Remove Programs values
// are UTF-16; Uninstall.DAT holds each path in the "|" form; the uninstaller's warning shows
// its text and paths whole; delunins.bat is a UTF-8 batch.
TEST_F(UninstallSequence, TextsOutsideAsciiKeepEachStoredForm) {
  ASSERT_EQ(::GetACP(), 1252u) << "the expected bytes below are those of code page 1252";
  const std::wstring name = NewName();
  const std::wstring displayName = L"Caf\u00E9 Gr\u00FC\u00DFe \u4E2D\u6587";
  const fs::path app = Folder() / L"Dossier \u00E9t\u00E9 \u4E2D\u6587";
  const std::string appUtf8 = Utf8(app);
  // The folder in code page 1252: what it holds, and "?" for the rest.
  const std::string appAnsi = Utf8(Folder()) + "\\Dossier \xE9t\xE9 ??";

  ProductSettings product = Uninstallable(name, kFlagWriteInstallLogAlways);
  product.uninstallKeyName = AsU16(name);
  product.DisplayName = AsU16(displayName);
  product.languages.texts[kTextInstallCompleteCaption] = u"Installation termin\u00E9e";
  product.languages.texts[kTextCannotRemoveFile] =
      u"Nicht gel\u00F6scht (\u03B1\u03C1\u03C7\u03B5\u03AF\u03BF, \u6587\u4EF6):";
  ASSERT_NO_FATAL_FAILURE(Install(product, app, Files({"held.txt", "free.txt"})));

  // Install.LOG, in the code page: the name, the folder and the completion text.
  const std::string log = ReadText(app / "Uninstall" / "Install.LOG");
  EXPECT_TRUE(
      log.starts_with("Installation log for: Caf\xE9 Gr\xFC\xDF"
                      "e ??\r\n"))
      << log;
  EXPECT_NE(log.find("\r\nInstall location: " + appAnsi + "\r\n"), std::string::npos) << log;
  EXPECT_TRUE(
      log.ends_with("\r\nInstallation termin\xE9"
                    "e\r\n"))
      << log;

  // The registration, in UTF-16.
  EXPECT_EQ(RegistrationText(name, L"DisplayName"), displayName);
  EXPECT_EQ(RegistrationText(name, L"InstallLocation"), app.wstring());

  // Uninstall.DAT: paths in the "|" form, texts in UTF-8.
  const fs::path dat = app / L"Uninstall" / L"Uninstall.DAT";
  const std::string record = ReadText(dat);
  for (const char* file : {"held.txt", "free.txt"}) {
    EXPECT_NE(record.find("|" + appUtf8 + "\\" + file + "\r\n"), std::string::npos) << record;
  }
  EXPECT_NE(record.find("\r\n~" + std::to_string(kTextCannotRemoveFile) +
                        "\r\nNicht gel\xC3\xB6scht (\xCE\xB1\xCF\x81\xCF\x87\xCE\xB5\xCE\xAF"
                        "\xCE\xBF, \xE6\x96\x87\xE4\xBB\xB6):\r\n"),
            std::string::npos)
      << record;

  // A file the uninstaller cannot delete: its warning names it whole.
  const std::string held = appUtf8 + "\\held.txt";
  {
    UniqueFileHandle lock = LockFile(app / "held.txt");
    ASSERT_TRUE(lock);
    RunResult result = Uninstall(Uninstaller(app), name, L"", {"yes"});
    EXPECT_EQ(result.exitCode, 0u) << result;
    EXPECT_EQ(result.MessageTexts(),
              (std::vector<std::string>{
                  TextName(kTextUninstallQuestion),
                  TextName(kTextUninstallFailed) +
                      " Nicht gel\xC3\xB6scht (\xCE\xB1\xCF\x81\xCF\x87\xCE\xB5\xCE\xAF\xCE\xBF, "
                      "\xE6\x96\x87\xE4\xBB\xB6): " +
                      held + "\r\n"}))
        << result;
    EXPECT_TRUE(ReadText(dat).starts_with("|" + held + "\r\n\r\n\r\n[Strings]\r\n"))
        << ReadText(dat);
  }

  // The last run: delunins.bat in UTF-8, the folder whole.
  RunResult last = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(last.exitCode, 0u) << last;
  EXPECT_FALSE(Registered(name));
  std::vector<TranscriptRecord> batches = last.Records("batch");
  ASSERT_EQ(batches.size(), 1u) << last;
  std::string batch = RemovalBatch(app);
  batch.replace(0, batch.find("\r\n"), "@chcp 65001 >nul");
  EXPECT_EQ(batches[0].Field(1), batch);
}

// ---- the background window ----

// A product with a background window: the installer opens it with the settings read first and
// shows it again with all of them and its picture; the installation leaves the picture for the
// uninstaller, which reads it only while the registration says the product has one and the
// file is there.
TEST_F(UninstallSequence, BackgroundWindowOfInstallerAndUninstaller) {
  const std::wstring name = NewName();
  const fs::path app = Folder() / "App";
  ProductSettings product = Uninstallable(name, kFlagBackgroundBitmap);
  product.ProductFlags &= ~kFlagNoBackgroundWindow;
  product.TaskbarText = u"Backdrop \u00C9 Setup";
  product.DisplayTitle = u"Backdrop \u00C9";
  product.TitleSize = 1.0;
  product.TitlePosition = 1;
  product.CopyrightText = u"(c) Maker";
  product.CopyrightPos = 6;
  product.CopyrightSize = 1.0;
  product.bitmap = test_support::Bmp(3, 2, 8, {0xFF0000, 0x00FF00}, {0, 1, 0, 0, 1, 0, 1, 0});
  product.BitmapSize = 100;
  product.BitmapTPI = 1;

  RunResult installed =
      RunInstaller(MakeInstaller(MakePayload(Files({"f0.txt"}), {}, 0, SettingsStream(product))),
                   DirectorySwitch(app) + L" /a /min");
  ASSERT_EQ(installed.exitCode, 1u) << installed;
  const std::string caption = "Backdrop \xC3\x89 Setup";
  const std::string title = "Backdrop \xC3\x89";
  const std::vector<TranscriptRecord> opened = installed.Records("background");
  ASSERT_EQ(opened.size(), 2u) << installed;
  EXPECT_EQ(opened[0].fields,
            (std::vector<std::string>{"open", caption, title, "", "none", "minimised"}));
  EXPECT_EQ(opened[1].fields,
            (std::vector<std::string>{"again", caption, title, "(c) Maker", "3x2", "minimised"}));
  const fs::path picture = app / L"Uninstall" / L"Installer Background.BMP";
  EXPECT_EQ(ReadText(picture), std::string(product.bitmap.begin(), product.bitmap.end()));

  // Without the picture flag in the registration the file is not read; the answer "no" keeps
  // the product.
  const std::wstring flags = RegistrationText(name, L"ProductFlags");
  ASSERT_EQ(SetRegistrationText(name, L"ProductFlags",
                                std::to_wstring(std::stoull(flags) & ~kFlagBackgroundBitmap)),
            ERROR_SUCCESS);
  RunResult kept = Uninstall(Uninstaller(app), name, L"", {"no"});
  EXPECT_EQ(kept.exitCode, 1u) << kept;
  ASSERT_EQ(kept.Records("background").size(), 1u) << kept;
  EXPECT_EQ(kept.Records("background")[0].fields,
            (std::vector<std::string>{"open", caption, title, "(c) Maker", "none", "normal"}));
  ASSERT_EQ(SetRegistrationText(name, L"ProductFlags", flags), ERROR_SUCCESS);

  // With the flag but without the file: no picture either.
  const fs::path aside = app / L"picture.aside";
  fs::rename(picture, aside);
  RunResult missing = Uninstall(Uninstaller(app), name, L"", {"no"});
  EXPECT_EQ(missing.exitCode, 1u) << missing;
  ASSERT_EQ(missing.Records("background").size(), 1u) << missing;
  EXPECT_EQ(missing.Records("background")[0].Field(4), "none") << missing;
  fs::rename(aside, picture);

  RunResult removed = Uninstall(Uninstaller(app), name, L"/a");
  EXPECT_EQ(removed.exitCode, 0u) << removed;
  ASSERT_EQ(removed.Records("background").size(), 1u) << removed;
  EXPECT_EQ(removed.Records("background")[0].fields,
            (std::vector<std::string>{"open", caption, title, "(c) Maker", "3x2", "normal"}));
  EXPECT_FALSE(Exists(picture)) << removed;
  EXPECT_FALSE(Registered(name));
}

}  // namespace
}  // namespace qs::systest
