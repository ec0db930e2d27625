#pragma once
// Reading the product's files from a source folder.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "base/date_time.h"

namespace qs::builder {

struct SourceFile {
  std::filesystem::path path;  // on disk
  std::string name;            // relative to the folder, with backslashes
  DateTime modified;           // UTC, as the installer compares it
};

// Every regular file under `root`, sorted by name, so a build is reproducible.
bool CollectSourceFiles(const std::filesystem::path& root, std::vector<SourceFile>& files,
                        std::string& error);

bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                   std::string& error);
bool WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                    std::string& error);

// A file time or a point in time as a stored date (UTC).
DateTime ToDateTime(std::filesystem::file_time_type time);
DateTime ToDateTime(std::chrono::sys_seconds time);

}  // namespace qs::builder
