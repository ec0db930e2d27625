#include "base/version_compare.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/text_scan.h"

namespace qs {
namespace {

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct ParsedVersion {
  // Each number as its decimal digits without leading zeros, so that numbers of any length
  // compare exactly ("0" is held as the empty string).
  std::vector<std::string_view> numbers;
  char suffix = 0;
};

ParsedVersion Parse(std::string_view text) {
  ParsedVersion parsed;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsDigit(c)) {
      size_t end = i;
      while (end < text.size() && IsDigit(text[end])) ++end;
      size_t first = i;
      while (first < end && text[first] == '0') ++first;
      parsed.numbers.push_back(text.substr(first, end - first));
      i = end;
      continue;
    }
    if (IsLetter(c)) {
      parsed.suffix = c;
    } else if (c == '.' && parsed.numbers.empty()) {
      parsed.numbers.push_back(std::string_view());  // ".5" reads as "0.5"
    }
    ++i;
  }
  return parsed;
}

int CompareNumbers(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int order = a.compare(b);
  return (order > 0) - (order < 0);
}

}  // namespace

int CompareVersions(std::string_view a, std::string_view b) {
  const ParsedVersion left = Parse(a);
  const ParsedVersion right = Parse(b);
  const size_t common = std::min(left.numbers.size(), right.numbers.size());
  for (size_t i = 0; i < common; ++i) {
    if (int order = CompareNumbers(left.numbers[i], right.numbers[i])) return order;
  }
  if (left.numbers.size() != right.numbers.size()) {
    return left.numbers.size() < right.numbers.size() ? -1 : 1;
  }
  return static_cast<int>(static_cast<unsigned char>(left.suffix)) -
         static_cast<int>(static_cast<unsigned char>(right.suffix));
}

std::string NormalizeFileVersionText(std::string_view text) {
  std::string version(TrimWhiteSpace(text));
  for (char& c : version) {
    if (c == ',') c = '.';
  }
  return version;
}

}  // namespace qs
