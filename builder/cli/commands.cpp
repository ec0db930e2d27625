#include "builder/cli/commands.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "base/text.h"
#include "builder/container_writer.h"
#include "builder/installer_reader.h"
#include "builder/pe_image.h"
#include "builder/pe_section_writer.h"
#include "builder/project_file.h"
#include "builder/project_printer.h"
#include "builder/source_files.h"
#include "builder/text_forms.h"
#include "core/payload_format.h"
#include "core/settings_reader.h"

namespace qs::builder::cli {
namespace {

int Usage(const char* text) {
  std::fprintf(stderr, "usage: quillonet %s\n", text);
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "quillonet: %s\n", message.c_str());
  return 1;
}

bool ParseKey(const std::string& hex, std::array<uint8_t, 8>& key) {
  if (hex.size() != 16) return false;
  for (size_t i = 0; i < 8; ++i) {
    unsigned value = 0;
    if (std::sscanf(hex.c_str() + 2 * i, "%2x", &value) != 1) return false;
    key[i] = static_cast<uint8_t>(value);
  }
  return hex.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// Entry names come from the payload: only plain relative names may become paths under the
// extraction folder.
bool IsSafeRelativeName(const std::string& name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos) {
    return false;
  }
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

std::string FormatDate(const DateTime& d) {
  if (!d.HasDate()) return "(no date)";
  char text[64];
  if (d.HasTime()) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                  d.hour, d.minute, d.second);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
  }
  return text;
}

void PrintField(const char* label, const std::string& value) {
  if (!value.empty()) std::printf("    %-12s %s\n", label, value.c_str());
}

}  // namespace

int Pack(const std::vector<std::string>& args) {
  const char* usage =
      "pack STUB SOURCE_DIR -o OUT [--no-compress] [--block-size N] [--key HEX] [--checksum-image]";
  std::vector<std::string> positional;
  std::string output;
  ContainerOptions options;
  bool checksumImage = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if ((arg == "-o" || arg == "--block-size" || arg == "--key") && i + 1 >= args.size()) {
      return Usage(usage);
    }
    if (arg == "-o") {
      output = args[++i];
    } else if (arg == "--no-compress") {
      options.compressBlocks = false;
    } else if (arg == "--checksum-image") {
      checksumImage = true;
    } else if (arg == "--block-size") {
      char* end = nullptr;
      const unsigned long long size = std::strtoull(args[++i].c_str(), &end, 10);
      if (*end != '\0' || size == 0 || size > kMaxBlockSize) {
        return Fail("--block-size must be a number from 1 to 67108864");
      }
      options.blockSize = static_cast<size_t>(size);
    } else if (arg == "--key") {
      std::array<uint8_t, 8> key{};
      if (!ParseKey(args[++i], key)) return Fail("--key takes 16 hexadecimal digits");
      options.blowfishKey = key;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage(usage);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2 || output.empty()) return Usage(usage);

  std::string error;
  std::vector<uint8_t> stub;
  if (!ReadWholeFile(positional[0], stub, error)) return Fail(error);
  std::vector<SourceFile> sources;
  if (!CollectSourceFiles(positional[1], sources, error)) return Fail(error);

  // The folder as a project with the builder's defaults, named after the folder.
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::absolute(positional[1], ec);
  std::string name = folder.filename().string();
  if (name.empty() || name == ".") name = folder.parent_path().filename().string();
  std::string text = "[product]\nname = " + TomlString(name.empty() ? "Product" : name) +
                     "\n[options]\nverify_installer_image = " + (checksumImage ? "true" : "false") +
                     "\n[container]\ncompress = " + (options.compressBlocks ? "true" : "false") +
                     "\nblock_size = " + std::to_string(options.blockSize) + "\n";
  if (!sources.empty()) text += "[[files]]\nsource = " + TomlString(folder.string()) + "\n";
  ProjectContext context;
  if (!BuildTimeFromEnvironment(context, error)) return Fail(error);
  Project project;
  if (!ParseProject(text, "(pack)", context, project, error)) return Fail(error);
  project.container.blowfishKey = options.blowfishKey;
  if (options.blowfishKey) project.settings.ProductFlags2 |= kFlags2Enciphered;

  std::vector<uint8_t> installer;
  if (!BuildInstaller(project, stub, installer, error)) return Fail(error);
  const std::vector<PayloadFile>& files = project.files;
  if (!WriteWholeFile(output, installer, error)) return Fail(error);
  std::printf("%s: %zu files, %zu bytes\n", output.c_str(), files.size(), installer.size());
  return 0;
}

