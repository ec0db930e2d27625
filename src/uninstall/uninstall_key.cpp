#include "uninstall/uninstall_key.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/text_scan.h"

namespace qs {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One double-quoted field at `pos` (white space before it skipped), a doubled quote inside
// standing for one. False when no complete field starts there.
bool ReadQuotedField(std::string_view text, size_t& pos, std::string& field) {
  while (pos < text.size() &&
         (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n')) {
    ++pos;
  }
  if (pos >= text.size() || text[pos] != '"') return false;
  field.clear();
  for (size_t i = pos + 1; i < text.size(); ++i) {
    if (text[i] != '"') {
      field += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '"') {
      field += '"';
      ++i;
    } else {
      pos = i + 1;
      return true;
    }
  }
  return false;  // no closing quote
}

void AppendQuotedField(std::string& out, std::string_view field) {
  out += '"';
  for (char c : field) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
}

}  // namespace

std::string UninstallCommandLine(std::string_view uninstallerPath, std::string_view productName,
                                 bool quiet) {
  std::string line = "\"";
  line += uninstallerPath;
  line += quiet ? "\" /a /u:\"" : "\" /u:\"";
  line += productName;
  line += '"';
  return line;
}

std::u16string UninstallCommandLine(std::u16string_view uninstallerPath,
                                    std::u16string_view productName, bool quiet) {
  std::u16string line = u"\"";
  line += uninstallerPath;
  line += quiet ? u"\" /a /u:\"" : u"\" /u:\"";
  line += productName;
  line += u'"';
  return line;
}

std::string FormatSizeFactor(double size) {
  // What the reader would not take back is written as 0.
  if (!std::isfinite(size)) return "0";
  char text[400];  // the largest double has 309 digits before the point
  std::snprintf(text, sizeof text, "%.6f", size);
  std::string result = text;
  if (result.find('.') != std::string::npos) {
    while (!result.empty() && result.back() == '0') result.pop_back();
    if (!result.empty() && result.back() == '.') result.pop_back();
  }
  return result;
}

double ParseSizeFactor(std::string_view text) {
  // Only a plain decimal number is taken (sign, digits, point, digits), so that the C library's
  // other forms ("inf", "nan", hexadecimal) never become a size.
  size_t end = 0;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  size_t digits = 0;
  while (end < text.size() && IsDigit(text[end])) ++end, ++digits;
  if (end < text.size() && text[end] == '.') {
    ++end;
    while (end < text.size() && IsDigit(text[end])) ++end, ++digits;
  }
  if (digits == 0) return 0;
  const std::string number(text.substr(0, end));
  const double value = std::strtod(number.c_str(), nullptr);
  return std::isfinite(value) ? value : 0;
}

std::string FormatCopyrightColor(uint32_t colorRef) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", static_cast<unsigned>(colorRef & 0xFF),
                static_cast<unsigned>((colorRef >> 8) & 0xFF),
                static_cast<unsigned>((colorRef >> 16) & 0xFF));
  return text;
}

std::optional<uint32_t> ParseCopyrightColor(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  uint32_t rgb = 0;
  size_t count = 0;
  while (count < 6 && count < text.size()) {
    const int digit = HexDigitValue(text[count]);
    if (digit < 0) break;
    rgb = rgb << 4 | static_cast<uint32_t>(digit);
    ++count;
  }
  if (count == 0) return std::nullopt;
  const uint32_t red = (rgb >> 16) & 0xFF;
  const uint32_t green = (rgb >> 8) & 0xFF;
  const uint32_t blue = rgb & 0xFF;
  return red | green << 8 | blue << 16;
}

namespace {

template <typename Char>
bool SplitVersionNumbersOf(std::basic_string_view<Char> version, uint32_t& major, uint32_t& minor) {
  const size_t dot = version.find(Char('.'));
  if (dot == std::basic_string_view<Char>::npos) return false;
  major = LeadingNumber(version);
  minor = LeadingNumber(version.substr(dot + 1));
  return true;
}

}  // namespace

bool SplitVersionNumbers(std::string_view version, uint32_t& major, uint32_t& minor) {
  return SplitVersionNumbersOf(version, major, minor);
}

bool SplitVersionNumbers(std::u16string_view version, uint32_t& major, uint32_t& minor) {
  return SplitVersionNumbersOf(version, major, minor);
}

uint32_t SavedValueNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint32_t value = 0;  // unsigned arithmetic keeps the low 32 bits of any length
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10u + static_cast<uint32_t>(text[i] - '0');
  }
  return negative ? 0u - value : value;
}

std::optional<uint32_t> EstimatedSizeOf(uint64_t requiredSpace) {
  const uint64_t kilobytes = requiredSpace / 1024;
  if (kilobytes < 1 || kilobytes > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  return static_cast<uint32_t>(kilobytes);
}

std::vector<ProductFont> ParseProductFonts(std::string_view text) {
  std::vector<ProductFont> fonts;
  size_t pos = 0;
  ProductFont font;
  while (ReadQuotedField(text, pos, font.name) && ReadQuotedField(text, pos, font.file)) {
    fonts.push_back(font);
  }
  return fonts;
}

std::string FormatProductFonts(const std::vector<ProductFont>& fonts) {
  std::string text;
  for (const ProductFont& font : fonts) {
    AppendQuotedField(text, font.name);
    text += ' ';
    AppendQuotedField(text, font.file);
    text += ' ';
  }
  return text;
}

}  // namespace qs
