// Installations that end badly in the middle of their files: an installer killed while it
// writes a file, and a disk that fills up. Afterwards the previous installation's files are
// whole, its record still describes them, and a second run completes and can be uninstalled.
//
// The full disk needs a small drive: the ctest entry system_tests_small_drive maps a tmpfs of a
// few MiB as drive S: of a prefix of its own, and a read-only one as R:
// (tests/system/with-small-drive). Its suite, SmallDrivePrefix..., skips wherever S: is not
// that drive.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/system_error_win.h"
#include "base/text_win.h"
#include "file_fixtures.h"
#include "install_sequence_fixture.h"
#include "registration_fixtures.h"

namespace qs::systest {
namespace {

// Bytes that zlib cannot shrink, different for each seed.
std::string Noise(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 16);
  }
  return bytes;
}

// Files of the folder tree whose names end in the writer's partial-file suffix.
std::vector<std::string> PartialFiles(const fs::path& folder) {
  std::vector<std::string> found;
  std::error_code ignored;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ignored)) {
    if (entry.path().wstring().ends_with(L".qs-partial")) found.push_back(Utf8(entry.path()));
  }
  return found;
}

class InterruptedInstall : public InstallSequence {
 protected:
  void TearDown() override {
    DeleteRegistration(name_);
    InstallSequence::TearDown();
  }

  // Version `version` of an uninstallable product of this test's own.
  ProductSettings Version(const char16_t* version) {
    name_ = OwnName();
    ProductSettings product = SequenceProduct(kQuiet | kFlagUninstallable);
    product.DisplayName = AsU16(name_);
    product.DisplayVersion = version;
    product.UninstallSubdir = u"Uninstall";
    product.uninstallerName = u"uninstall.exe";
    return product;
  }

  std::vector<uint8_t> Setup(const ProductSettings& product,
                             const std::vector<builder::PayloadFile>& files) {
    return MakeInstaller(MakePayload(files, {}, 0, SettingsStream(product)));
  }

  RunResult Install(const std::vector<uint8_t>& installer, const fs::path& folder,
                    const RunOptions& options = {}) {
    return RunInstaller(installer, DirectorySwitch(folder) + L" /a", options);
  }

  // Uninstalls silently; afterwards nothing of the installation is left but the uninstaller,
  // which the recorded run leaves to its removal batch.
  void UninstallCompletely(const fs::path& folder) {
    RunOptions options;
    const std::wstring temp = MadeFolder("temp").wstring();
    options.environment = {{L"TMP", temp}, {L"TEMP", temp}};
    const fs::path uninstaller = folder / L"Uninstall" / L"uninstall.exe";
    RunResult result = Run(uninstaller, L"/u:\"" + name_ + L"\" /a", options);
    EXPECT_EQ(result.exitCode, 0u) << result;
    EXPECT_EQ(result.Records("batch").size(), 1u) << result;
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file()) left.push_back(Utf8(entry.path()));
    }
    EXPECT_EQ(left, std::vector<std::string>{Utf8(uninstaller)});
    EXPECT_FALSE(Registered(name_));
  }

 private:
  std::wstring name_;
};

// The installer is killed while it writes the large file of an upgrade: the previous file stays
// whole (a shortened one with a new date would pass as up to date later), the record is the
// previous installation's, and running the upgrade again completes.
TEST_F(InterruptedInstall, KilledInTheMiddleOfAFileLeavesThePreviousFile) {
  const fs::path folder = Folder() / "App";
  const fs::path large = folder / "large.bin";
  const std::string before = Noise(512 * 1024, 1);
  const std::string after = Noise(48 * 1024 * 1024, 2);
  ASSERT_EQ(Install(Setup(Version(u"1.0"), {MakeFile("large.bin", before)}), folder).exitCode, 1u);
  const std::string record = ReadText(folder / "Uninstall" / "Uninstall.DAT");
  ASSERT_NE(record, "");

  const std::vector<uint8_t> upgrade =
      Setup(Version(u"2.0"), {MakeFile("large.bin", after), MakeFile("small.txt", "small")});
  RunOptions options;
  options.stopWhen = [&] {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const bool partial = ::GetFileAttributesExW((large.wstring() + L".qs-partial").c_str(),
                                                GetFileExInfoStandard, &data);
    const bool changed = ::GetFileAttributesExW(large.c_str(), GetFileExInfoStandard, &data) &&
                         data.nFileSizeLow != before.size();
    return partial || changed;
  };
  const RunResult killed = Install(upgrade, folder, options);
  ASSERT_TRUE(killed.stopped) << killed;

  const std::string held = ReadText(large);
  EXPECT_TRUE(held == before || held == after) << "large.bin holds " << held.size() << " bytes";
  EXPECT_EQ(ReadText(folder / "Uninstall" / "Uninstall.DAT"), record);

  const RunResult again = Install(upgrade, folder);
  EXPECT_EQ(again.exitCode, 1u) << again;
  EXPECT_TRUE(ReadText(large) == after);
  EXPECT_EQ(ReadText(folder / "small.txt"), "small");
  EXPECT_EQ(PartialFiles(folder), std::vector<std::string>{});
  UninstallCompletely(folder);
}

