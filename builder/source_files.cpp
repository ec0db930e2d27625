#include "builder/source_files.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <system_error>

namespace qs::builder {

DateTime ToDateTime(std::filesystem::file_time_type time) {
  using namespace std::chrono;
  return ToDateTime(floor<seconds>(file_clock::to_sys(time)));
}

DateTime ToDateTime(std::chrono::sys_seconds time) {
  using namespace std::chrono;
  const auto day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  DateTime result;
  result.year = static_cast<int>(date.year());
  result.month = static_cast<int>(static_cast<unsigned>(date.month()));
  result.day = static_cast<int>(static_cast<unsigned>(date.day()));
  result.hour = static_cast<int>(clock.hours().count());
  result.minute = static_cast<int>(clock.minutes().count());
  result.second = static_cast<int>(clock.seconds().count());
  return result;
}

bool CollectSourceFiles(const std::filesystem::path& root, std::vector<SourceFile>& files,
                        std::string& error) {
  files.clear();
  std::error_code ec;
  if (!std::filesystem::is_directory(root, ec)) {
    error = "source folder '" + root.string() + "' does not exist";
    return false;
  }
  std::filesystem::recursive_directory_iterator it(root, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    SourceFile file;
    file.path = it->path();
    std::string name = std::filesystem::relative(it->path(), root, ec).generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    file.name = std::move(name);
    file.modified = ToDateTime(it->last_write_time(ec));
    files.push_back(std::move(file));
  }
  if (ec) {
    error = "cannot list '" + root.string() + "': " + ec.message();
    return false;
  }
  std::sort(files.begin(), files.end(),
            [](const SourceFile& a, const SourceFile& b) { return a.name < b.name; });
  return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                   std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open '" + path.string() + "'";
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read '" + path.string() + "'";
    return false;
  }
  return true;
}

// Written beside the target and renamed over it, so a failed write never leaves half a file
// under the target's name.
bool WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                    std::string& error) {
  std::filesystem::path temporary = path;
  temporary += ".partial";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      error = "cannot write '" + path.string() + "'";
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    error = "cannot write '" + path.string() + "': " + ec.message();
    return false;
  }
  return true;
}

}  // namespace qs::builder
