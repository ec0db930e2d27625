#pragma once
// The project file: a product described by hand in TOML, from which `quillonet build` makes
// an installer. Every field of the settings stream can be given, named for what it does; what
// is not given takes a default that makes a working installer, so a product name, a version
// and one group of files are enough. docs: the builder section of README.md.
//
// Loading checks everything before anything is written: unknown keys, wrong types, values
// the installer would refuse, missing files. A message names the file, the line and the key:
//   hello.toml:12: key 'product.bitness': expected "any", "64-bit" or "32-bit", or 0 to 2
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "builder/container_writer.h"
#include "builder/pe_image.h"
#include "core/product_settings.h"

namespace qs::builder {

struct Project {
  ProductSettings settings;  // ProductFlags2 as the header will hold it (0x1000 with a key)
  std::vector<PayloadFile> files;
  ContainerOptions container;
  std::string stub;    // the `stub` key, resolved against the project's folder; may be empty
  std::string output;  // the `output` key, resolved likewise; may be empty
  // The `arch` key: the installer program must then be of this kind. Without it any
  // supported program will do.
  std::optional<Arch> arch;
};

// Reads the project at `path` with the files it names. The product date defaults to the
// time of the build, or to SOURCE_DATE_EPOCH when that is set (a reproducible build; file
// dates later than it are then lowered to it).
bool LoadProject(const std::string& path, Project& project, std::string& error);

// The same for a project text already in memory. `path` names it in messages and its folder
// is where relative paths start. `buildTime` is the default product date; `clampFileDates`
// lowers later file dates to it.
// `refuseUnbuilt` off lets through the keys of what the installer program cannot do yet, for
// projects that are only read and printed, never built into an installer that runs.
struct ProjectContext {
  DateTime buildTime;
  bool clampFileDates = false;
  bool refuseUnbuilt = true;
};
bool ParseProject(std::string_view text, const std::string& path, const ProjectContext& context,
                  Project& project, std::string& error);

// The build time: SOURCE_DATE_EPOCH (seconds since 1970, UTC) when set, else now (UTC).
// False with a message when the variable is set but not a number.
bool BuildTimeFromEnvironment(ProjectContext& context, std::string& error);

// A date from seconds since 1970 (UTC).
DateTime DateTimeFromUnixSeconds(int64_t seconds);

// The installer bytes for a loaded project and the stub program, which must be a PE32 (x86)
// or PE32+ (x64) program, and of `project.arch` when that is set.
bool BuildInstaller(const Project& project, std::span<const uint8_t> stub,
                    std::vector<uint8_t>& installer, std::string& error);

// Where `quillonet build` writes when neither -o nor the `output` key says: "<name>-setup.exe"
// beside the project file, characters that Windows refuses in file names replaced by "_".
// `productName` is the stored DisplayName.
std::filesystem::path DefaultOutputPath(const std::string& projectPath,
                                        const std::string& productName);

}  // namespace qs::builder
