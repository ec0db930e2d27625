// The project-file loader on a project text, in a folder of its own that holds a few files for
// the project to name. A project that loads must make a settings stream the installer reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "builder/project_file.h"
#include "builder/settings_writer.h"
#include "core/settings_reader.h"

namespace {

std::filesystem::path g_folder;

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The loader reads every file and folder the project names. An absolute path or one that
// climbs out would send it through the machine's disk, which makes runs slow and their
// results depend on the machine, so such texts are left out: a "/" at the start of a value
// (after its quote, or after the blanks a multi-line string drops), "..", and the escapes
// that could spell either.
bool LeavesFolder(std::string_view text) {
  if (text.find("..") != std::string_view::npos || text.find("\\u") != std::string_view::npos ||
      text.find("\\U") != std::string_view::npos) {
    return true;
  }
  for (size_t i = text.find('/'); i != std::string_view::npos; i = text.find('/', i + 1)) {
    size_t before = i;
    while (before > 0 &&
           std::string_view(" \t\r\n").find(text[before - 1]) != std::string_view::npos) {
      --before;
    }
    if (before == 0 || std::string_view("\"'\\").find(text[before - 1]) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "qs-fuzz-project-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  g_folder = pattern;
  WriteFile(g_folder / "files" / "hello.txt", "Hello\r\n");
  WriteFile(g_folder / "files" / "hello.ini", "[hello]\r\nname=world\r\n");
  WriteFile(g_folder / "files" / "sub" / "readme.txt", "Read me.\r\n");
  WriteFile(g_folder / "license.txt", "License text\r\n");
  WriteFile(g_folder / "german.toml", "name = \"German\"\n[texts]\n1 = \"Abbrechen\"\n");
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (LeavesFolder(text)) return 0;

  qs::builder::ProjectContext context;
  context.buildTime = qs::builder::DateTimeFromUnixSeconds(1700000000);
  context.refuseUnbuilt = false;
  qs::builder::Project project;
  std::string error;
  if (!qs::builder::ParseProject(text, (g_folder / "p.toml").string(), context, project, error)) {
    return 0;
  }
  std::vector<uint8_t> stream;
  if (!qs::builder::WriteSettingsStream(project.settings, stream, error)) return 0;
  qs::SettingsEnvironment asStored;
  asStored.applyDefaults = false;
  qs::ProductSettings read;
  if (qs::ReadSettingsStream(stream, asStored, read) != 0) __builtin_trap();
  return 0;
}
