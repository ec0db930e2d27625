#include "uninstall/uninstall_key.h"

namespace qs {

std::string UninstallCommandLine(std::string_view, std::string_view, bool) {
  return {};
}
std::string FormatSizeFactor(double) {
  return {};
}
double ParseSizeFactor(std::string_view) {
  return 0;
}
std::string FormatCopyrightColor(uint32_t) {
  return {};
}
std::optional<uint32_t> ParseCopyrightColor(std::string_view) {
  return {};
}
bool SplitVersionNumbers(std::string_view, uint32_t&, uint32_t&) {
  return false;
}
std::optional<uint32_t> EstimatedSizeOf(uint64_t) {
  return {};
}
std::vector<ProductFont> ParseProductFonts(std::string_view) {
  return {};
}
std::string FormatProductFonts(const std::vector<ProductFont>&) {
  return {};
}

}  // namespace qs
