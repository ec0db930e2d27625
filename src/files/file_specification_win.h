#pragma once
// A file specification names existing files: lines of ";"-separated items, each a path whose
// last part may hold "*" and "?", a line ending in " /s" also searching the folders below.
#include <string>
#include <vector>

namespace qs {

// Appends the existing files the specification names to `files` (full narrow "|" paths, each
// once). Relative items are taken against `defaultFolder`. Reports nothing: an item that
// matches no file adds nothing.
void ExpandFileSpecification(const std::string& specification, std::vector<std::string>& files,
                             const std::string& defaultFolder);

}  // namespace qs