// The stub program that `build` uses when neither --stub nor the project names one: the one
// installed beside this program for the arch.
std::filesystem::path StubBesideProgram(const std::string& programPath, const char* name) {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::absolute(programPath, ec);
  return self.parent_path() / name;
}

int Build(const std::vector<std::string>& args, const std::string& programPath) {
  const char* usage = "build PROJECT [-o OUT] [--stub STUB] [--arch x86|x64]";
  std::string projectPath;
  std::string output;
  std::string stubPath;
  std::optional<Arch> arch;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if ((arg == "-o" || arg == "--stub" || arg == "--arch") && i + 1 >= args.size()) {
      return Usage(usage);
    }
    if (arg == "-o") {
      output = args[++i];
    } else if (arg == "--stub") {
      stubPath = args[++i];
    } else if (arg == "--arch") {
      arch = ArchFromName(args[++i]);
      if (!arch) return Fail("--arch takes x86 or x64, not '" + args[i] + "'");
    } else if ((!arg.empty() && arg[0] == '-') || !projectPath.empty()) {
      return Usage(usage);
    } else {
      projectPath = arg;
    }
  }
  if (projectPath.empty()) return Usage(usage);

  std::string error;
  Project project;
  if (!LoadProject(projectPath, project, error)) return Fail(error);
  if (arch) project.arch = arch;

  if (stubPath.empty()) stubPath = project.stub;
  if (stubPath.empty()) {
    const char* name =
        project.arch == Arch::kX64 ? "quillonet-setup-x64.exe" : "quillonet-setup.exe";
    const std::filesystem::path beside = StubBesideProgram(programPath, name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(beside, ec)) {
      return Fail(std::string("no installer program: pass --stub PATH (") + name +
                  ") or set `stub` in the project");
    }
    stubPath = beside.string();
  }
  std::vector<uint8_t> stub;
  if (!ReadWholeFile(stubPath, stub, error)) return Fail(error);
  // Checked here too, before the payload is made, to name the file.
  if (!CheckInstallerProgram(stub, project.arch, error)) return Fail(stubPath + ": " + error);

  if (output.empty()) output = project.output;
  if (output.empty())
    output =
        DefaultOutputPath(projectPath,
                          StoredNarrow(project.settings.storedForms.Of(NarrowField::kDisplayName),
                                       project.settings.DisplayName))
            .string();

  std::vector<uint8_t> installer;
  if (!BuildInstaller(project, stub, installer, error)) return Fail(error);
  if (!WriteWholeFile(output, installer, error)) return Fail(error);
  std::printf("%s: %zu files, %zu bytes\n", output.c_str(), project.files.size(), installer.size());
  return 0;
}

namespace {

// The installer's settings and entries as a project file.
int PrintProject(const InstallerFile& installer) {
  ProductSettings settings;
  SettingsEnvironment environment;
  environment.applyDefaults = false;
  if (int error = ReadSettingsStream(installer.settings, environment, settings); error != 0) {
    return Fail("the settings stream is damaged (error " + std::to_string(error) + ")");
  }
  settings.ProductFlags2 = installer.header.productFlags2;
  std::vector<PayloadFile> files;
  ReadResult result = ReadEntries(installer, [&](const PayloadEntry& e, int) {
    PayloadFile& file = files.emplace_back();
    StoredEntryForms stored = StoredFormsOf(e);
    file.name = std::move(stored.name);
    file.kind = e.kind;
    file.flags = e.flags;
    file.attributes = e.attributes;
    file.dateTime = e.dateTime;
    file.text = std::move(stored.text);
    file.icon = std::move(stored.icon);
    file.command = std::move(stored.command);
    file.destination = std::move(stored.destination);
    file.extra = std::move(stored.extra);
    file.msiUiLevel = e.msiUiLevel;
  });
  if (result.error != 0) return Fail(result.message);
  ContainerOptions container;
  container.blowfishKey = installer.header.blowfishKey;
  ProjectPrintOptions options;
  options.x64Program = ArchOfImage(installer.program) == Arch::kX64;
  std::fputs(FormatProject(settings, files, container, options).c_str(), stdout);
  return 0;
}

}  // namespace

