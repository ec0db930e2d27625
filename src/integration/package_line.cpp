#include "integration/package_line.h"

#include <algorithm>
#include <limits>

#include "base/text_scan.h"

namespace qs {
namespace {

// A decimal number with an optional sign, read up to the first non-digit; one too large either
// way stays at 2147483647 or -2147483647.
int SignedNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const int value =
      static_cast<int>(std::min<uint32_t>(LeadingNumber(text), std::numeric_limits<int>::max()));
  return negative ? -value : value;
}

}  // namespace

std::optional<PackageLine> ParsePackageLine(std::string_view line) {
  const size_t comma = line.rfind(',');
  if (comma == std::string_view::npos) return std::nullopt;
  std::string package;
  for (char c : TrimWhiteSpace(line.substr(0, comma))) {
    if (c != '"') package.push_back(c);
  }
  PackageLine result{std::string(TrimWhiteSpace(package)),
                     SignedNumber(TrimWhiteSpace(line.substr(comma + 1)))};
  if (result.package.empty()) return std::nullopt;
  return result;
}

}  // namespace qs
