#include "files/wininit_text.h"

namespace qs {

std::string AddWininitRename(std::string_view text, std::string_view target,
                             std::string_view source) {
  constexpr std::string_view kSection = "[rename]";
  std::string line;
  line.reserve(target.size() + source.size() + 1);
  line.append(target).append("=").append(source);

  std::string out(text);
  const size_t section = out.find(kSection);
  if (section == std::string::npos) {
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    out.append(kSection).append("\r\n").append(line);
    return out;
  }
  // Right after the section name, so the newest line comes first.
  out.insert(section + kSection.size(), "\r\n" + line);
  return out;
}

}  // namespace qs
