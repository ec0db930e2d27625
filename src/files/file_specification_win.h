#pragma once
// A file specification names existing files: lines of ";"-separated items, each a path whose
// last part may hold "*" and "?", a line ending in " /s" also searching the folders below.
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// Appends the existing files the specification names to `files` (full paths, each once).
// `specification` is the stored narrow text (files/file_specification.h), decoded here; each
// line's path variables and environment variables are expanded. Relative items are taken
// against `defaultFolder`. Reports nothing: an item that matches no file adds nothing.
void ExpandFileSpecification(std::string_view specification, std::vector<std::u16string>& files,
                             std::u16string_view defaultFolder);

}  // namespace qs