int Inspect(const std::vector<std::string>& args) {
  const char* usage = "inspect [--project] INSTALLER";
  bool project = false;
  std::vector<std::string> positional;
  for (const std::string& arg : args) {
    if (arg == "--project") {
      project = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage(usage);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 1) return Usage(usage);
  InstallerFile installer;
  ReadResult result = OpenInstaller(positional[0], installer);
  if (project) return result.error != 0 ? Fail(result.message) : PrintProject(installer);

  if (result.error == kReadCannotOpen || result.error == kReadNoSetupSection ||
      result.error == kReadNotAProgram) {
    return Fail(result.message);
  }

  const SetupSectionLocation& s = installer.section;
  if (s.rawOffset != 0) {  // the section was found, and the program's headers read
    std::printf("program          %s\n", DescribeImage(installer.program).c_str());
    std::printf("section .setup: raw offset 0x%" PRIx32 ", raw size %" PRIu32
                ", virtual address 0x%" PRIx32 ", virtual size %" PRIu32 "\n",
                s.rawOffset, s.rawSize, s.virtualAddress, s.virtualSize);
  }
  if (result.error != 0 && result.error != kErrorSettingsChecksum &&
      installer.header.formatVersion.empty()) {
    return Fail(result.message);
  }
  const PayloadHeader& h = installer.header;
  std::printf("format version   %s\n", h.formatVersion.c_str());
  if (result.error == kVersionMismatch) return Fail(result.message);
  std::printf("ProductFlags2    0x%08" PRIx32 "%s\n", h.productFlags2,
              h.Enciphered() ? " (enciphered)" : "");
  std::printf("settings         %" PRIu32 " bytes packed, checksum 0x%08" PRIx32 "\n",
              h.settingsPackedSize, h.settingsChecksum);
  std::printf("installer image  checksum 0x%08" PRIx32 "\n", h.installerChecksum);
  std::printf("file data        %" PRId32 " bytes at offset %zu, checksum 0x%08" PRIx32
              ", payload end %" PRId32 "\n",
              h.fileDataSize, h.fileDataOffset, h.fileDataChecksum, h.payloadEnd);
  std::printf("entries          %" PRId32 "\n", h.entryCount);
  if (result.error != 0) return Fail(result.message);
  std::printf("settings stream  %zu bytes, ProductFlags 0x%016" PRIx64 "\n",
              installer.settings.size(), installer.productFlags);

  result = ReadEntries(installer, [](const PayloadEntry& e, int index) {
    const StoredEntryForms stored = StoredFormsOf(e);
    std::printf("\n[%d] %s\n", index, stored.name.c_str());
    std::printf("    %-12s %" PRIu32 "\n", "kind", e.kind);
    std::printf("    %-12s 0x%08" PRIx32 " (overwrite %" PRIu32 ")\n", "flags", e.flags,
                e.Overwrite());
    if (e.attributes != 0xFFFFFFFF)
      std::printf("    %-12s 0x%08" PRIx32 "\n", "attributes", e.attributes);
    std::printf("    %-12s %zu bytes, checksum 0x%08" PRIx32 "\n", "size", e.content.size(),
                e.contentChecksum);
    std::printf("    %-12s %s\n", "date", FormatDate(e.dateTime).c_str());
    PrintField("text", stored.text);
    PrintField("icon", stored.icon);
    PrintField("command", stored.command);
    PrintField("destination", stored.destination);
    PrintField("extra", stored.extra);
    if (e.kind == 11) std::printf("    %-12s %" PRIu32 "\n", "msi ui level", e.msiUiLevel);
  });
  if (result.error != 0) return Fail(result.message);
  std::printf("\nall checksums verified\n");
  std::printf("(quillonet inspect --project prints the settings as a project file)\n");
  return 0;
}

int Extract(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage("extract INSTALLER DIR");
  InstallerFile installer;
  ReadResult result = OpenInstaller(args[0], installer);
  if (result.error != 0) return Fail(result.message);

  const std::filesystem::path root(args[1]);
  std::string error;
  int written = 0;
  result = ReadEntries(installer, [&](const PayloadEntry& e, int) {
    if (!error.empty()) return;
    // A name in the code page, which this tool cannot know, was read as Latin-1.
    std::string relative = Utf16ToUtf8(e.name);
    if (!IsSafeRelativeName(relative)) {
      error = "refusing to write entry '" + relative + "' outside the target folder";
      return;
    }
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::filesystem::path target =
        root / std::filesystem::path(std::u8string(relative.begin(), relative.end()));
    std::error_code ec;
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) {
      error = "cannot create '" + target.parent_path().string() + "': " + ec.message();
      return;
    }
    if (WriteWholeFile(target, std::vector<uint8_t>(e.content.begin(), e.content.end()), error)) {
      ++written;
    }
  });
  if (result.error != 0) return Fail(result.message);
  if (!error.empty()) return Fail(error);
  std::printf("%d files written to %s\n", written, root.string().c_str());
  return 0;
}

}  // namespace qs::builder::cli
