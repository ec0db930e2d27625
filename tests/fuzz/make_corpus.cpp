// Writes the seed corpora of the fuzz targets into corpus/<target>/: what the builder and the
// test fixtures make, small enough that a run starts from every format's shapes at once.
//   fuzz_make_corpus tests/fuzz/corpus
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "builder/container_writer.h"
#include "builder/project_file.h"
#include "builder/settings_writer.h"
#include "core/payload_entry.h"
#include "files/deletion_conditions.h"
#include "tests/support/bmp_fixture.h"
#include "tests/support/pe_fixture.h"
#include "tests/support/settings_fixture.h"
#include "uninstall/uninstall_record.h"

namespace {

namespace fs = std::filesystem;
using qs::builder::PayloadFile;

fs::path g_root;

void Write(const std::string& target, const std::string& name, std::string_view bytes) {
  const fs::path folder = g_root / target;
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary).write(bytes.data(), bytes.size());
}

void Write(const std::string& target, const std::string& name, const std::vector<uint8_t>& bytes) {
  Write(target, name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

std::vector<uint8_t> Settings(const qs::ProductSettings& settings) {
  std::vector<uint8_t> stream;
  std::string error;
  if (!qs::builder::WriteSettingsStream(settings, stream, error)) {
    std::fprintf(stderr, "make_corpus: %s\n", error.c_str());
    std::exit(1);
  }
  return stream;
}

std::vector<PayloadFile> Files() {
  PayloadFile plain;
  plain.name = "hello.txt";
  plain.dateTime = {2024, 2, 29, 12, 30, 0};
  plain.content = Bytes("Hello, world. Hello, world.\r\n");
  PayloadFile shortcut;
  shortcut.name = "bin\\tool.exe";
  shortcut.flags = qs::kEntryDesktop | qs::kEntryStartMenu | (qs::kOverwriteOnlyIfAbsent << 2);
  shortcut.text = "Tool";
  shortcut.icon = "tool.ico";
  shortcut.command = "/start";
  shortcut.destination = "%InstallDir%\\bin";
  shortcut.content = Bytes("MZ tool");
  PayloadFile package;
  package.name = "runtime.msi";
  package.kind = qs::kMsiPackage;
  package.flags = qs::kEntryUninstallPackage;
  package.msiUiLevel = 2;
  PayloadFile shared;
  shared.name = "shared.dll";
  shared.kind = qs::kSharedFolderFile;
  shared.attributes = 0x21;
  shared.content = Bytes("shared");
  return {plain, shortcut, package, shared};
}

void Container() {
  struct Variant {
    const char* name;
    bool compress;
    size_t blockSize;
    bool encipher;
  };
  const Variant variants[] = {
      {"compressed", true, 1 << 20, false},
      {"stored-small-blocks", false, 24, false},
      {"compressed-small-blocks", true, 40, false},
      {"enciphered", true, 1 << 20, true},
  };
  for (const Variant& v : variants) {
    qs::ProductSettings settings = qs::test_support::MinimalSettings();
    if (v.compress) settings.ProductFlags |= qs::kFlagCompressedBlocks;
    qs::builder::ContainerOptions options;
    options.compressBlocks = v.compress;
    options.blockSize = v.blockSize;
    if (v.encipher) options.blowfishKey = std::array<uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<uint8_t> section;
    std::string error;
    if (!qs::builder::BuildPayload(Settings(settings), Files(), options, section, error)) {
      std::fprintf(stderr, "make_corpus: %s\n", error.c_str());
      std::exit(1);
    }
    Write("container", v.name, section);
  }
}

// Whole installers on the tests' smallest program (three sections, 512-byte file alignment): the
// payload mapped from the section, and read from the file with the image checksum checked.
void Installers() {
  qs::test_support::TestStubOptions small;
  small.sectionCount = 3;
  small.fileAlignment = 0x200;
  small.headerSize = 0x400;
  const std::vector<uint8_t> stub = qs::test_support::MakeTestStub(small);
  for (bool fromFile : {false, true}) {
    qs::builder::Project project;
    project.settings = qs::test_support::MinimalSettings();
    project.settings.ProductFlags |= qs::kFlagCompressedBlocks;
    if (fromFile) {
      project.settings.fileDataFromFile = 1;
      project.settings.ProductFlags |= qs::kFlagVerifyInstallerImage;
    }
    project.files = Files();
    std::vector<uint8_t> installer;
    std::string error;
    if (!qs::builder::BuildInstaller(project, stub, installer, error)) {
      std::fprintf(stderr, "make_corpus: %s\n", error.c_str());
      std::exit(1);
    }
    Write("installer", fromFile ? "data-from-file.exe" : "mapped.exe", installer);
  }
}

void SettingsStreams() {
  Write("settings", "minimal", Settings(qs::test_support::MinimalSettings()));
  Write("settings", "full", Settings(qs::test_support::FullSettings()));
}

void UninstallRecords() {
  qs::UninstallRecord record;
  record.texts[qs::kTextUninstallFailed] = "The uninstallation failed:\r\n\r\n%s";
  record.texts[qs::kTextRecordDialogCaption] = "Hello Setup";
  record.autoClose = {{"AppWindow", "My App - \"Main\"", "My App, the editor", 2, 4},
                      {"'quoted", "two\r\nlines", "", 3, 2}};
  record.associations = {{".txt", "App.Text", "open"}};
  record.firewallLines = {"%InstallDir%\\app.exe;App;1;0"};
  record.infLines = {"C:\\Windows\\INF\\oem7.inf"};
  record.msiLines = {"\"C:\\App\\runtime.msi\",2"};
  record.registryLines = {"\\HKLM\\Software\\Maker\\App\\Cpl"};
  record.registry2Text =
      "\\HKLM\\Software\\Maker\\App\r\n\r\n\\HKLM\\Software\\Maker\\App,P,0,C:\\App,0,0\r\n";
  record.conditionalDeletes = {
      {"%InstallDir%\\*.log", qs::kDeleteDateUntil, "2024-01-31", qs::kDeleteModeUninstall},
      {"%InstallDir%\\cache, old\\*.*", qs::kDeleteAlways, "", qs::kDeleteModeUninstall}};
  const std::string removalList =
      "C:\\App\\app.exe\r\n~C:\\App\\Docs\r\n!\\HKLM\\Software\\Maker\\App\\Path\r\n"
      "|C:\\Pr\xC3\xB6gram\\a.txt\r\n";
  Write("uninstall_record", "full", qs::FormatUninstallRecord(removalList, record));
  Write("uninstall_record", "empty", qs::FormatUninstallRecord("", qs::UninstallRecord{}));
}

void FileSpecifications() {
  Write("file_specification", "items",
        "C:\\dir\\a.txt;b.txt\r\n*.log /s\r\n\r\n  sub\\*.tmp ; x\n");
  Write("file_specification", "utf8", "|C:\\Pr\xC3\xB6gram\\*.*\r\n\\\\server\\share\\a?.dat /s");
  Write("file_specification", "lines", "C:\\a.txt\r\n|D:\\\xC3\xA9\\b.txt\r\nE:\\\r\nrel\\x;..\\y");
}

void DeletionConditions() {
  const std::pair<uint8_t, std::string_view> cases[] = {
      {qs::kDeleteAlways, ""},
      {qs::kDeleteDateEqual, "2019-07-05"},
      {qs::kDeleteDateFrom, " 2019/7/5 9:03 "},
      {qs::kDeleteDateUntil, "2020-02-29T23:59:59"},
      {qs::kDeleteSizeEqual, "1024"},
      {qs::kDeleteSizeAtLeast, " -5 "},
      {qs::kDeleteSizeAtMost, "+2147483647"},
  };
  for (const auto& [condition, argument] : cases) {
    std::string bytes(1, static_cast<char>(condition));
    bytes += argument;
    Write("deletion_conditions", "condition-" + std::to_string(condition), bytes);
  }
}

// An icon of two images: a 16x16 bitmap (header and a few pixels) and a PNG's signature.
void Icons() {
  std::vector<uint8_t> ico = {0, 0, 1, 0, 2, 0};
  const std::vector<uint8_t> bitmap = {40, 0, 0, 0, 16, 0, 0, 0, 32, 0, 0, 0, 1, 0, 32,
                                       0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0,
                                       0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 1, 2, 3, 4};
  const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto entry = [&](uint8_t size, uint16_t bits, const std::vector<uint8_t>& data, uint32_t offset) {
    const uint8_t fields[16] = {size,
                                size,
                                0,
                                0,
                                1,
                                0,
                                static_cast<uint8_t>(bits),
                                static_cast<uint8_t>(bits >> 8),
                                static_cast<uint8_t>(data.size()),
                                0,
                                0,
                                0,
                                static_cast<uint8_t>(offset),
                                static_cast<uint8_t>(offset >> 8),
                                0,
                                0};
    ico.insert(ico.end(), fields, fields + 16);
  };
  const uint32_t first = 6 + 2 * 16;
  entry(16, 32, bitmap, first);
  entry(0, 32, png, first + static_cast<uint32_t>(bitmap.size()));
  ico.insert(ico.end(), bitmap.begin(), bitmap.end());
  ico.insert(ico.end(), png.begin(), png.end());
  Write("icon_file", "two-images.ico", ico);
}

// Background pictures of each depth; the first byte is the transparent index (255: none).
void BackgroundPictures() {
  using qs::test_support::Bmp;
  const auto write = [](const char* name, uint8_t index, std::vector<uint8_t> file) {
    file.insert(file.begin(), index);
    Write("background_picture", name, file);
  };
  write("eight-bit.bmp", 1, Bmp(3, 2, 8, {0xFF0000, 0x00FF00}, {0, 1, 0, 0, 1, 0, 1, 0}));
  write("one-bit.bmp", 1, Bmp(10, 1, 1, {0x000000, 0xFFFFFF}, {0xA0, 0x40, 0, 0}));
  write("four-bit.bmp", 255, Bmp(3, 1, 4, {0x111111, 0x222222, 0x333333}, {0x21, 0, 0, 0}));
  write("top-down-24.bmp", 255, Bmp(1, -2, 24, {}, {0x30, 0x20, 0x10, 0, 3, 2, 1, 0}));
  write("sixteen-bit.bmp", 255, Bmp(2, 1, 16, {}, {0x00, 0x7C, 0x1F, 0x00}));
}

// Projects over the target's own folder (files/hello.txt, files/hello.ini,
// files/sub/readme.txt, license.txt, german.toml).
void Projects() {
  Write("project", "minimal.toml",
        "[product]\nname = \"Hello\"\nversion = \"1.0\"\n\n[[files]]\nsource = \"files\"\n");
  Write("project", "hello.toml", R"(source = "files"
languages = ["german.toml"]
english = true

[product]
name = "Hello"
version = "1.0"
publisher = "Quillonet Examples"
date = 2024-02-29T12:30:00Z
bitness = "any"

[options]
write_install_log_always = true

[install]
default_dir = "<os>\\Hello"
start_menu = "Hello"
unsupported_systems = ["win95", "xp"]
min_step_delay = 10
automatic_mode = "never"

[uninstall]
subdir = "Uninstall"
key_name = "HelloKey"

[pages]
caption = "<product> Setup"
licenses = ["license.txt"]
readmes = ["files/sub/readme.txt"]
layout = { greeting = "plain", license = "picture" }

[container]
compress = true
block_size = 4096
key = "0123456789abcdef"

[texts]
8 = "Cancel"

[[saved_values]]
key = "HKCU\\Software\\Hello\\Path"
kind = "string"
data = "%InstallDir%"

[[conditional_deletes]]
files = "%InstallDir%\\*.log"
condition = "date_until"
argument = "2019-07-05"
uninstall = true

[[files]]
exclude = ["hello.ini", "sub/**"]
attributes = ["readonly", "archive"]
destination = "%InstallDir%\\bin"

[[files]]
path = "hello.ini"
overwrite = "if_absent"
keep = true
)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_corpus CORPUS-FOLDER\n");
    return 2;
  }
  g_root = argv[1];
  Container();
  Installers();
  SettingsStreams();
  UninstallRecords();
  FileSpecifications();
  DeletionConditions();
  Icons();
  BackgroundPictures();
  Projects();
  return 0;
}
