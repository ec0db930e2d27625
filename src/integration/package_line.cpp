#include "integration/package_line.h"

namespace qs {
namespace {

std::string_view Trimmed(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// A decimal number with an optional sign, read up to the first non-digit.
int LeadingNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    if (value < 0x7FFFFFFF) value = value * 10 + (c - '0');
  }
  if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

std::optional<PackageLine> ParsePackageLine(std::string_view line) {
  const size_t comma = line.rfind(',');
  if (comma == std::string_view::npos) return std::nullopt;
  std::string package;
  for (char c : Trimmed(line.substr(0, comma))) {
    if (c != '"') package.push_back(c);
  }
  PackageLine result{std::string(Trimmed(package)), LeadingNumber(Trimmed(line.substr(comma + 1)))};
  if (result.package.empty()) return std::nullopt;
  return result;
}

}  // namespace qs
