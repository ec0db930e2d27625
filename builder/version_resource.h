#pragma once
// Reads the version resource of a Windows program or library (PE32 or PE32+) from its bytes,
// without Windows, so that the builder can take a versioned file's version from the file.
// Every offset and size in the file is checked against the bytes actually there: a damaged or
// hostile file gives no version, never a read outside `file`.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qs::builder {

// The file version of the fixed part of the version resource (resource type 16, name 1), as
// "a.b.c.d" from its two 32-bit halves: what Windows reports for the root ("\") of the
// version information. Nothing when the file is not a PE image, has no version resource, or
// the resource is damaged.
std::optional<std::string> ReadFileVersion(std::span<const uint8_t> file);

// The "FileVersion" text of the first string table of the same resource, as written there
// (UTF-8; commas, blanks and build notes kept). Nothing when there is no such text.
std::optional<std::string> ReadFileVersionString(std::span<const uint8_t> file);

}  // namespace qs::builder
