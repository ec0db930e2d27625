#pragma once
// Prints an installer's settings as a project file, so that building the printed project
// gives the same settings stream byte for byte: every field is written out (texts in every
// language, documents and pictures inline in base64, flags as named options plus the bits
// without a name), whatever the project defaults would have been.
#include <span>
#include <string>
#include <string_view>

#include "builder/container_writer.h"
#include "core/product_settings.h"

namespace qs::builder {

struct ProjectPrintOptions {
  // The folder the printed [[files]] entries are taken from: where
  // `quillonet extract INSTALLER DIR` wrote them.
  std::string filesFolder = "files";
  // The installer's program is the x64 one: printed as `arch = "x64"`. The x86 default goes
  // unsaid, as projects for it were written before there was a choice.
  bool x64Program = false;
};

// `settings` as read with the defaults off (SettingsEnvironment::applyDefaults = false), with
// ProductFlags2 from the container header. `files` are the payload entries (their content is
// not used). `container` gives the Blowfish key, if any.
std::string FormatProject(const ProductSettings& settings, std::span<const PayloadFile> files,
                          const ContainerOptions& container,
                          const ProjectPrintOptions& options = {});

// `utf8` as a TOML string, with the escapes it needs.
std::string TomlString(std::string_view utf8);

}  // namespace qs::builder
