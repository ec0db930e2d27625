#pragma once
// Files for the file-layer tests: reading and writing whole files, giving a file a known
// last-write time, and the folder of the test program, where the fixture DLLs with known
// version resources lie.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "base/handle_win.h"
#include "files/file_queries_win.h"

namespace qs::systest {

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes `text` to `path`, making its folders.
inline void WriteText(const std::filesystem::path& path, std::string_view text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Sets the file's last-write time (UTC); false when the date is not a valid time or the file
// cannot be opened.
inline bool SetLastWriteTime(const std::filesystem::path& path, const DateTime& date) {
  FILETIME time{};
  if (!FileTimeFromDateTime(date, time)) return false;
  UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && ::SetFileTime(file.Get(), nullptr, nullptr, &time);
}

// The folder of the running test program.
inline std::filesystem::path TestProgramFolder() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  return std::filesystem::path(self).parent_path();
}

}  // namespace qs::systest
