// Installing and then uninstalling a product leaves the prefix as it was: every file, folder,
// registry key and value the installation made is gone, the uninstaller and its folders
// included, and nothing else has changed.
//
// The installer and the uninstaller run for real (no transcript), so the uninstaller removes
// itself through delunins.bat as it would on Windows. A snapshot of drive C: and of the registry
// trees an installer writes to is taken before the installation and after the batch has ended,
// and the two are compared.
//
// Other tests change the prefix while they run, so these tests have a prefix of their own
// (QS_PREFIX_NAME "roundtrip"; ctest entry system_tests_roundtrip) and skip elsewhere. Their
// suite is RoundTripPrefix.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/text_win.h"
#include "builder/project_file.h"
#include "file_fixtures.h"
#include "harness_win.h"
#include "prefix_snapshot.h"
#include "registration_fixtures.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

bool InRoundTripPrefix() {
  const char* prefix = std::getenv("QS_PREFIX_NAME");
  return prefix != nullptr && std::string_view(prefix) == "roundtrip";
}

// The temporary folder, where delunins.bat is written, without its trailing backslash.
fs::path TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  std::wstring folder(temp, length);
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// Waits until `path` is gone; false after `timeout`.
bool WaitUntilGone(const fs::path& path, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// The example's project with another name and `tables` added at its end.
bool ExampleVariant(const std::string& name, const std::string& tables, builder::Project& project,
                    std::string& error) {
  const fs::path path = SourcePath("examples/hello/hello.toml");
  std::string text = ReadText(path);
  const std::string original = "name = \"Hello\"";
  const size_t at = text.find(original);
  if (at == std::string::npos) {
    error = "the example's project no longer names its product \"Hello\"";
    return false;
  }
  text.replace(at, original.size(), "name = \"" + name + "\"");
  text += "\n" + tables;
  builder::ProjectContext context;
  if (!builder::BuildTimeFromEnvironment(context, error)) return false;
  return builder::ParseProject(text, path.string(), context, project, error);
}

// Wine's command interpreter (8.0) reads a batch in the OEM code page whatever "chcp 65001"
// says, so there a UTF-8 delunins.bat cannot name a folder outside the ANSI code page; from
// Windows 7 on the interpreter reads it. Asked of the interpreter at hand: a UTF-8 batch makes a
// folder with a Chinese name in `folder`.
bool InterpreterReadsUtf8Batches(const fs::path& folder) {
  const fs::path probe = folder / L"utf8-probe.bat";
  WriteText(probe, "@chcp 65001 >nul\r\n@mkdir \"" + WideToUtf8(folder.wstring()) +
                       "\\\xE4\xB8\xAD\"\r\n");
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  const fs::path interpreter = fs::path(system) / L"cmd.exe";
  RunOptions options;
  options.transcript = false;
  RunProgram(interpreter, L"\"" + interpreter.wstring() + L"\" /c \"" + probe.wstring() + L"\"",
             folder, options);
  return ::GetFileAttributesW((folder / L"\u4E2D").c_str()) != INVALID_FILE_ATTRIBUTES;
}

class RoundTripPrefix : public SystemTest {
 protected:
  static constexpr wchar_t kRoot[] = L"C:\\qs-roundtrip";

  void SetUp() override {
    SystemTest::SetUp();
    if (!InRoundTripPrefix()) {
      GTEST_SKIP() << "runs in its own prefix (ctest entry system_tests_roundtrip)";
    }
    // The parent of the install folders is there before the installation, as a user's
    // Program Files is, so that the installer makes only the install folder itself.
    std::error_code error;
    fs::create_directories(kRoot, error);
    ASSERT_FALSE(error) << error.message();

    scope_.registry = {
        {HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_64KEY, L"HKLM64\\Software"},
        {HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_32KEY, L"HKLM32\\Software"},
        {HKEY_CURRENT_USER, L"Software", 0, L"HKCU\\Software"},
        {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
         KEY_WOW64_64KEY, L"HKLM\\Session Manager"},
    };
    scope_.excluded = {
        // This test's own folder: the installer made for it and what the runs write there.
        Folder().wstring() + L"\\",
        // The 32-bit view as a 64-bit system keeps it: taken as HKLM32 already.
        L"HKLM64\\Software\\Wow6432Node\\",
    };
    // Wine lists the machine's network adapters here when a session of the prefix starts,
    // which may be while a test runs.
    for (const wchar_t* tree : {L"HKLM64\\Software\\", L"HKLM32\\Software\\"}) {
      scope_.excluded.push_back(std::wstring(tree) +
                                L"Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\");
    }
    // Wine keeps the display's colours and metrics of the running session in volatile keys that
    // the first windowing program of a session makes; a restarted session makes them again.
    scope_.excluded.push_back(L"HKCU\\Software\\Wine\\Temporary System Parameters\\");
  }

  void TearDown() override {
    if (HasFailure() && !differences_.empty()) RemoveAdded(scope_, differences_);
    ::RemoveDirectoryW(kRoot);  // when empty
    SystemTest::TearDown();
  }

  struct Placement {
    std::wstring folderName;       // the install folder, in kRoot
    std::wstring uninstallSubdir;  // the product's uninstall sub-folder
    bool directorySwitch = true;   // named with /d; else the product's own default
    // The command interpreter can read delunins.bat: otherwise the uninstaller and the folders
    // only the batch removes are expected to stay.
    bool batchReadable = true;
    // The installer programs, in turn: the first installs, each further one installs again
    // over what the one before left (and leaves its own uninstaller). None: this build's.
    std::vector<const std::vector<uint8_t>*> programs;
  };

  // Installs `project` silently, checks its registration, uninstalls it with the command the
  // registration gives, waits for the self-removal batch, and compares the prefix with what it
  // was before.
  void RoundTrip(const builder::Project& project, const Placement& placement) {
    const std::wstring keyName(AsWide(project.settings.DisplayName));
    const fs::path installDir = fs::path(kRoot) / placement.folderName;
    const fs::path uninstallDir =
        placement.uninstallSubdir.empty() ? installDir : installDir / placement.uninstallSubdir;
    const fs::path uninstaller = uninstallDir / L"uninstall.exe";
    const fs::path batch = TempFolder() / L"delunins.bat";

    std::vector<fs::path> setups;
    std::vector<const std::vector<uint8_t>*> programs = placement.programs;
    if (programs.empty()) programs.push_back(&StubBytes());
    for (const std::vector<uint8_t>* program : programs) {
      std::vector<uint8_t> installer;
      std::string error;
      ASSERT_TRUE(builder::BuildInstaller(project, *program, installer, error)) << error;
      setups.push_back(WriteFile(L"setup" + std::to_wstring(setups.size()) + L".exe", installer));
    }

    // Whatever an interrupted earlier run left of this product goes first.
    std::error_code ignored;
    fs::remove_all(installDir, ignored);
    DeleteRegistration(keyName);
    const PrefixSnapshot before = TakeSnapshot(scope_);
    RunOptions options;
    options.transcript = false;  // the real thing: windows under Xvfb, the batch launched
    const std::wstring arguments =
        placement.directorySwitch ? L"/a /d:\"" + installDir.wstring() + L"\"" : L"/a";
    for (const fs::path& setup : setups) {
      const RunResult installed = Run(setup, arguments, options);
      ASSERT_EQ(installed.exitCode, 1u) << WideToUtf8(setup.filename().wstring()) << installed;
    }
    differences_ = SnapshotDifferences(before, TakeSnapshot(scope_));

    // What the installation made is seen: the uninstaller and its registration.
    const std::wstring key = L"HKLM32\\" + std::wstring(kUninstallRoot) + keyName + L"\\";
    EXPECT_TRUE(WasAdded(differences_, installDir.wstring() + L"\\"))
        << DifferenceText(differences_);
    EXPECT_TRUE(WasAdded(differences_, uninstaller.wstring())) << DifferenceText(differences_);
    EXPECT_TRUE(WasAdded(differences_, key)) << DifferenceText(differences_);

    // The installation had no failures (the example always writes its log), so what follows
    // undoes a whole installation.
    const std::string log = ReadText(uninstallDir / L"Install.LOG");
    EXPECT_NE(log.find("Installation log for: "), std::string::npos) << log;
    EXPECT_EQ(log.find("FAILURE SUMMARY"), std::string::npos) << log;

    const std::wstring quiet = RegistrationText(keyName, L"QuietUninstallString");
    const std::wstring expectedQuiet =
        L"\"" + uninstaller.wstring() + L"\" /a /u:\"" + keyName + L"\"";
    EXPECT_EQ(WideToUtf8(quiet), WideToUtf8(expectedQuiet));
    EXPECT_EQ(WideToUtf8(RegistrationText(keyName, L"UninstallString")),
              WideToUtf8(L"\"" + uninstaller.wstring() + L"\" /u:\"" + keyName + L"\""));
    const std::wstring command = quiet.empty() ? expectedQuiet : quiet;

    const RunResult removed = RunProgram(ProgramOf(command), command, Folder(), options);
    EXPECT_EQ(removed.exitCode, 0u) << removed;
    // delunins.bat waits for the uninstaller to end, pauses, removes the folders and then
    // itself.
    if (placement.batchReadable) {
      EXPECT_TRUE(WaitUntilGone(installDir, std::chrono::seconds(30)))
          << WideToUtf8(installDir.wstring()) << " is still there";
    }
    EXPECT_TRUE(WaitUntilGone(batch, std::chrono::seconds(30)))
        << WideToUtf8(batch.wstring()) << " is still there";
    // The interpreter ends right after deleting the batch.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    differences_ = SnapshotDifferences(before, TakeSnapshot(scope_));
    std::vector<SnapshotDifference> left = differences_;
    if (!placement.batchReadable) {
      // Exactly what the batch would have removed stays: the uninstaller, the levels of the
      // uninstall sub-folder and the install folder.
      std::vector<std::wstring> batchWork = {uninstaller.wstring()};
      for (fs::path level = uninstallDir; level != installDir.parent_path();
           level = level.parent_path()) {
        batchWork.push_back(level.wstring() + L"\\");
      }
      for (const std::wstring& path : batchWork) {
        EXPECT_TRUE(WasAdded(left, path)) << WideToUtf8(path) << " is gone";
        std::erase_if(left, [&path](const SnapshotDifference& difference) {
          return difference.kind == SnapshotDifference::kAdded && difference.path == path;
        });
      }
      RemoveAdded(scope_, differences_);
    }
    EXPECT_TRUE(left.empty()) << "the prefix differs from before the installation:\n"
                              << DifferenceText(left);
  }

  SnapshotScope scope_;
  std::vector<SnapshotDifference> differences_;
};

// The example as it is: the uninstaller in the "Uninstall" sub-folder beside Install.LOG, and
// whatever else its project asks for.
TEST_F(RoundTripPrefix, Example) {
  builder::Project project;
  std::string error;
  ASSERT_TRUE(
      builder::LoadProject(SourcePath("examples/hello/hello.toml").string(), project, error))
      << error;
  RoundTrip(project, {L"Hello", L"Uninstall"});
}

// No uninstall sub-folder: the uninstaller and Uninstall.DAT lie in the install folder itself.
TEST_F(RoundTripPrefix, UninstallerInTheInstallFolder) {
  builder::Project project;
  std::string error;
  ASSERT_TRUE(ExampleVariant("Hello Flat", "[uninstall]\nsubdir = ''\n", project, error)) << error;
  RoundTrip(project, {L"Hello Flat", L""});
}

// A sub-folder two levels deep: each level is the batch's to remove.
TEST_F(RoundTripPrefix, NestedUninstallFolder) {
  builder::Project project;
  std::string error;
  ASSERT_TRUE(
      ExampleVariant("Hello Nested", "[uninstall]\nsubdir = 'Data\\Uninstall'\n", project, error))
      << error;
  RoundTrip(project, {L"Hello Nested", L"Data\\Uninstall"});
}

// An install folder whose name the ANSI code page cannot hold, the product's default: the paths
// travel in their UTF-8 form through the record and the registration, and delunins.bat is
// written in UTF-8.
TEST_F(RoundTripPrefix, FolderOutsideTheCodePage) {
  builder::Project project;
  std::string error;
  ASSERT_TRUE(ExampleVariant(
      "Hello Wide", "[install]\ndefault_dir = 'C:\\qs-roundtrip\\Hello \xE4\xB8\xAD\xE6\x96\x87'\n",
      project, error))
      << error;
  RoundTrip(project,
            {L"Hello \u4E2D\u6587", L"Uninstall", false, InterpreterReadsUtf8Batches(Folder())});
}

// One build's program makes the installation, the other's installs over it and its uninstaller
// removes it: both read and write the same folders, registry view and records. Both directions,
// from either build's tests.
TEST_F(RoundTripPrefix, InstallationCrossesBuilds) {
  std::string why;
  if (!ThirtyTwoBitProgramsRun(why)) GTEST_SKIP() << why;
  const std::vector<uint8_t> other = ReadBytes(OtherBuildStubPath());
  ASSERT_FALSE(other.empty()) << "the other build's program is missing: "
                              << OtherBuildStubPath().string() << " (scripts/build makes it)";
  const std::vector<uint8_t>* thisBuild = &StubBytes();
  const struct {
    const char* name;
    std::vector<const std::vector<uint8_t>*> programs;
  } kDirections[] = {
      {"this build, then the other", {thisBuild, &other}},
      {"the other build, then this", {&other, thisBuild}},
  };
  for (const auto& direction : kDirections) {
    SCOPED_TRACE(direction.name);
    builder::Project project;
    std::string error;
    ASSERT_TRUE(ExampleVariant("Hello Cross", "", project, error)) << error;
    RoundTrip(project, {L"Hello Cross", L"Uninstall", true, true, direction.programs});
  }
}

}  // namespace
}  // namespace qs::systest