// The drive S: that tests/system/with-small-drive maps; empty when this prefix has none.
fs::path SmallDrive() {
  ULARGE_INTEGER total{};
  if (!::GetDiskFreeSpaceExW(L"S:\\", nullptr, &total, nullptr)) return {};
  if (total.QuadPart == 0 || total.QuadPart > 64u * 1024 * 1024) return {};
  return L"S:\\";
}

uint64_t FreeSpace(const fs::path& drive) {
  ULARGE_INTEGER free{};
  ::GetDiskFreeSpaceExW(drive.c_str(), &free, nullptr, nullptr);
  return free.QuadPart;
}

using SmallDrivePrefixInterruptedInstall = InterruptedInstall;

// The upgrade's file does not fit: the run says which file it could not write and why, the
// previous file is whole, nothing half-written is left, and once there is room again the same
// installer completes.
TEST_F(SmallDrivePrefixInterruptedInstall, FullDiskKeepsThePreviousFiles) {
  const fs::path drive = SmallDrive();
  if (drive.empty()) GTEST_SKIP() << "runs where S: is a small drive (system_tests_small_drive)";
  const fs::path root = drive / "FullDisk";
  std::error_code ignored;
  fs::remove_all(root, ignored);
  const fs::path folder = root / "App";
  const std::string before = Noise(64 * 1024, 3);
  const std::string after = Noise(2 * 1024 * 1024, 4);
  ASSERT_EQ(Install(Setup(Version(u"1.0"), {MakeFile("data.bin", before)}), folder).exitCode, 1u);
  // The uninstaller is a copy of the installer, payload and all, so it does not fit either.
  const fs::path uninstaller = folder / "Uninstall" / "uninstall.exe";
  const std::string previousUninstaller = ReadText(uninstaller);

  // Leave less room than the new file needs, but enough for the log that reports it.
  const fs::path filler = root / "filler.bin";
  const uint64_t free = FreeSpace(drive);
  ASSERT_GT(free, 1024u * 1024);
  WriteText(filler, std::string(static_cast<size_t>(free - 1024 * 1024), 'f'));
  ASSERT_LT(FreeSpace(drive), after.size());

  const std::vector<uint8_t> upgrade = Setup(Version(u"2.0"), {MakeFile("data.bin", after)});
  const RunResult full = Install(upgrade, folder);
  EXPECT_FALSE(full.timedOut) << full;
  // The failure is in the log that an automatic run leaves, with the system's reason.
  const std::string log = ReadText(folder / "Uninstall" / "Install.LOG");
  EXPECT_NE(log.find(TextName(kTextCannotWriteFile) + " " + Utf8(folder / "data.bin") + "\r\n" +
                     SystemErrorText(ERROR_DISK_FULL)),
            std::string::npos)
      << log;
  EXPECT_TRUE(ReadText(folder / "data.bin") == before);
  EXPECT_TRUE(ReadText(uninstaller) == previousUninstaller);
  EXPECT_EQ(PartialFiles(root), std::vector<std::string>{});
  EXPECT_NE(ReadText(folder / "Uninstall" / "Uninstall.DAT").find(Utf8(folder / "data.bin")),
            std::string::npos);

  fs::remove(filler);
  const RunResult again = Install(upgrade, folder);
  EXPECT_EQ(again.exitCode, 1u) << again;
  EXPECT_TRUE(ReadText(folder / "data.bin") == after);
  UninstallCompletely(folder);
  fs::remove_all(root, ignored);
}

// A first installation onto a read-only drive: nothing can be written, so the product must not
// be registered for a removal whose uninstaller is missing.
TEST_F(SmallDrivePrefixInterruptedInstall, ReadOnlyDriveGetsNoRegistration) {
  if (SmallDrive().empty()) GTEST_SKIP() << "runs where R: is a read-only drive";
  const fs::path folder = L"R:\\App";
  const RunResult result = Install(Setup(Version(u"1.0"), {MakeFile("data.bin", "data")}), folder);
  EXPECT_FALSE(result.timedOut) << result;
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_FALSE(Registered(OwnName()));
}

}  // namespace
}  // namespace qs::systest
