// A printed project builds the same settings stream again, byte for byte, and the same
// entries: for the example product, for settings that set every field, and for values a
// project cannot write as plain text (bytes outside UTF-8, NaNs, dates that are no dates).
#include "builder/project_printer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>

#include "base/text.h"
#include "builder/project_file.h"
#include "builder/settings_writer.h"
#include "builder/text_forms.h"
#include "core/product_flags.h"
#include "core/settings_reader.h"
#include "tests/support/settings_fixture.h"

namespace qs::builder {
namespace {

namespace fs = std::filesystem;

fs::path Utf8Path(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("qs_printer_" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A printed installer may hold anything the settings stream can, also what the installer
// program cannot do yet; the round trips cover those keys too.
ProjectContext FixedContext() {
  ProjectContext context;
  context.buildTime = DateTimeFromUnixSeconds(1700000000);
  context.refuseUnbuilt = false;
  return context;
}

void ExpectSameEntry(const PayloadFile& a, const PayloadFile& b) {
  EXPECT_EQ(a.name, b.name);
  EXPECT_EQ(a.kind, b.kind) << a.name;
  EXPECT_EQ(a.flags, b.flags) << a.name;
  EXPECT_EQ(a.attributes, b.attributes) << a.name;
  EXPECT_EQ(std::memcmp(&a.dateTime, &b.dateTime, sizeof a.dateTime), 0) << a.name;
  EXPECT_EQ(a.text, b.text) << a.name;
  EXPECT_EQ(a.icon, b.icon) << a.name;
  EXPECT_EQ(a.command, b.command) << a.name;
  EXPECT_EQ(a.destination, b.destination) << a.name;
  EXPECT_EQ(a.extra, b.extra) << a.name;
  EXPECT_EQ(a.msiUiLevel, b.msiUiLevel) << a.name;
  EXPECT_EQ(a.content, b.content) << a.name;
}

// Settings -> stream -> read as stored -> printed -> parsed -> stream: the same bytes. The
// entries' contents are written where `quillonet extract` would write them.
void ExpectRoundTrip(const ProductSettings& settings, const std::vector<PayloadFile>& files,
                     const ContainerOptions& container) {
  std::vector<uint8_t> stream;
  std::string error;
  ASSERT_TRUE(WriteSettingsStream(settings, stream, error)) << error;
  ProductSettings stored;
  SettingsEnvironment environment;
  environment.applyDefaults = false;
  ASSERT_EQ(ReadSettingsStream(stream, environment, stored), 0);
  stored.ProductFlags2 = settings.ProductFlags2;
  const std::string text = FormatProject(stored, files, container);

  TempFolder folder;
  for (const PayloadFile& file : files) {
    std::string relative;  // as `quillonet extract` names it
    ASSERT_TRUE(Utf8FromNarrow(file.name, relative));
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const fs::path path = folder.path() / "files" / Utf8Path(relative);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.content.data()),
               static_cast<std::streamsize>(file.content.size()));
  }
  Project project;
  ASSERT_TRUE(
      ParseProject(text, (folder.path() / "printed.toml").string(), FixedContext(), project, error))
      << error << "\n----\n"
      << text;

  std::vector<uint8_t> again;
  ASSERT_TRUE(WriteSettingsStream(project.settings, again, error)) << error;
  EXPECT_EQ(again, stream) << text;
  EXPECT_EQ(project.settings.ProductFlags2, settings.ProductFlags2);
  EXPECT_EQ(project.container.blowfishKey, container.blowfishKey);
  EXPECT_EQ(project.container.compressBlocks, (settings.ProductFlags & kFlagCompressedBlocks) != 0);
  ASSERT_EQ(project.files.size(), files.size());
  for (size_t i = 0; i < files.size(); ++i) ExpectSameEntry(project.files[i], files[i]);
}

TEST(ProjectPrinter, TheExampleProductPrintsBackToItself) {
  const std::string path = QS_SOURCE_DIR "/examples/hello/hello.toml";
  std::ifstream in(path, std::ios::binary);
  if (!in) GTEST_SKIP() << "the source tree is not reachable from here";
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  Project project;
  std::string error;
  ASSERT_TRUE(ParseProject(text, path, FixedContext(), project, error)) << error;
  ExpectRoundTrip(project.settings, project.files, project.container);
}

std::vector<PayloadFile> EveryKindOfEntry() {
  std::vector<PayloadFile> files(8);
  files[0].name = "bin\\app.exe";
  files[0].flags = kEntryShortcutMask;
  files[0].text = "App \u00c4";
  files[0].icon = "app.ico";
  files[0].command = "/start";
  files[0].extra = "%InstallDir%";
  files[0].attributes = 0x21;
  files[0].dateTime = {2024, 2, 29, 23, 59, 58};
  files[0].content = {'M', 'Z'};
  files[1].name = "setup.msi";
  files[1].kind = kMsiPackage;
  files[1].flags = kEntryUninstallPackage;
  files[1].msiUiLevel = 5;
  files[1].dateTime = {2024, 1, 2, -1, 0, 0};
  files[2].name = "lib.dll";
  files[2].kind = kVersionedFile;  // no version: printed as "", not taken from the file again
  files[3].name = "shared.dat";
  files[3].kind = kSharedFolderFile;
  files[3].flags =
      0x100 | (kOverwriteUnlessExistingNewer << 2) | kEntryKeep | kEntryInUninstallFolder;
  files[3].attributes = 0x80000000;
  files[3].destination = "%InstallDir%\\x\\";
  files[3].dateTime = {2024, 13, 40, 25, 61, 61};  // no calendar date
  files[4].name = NarrowFromUtf8("d\u00efr\\f\u00efle.txt");
  files[4].attributes = 0;
  files[5].name = "Font.ttf";
  files[5].kind = kFontFile;
  files[5].text = "Font Face";
  files[6].name = "applet.cpl";
  files[6].kind = kControlPanelApplet;
  files[6].text = "Applet";
  files[7].name = "tool.exe";
  files[7].kind = kShortcutFile;
  files[7].flags = kEntryDesktop;
  files[7].icon = "";
  files[7].text = "Tool";
  return files;
}

TEST(ProjectPrinter, EveryFieldPrintsBackToTheSameStream) {
  ProductSettings s = test_support::FullSettings();
  s.ProductFlags2 = kFlags2StrippedUninstaller | 0x8000 | kFlags2Enciphered;
  ContainerOptions container;
  container.blowfishKey = std::array<uint8_t, 8>{0xDE, 0xAD, 0xBE, 0xEF, 0, 1, 2, 3};
  ExpectRoundTrip(s, EveryKindOfEntry(), container);
}

TEST(ProjectPrinter, ValuesWithoutAPlainFormPrintExactly) {
  ProductSettings s = test_support::FullSettings();
  s.ProductFlags = 0xFFFF'FFFF'FFFF'FFDFull & ~kFlagMasterProduct;  // every bit but 5 and 16
  s.masterName.clear();
  s.masterKey.clear();
  s.Publisher = u"abc";
  s.storedForms.Keep(NarrowField::kPublisher, "|abc");  // a bar before ASCII
  s.description = u"Caf\u00e9";
  s.storedForms.Keep(NarrowField::kDescription, "Caf\xE9");  // code-page bytes
  s.TitleFont = u"T\u00eftle";
  s.DisplayTitle =
      u"A\xD800"
      u"B";  // a lone surrogate
  uint64_t nanBits = 0x7FF8'0000'0000'1234ull;
  std::memcpy(&s.TitleSize, &nanBits, sizeof nanBits);
  s.CopyrightSize = -0.0;
  s.CopyrightColor = 0xFF000001;
  s.batches[0] = "echo \x80";  // the euro sign of code page 1252
  s.batches[1] = "echo \x81";  // a byte that code page leaves undefined
  s.registryText = "\\HKLM\\Software\\Q,\"a\tb\",1,\"x\"\"y\",,\r\n";
  s.productDate = {2026, 2, 30, 7, 0, 0};
  s.extraDiskSpace = std::numeric_limits<uint64_t>::max();
  s.StretchMode = -5;
  s.progressPlacement = 0x1FF;
  s.dialogLayouts = {7, 0, 1, 2, 3, 4, 5, 6};
  s.unsupportedSystems = 0x10001;
  s.fileDataFromFile = 7;
  s.BitmapTPI = 0xFFFFFFFF;
  s.conditionalDeletes[0].mode = 0x33;
  s.autoCloseEntries[0].phases = 9;
  s.associations[0].flags = 6;
  s.shortcuts[0].onDesktop = 2;
  s.savedValues[0].kind = 9;
  test_support::FillTexts(s.languages,
                          {"Deutsch",
                           "Fran\xE7"
                           "ais"},
                          2);
  s.languages.texts[1] = u"Mit \"Zitat\"\r\n\ttab \\ und \x01";
  ExpectRoundTrip(s, {}, ContainerOptions{});
}

// A name stored in the code page and the same name stored as "|" + UTF-8 are one text to the
// tools, and each prints back to its own bytes.
TEST(ProjectPrinter, NarrowTextsKeepEitherStoredForm) {
  const std::string forms[] = {"Caf\xE9", "|Caf\xC3\xA9"};
  for (auto [name, text, field] : test_support::NarrowTextFields()) {
    for (const std::string& form : forms) {
      SCOPED_TRACE(std::string(name) + " stored as " + form);
      ProductSettings s = test_support::FullSettings();
      s.*text = u"Caf\u00e9";
      s.storedForms.Keep(field, form);
      std::vector<uint8_t> stream;
      std::string error;
      ASSERT_TRUE(WriteSettingsStream(s, stream, error)) << error;
      std::vector<uint8_t> bytes(form.begin(), form.end());
      bytes.push_back(0);
      EXPECT_NE(std::search(stream.begin(), stream.end(), bytes.begin(), bytes.end()),
                stream.end());
      ProductSettings read;
      SettingsEnvironment environment;
      environment.applyDefaults = false;
      ASSERT_EQ(ReadSettingsStream(stream, environment, read), 0);
      EXPECT_EQ(read.*text, u"Caf\u00e9");
      ExpectRoundTrip(s, {}, ContainerOptions{});
    }
  }
}

TEST(ProjectPrinter, SmallestSettingsPrintBackToTheSameStream) {
  ProductSettings s = test_support::MinimalSettings();
  ExpectRoundTrip(s, {}, ContainerOptions{});
}

// The printed project asks for the x64 program when the installer had it; for the x86 one it
// stays silent, so that it builds with whichever program is given.
TEST(ProjectPrinter, TheX64ProgramIsAskedForAgain) {
  for (bool x64 : {false, true}) {
    SCOPED_TRACE(x64 ? "x64" : "x86");
    ProjectPrintOptions options;
    options.x64Program = x64;
    const std::string text =
        FormatProject(test_support::MinimalSettings(), {}, ContainerOptions{}, options);
    TempFolder folder;
    Project project;
    std::string error;
    ASSERT_TRUE(ParseProject(text, (folder.path() / "printed.toml").string(), FixedContext(),
                             project, error))
        << error;
    EXPECT_EQ(project.arch, x64 ? std::optional(Arch::kX64) : std::nullopt);
    EXPECT_EQ(text.find("\narch = ") != std::string::npos, x64);
  }
}

}  // namespace
}  // namespace qs::builder
