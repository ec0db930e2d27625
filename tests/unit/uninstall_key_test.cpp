// The text forms of the Add/Remove Programs values that are neither plain strings nor numbers,
// writer against reader.
#include <gtest/gtest.h>

#include "base/text.h"
#include "uninstall/uninstall_key.h"

namespace qs {
namespace {

TEST(UninstallKeyText, CommandLines) {
  EXPECT_EQ(UninstallCommandLine("C:\\App\\uninstall.exe", "My App", false),
            "\"C:\\App\\uninstall.exe\" /u:\"My App\"");
  EXPECT_EQ(UninstallCommandLine("C:\\App\\uninstall.exe", "My App", true),
            "\"C:\\App\\uninstall.exe\" /a /u:\"My App\"");
  EXPECT_EQ(UninstallCommandLine(u"C:\\\u00c4pp\\u.exe", u"\u00c4pp", true),
            u"\"C:\\\u00c4pp\\u.exe\" /a /u:\"\u00c4pp\"");
}

TEST(UninstallKeyText, SizeFactors) {
  struct Case {
    double size;
    const char* text;
  };
  const Case cases[] = {
      {1.5, "1.5"},       {2.0, "2"},       {0.125, "0.125"},        {0.0, "0"},     {10.0, "10"},
      {100.25, "100.25"}, {1.0000004, "1"}, {0.0000006, "0.000001"}, {-1.5, "-1.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatSizeFactor(c.size), c.text);
    EXPECT_DOUBLE_EQ(ParseSizeFactor(FormatSizeFactor(c.size)), std::stod(c.text));
  }
  // A size the reader would not take back is written as 0.
  EXPECT_EQ(FormatSizeFactor(std::numeric_limits<double>::infinity()), "0");
  EXPECT_EQ(FormatSizeFactor(std::numeric_limits<double>::quiet_NaN()), "0");
  EXPECT_EQ(FormatSizeFactor(1e300).substr(0, 4), "1000");
}

TEST(UninstallKeyText, SizeFactorReading) {
  struct Case {
    const char* text;
    double size;
  };
  const Case cases[] = {
      {"1.5", 1.5}, {"2", 2.0}, {".5", 0.5}, {"3.", 3.0},  {"1.25x", 1.25}, {"+2", 2.0},
      {"", 0.0},    {"x", 0.0}, {".", 0.0},  {"inf", 0.0}, {"nan", 0.0},    {"0x10", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(ParseSizeFactor(c.text), c.size);
  }
}

TEST(UninstallKeyText, CopyrightColors) {
  // 0x00BBGGRR in memory, "RRGGBB" in the registry.
  EXPECT_EQ(FormatCopyrightColor(0x00563412), "123456");
  EXPECT_EQ(FormatCopyrightColor(0x00000000), "000000");
  EXPECT_EQ(FormatCopyrightColor(0xFFABCDEF), "EFCDAB");  // the high byte is no colour

  struct Case {
    const char* text;
    std::optional<uint32_t> color;
  };
  const Case cases[] = {
      {"123456", 0x00563412u},  {"#123456", 0x00563412u}, {"abcdef", 0x00EFCDABu},
      {"FF", 0x00FF0000u},       // fewer digits are right-aligned: blue
      {"#1234", 0x00341200u},    // green 0x12, blue 0x34
      {"1234567", 0x00563412u},  // six digits at most
      {"12xy", 0x00120000u},    {"", std::nullopt},       {"#", std::nullopt},
      {"xyz", std::nullopt},    {"##12", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseCopyrightColor(c.text), c.color);
  }
}

TEST(UninstallKeyText, VersionNumbers) {
  struct Case {
    const char* version;
    bool split;
    uint32_t major;
    uint32_t minor;
  };
  const Case cases[] = {
      {"5", false, 0, 0},      {"", false, 0, 0},
      {"5.12.3", true, 5, 12}, {"5.12", true, 5, 12},
      {".5", true, 0, 5},      {"x.y", true, 0, 0},
      {"5.", true, 5, 0},      {"10.02b", true, 10, 2},
      {"v2.1", true, 0, 1},    {"99999999999.1", true, 0xFFFFFFFF, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    uint32_t major = 77;
    uint32_t minor = 77;
    EXPECT_EQ(SplitVersionNumbers(c.version, major, minor), c.split);
    if (c.split) {
      EXPECT_EQ(major, c.major);
      EXPECT_EQ(minor, c.minor);
    }
    // The registration splits the product's version as UTF-16 text: the same numbers.
    uint32_t textMajor = 77;
    uint32_t textMinor = 77;
    EXPECT_EQ(SplitVersionNumbers(AsciiToUtf16(c.version), textMajor, textMinor), c.split);
    if (c.split) {
      EXPECT_EQ(textMajor, c.major);
      EXPECT_EQ(textMinor, c.minor);
    }
  }
}

TEST(UninstallKeyText, SavedValueNumbers) {
  struct Case {
    const char* text;
    uint32_t number;
  };
  const Case cases[] = {
      {"42", 42},
      {"-1", 0xFFFFFFFF},
      {"+7", 7},
      {"12ab", 12},
      {"  9", 9},
      {"\t-2", 0xFFFFFFFE},
      {"", 0},
      {"x1", 0},
      {"-", 0},
      {"4294967295", 0xFFFFFFFF},
      {"4294967296", 0},  // the low 32 bits
      {"99999999999999999999", 1661992959},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SavedValueNumber(c.text), c.number);
  }
}

TEST(UninstallKeyText, EstimatedSize) {
  constexpr uint64_t kTiB = 1ull << 40;
  struct Case {
    uint64_t requiredSpace;
    std::optional<uint32_t> size;
  };
  const Case cases[] = {
      {0, std::nullopt},
      {1023, std::nullopt},
      {1024, 1u},
      {2047, 1u},
      {4 * kTiB - 1, 0xFFFFFFFFu},
      {4 * kTiB, std::nullopt},
      {~0ull, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.requiredSpace);
    EXPECT_EQ(EstimatedSizeOf(c.requiredSpace), c.size);
  }
}

TEST(UninstallKeyText, ProductFonts) {
  const std::vector<ProductFont> fonts = {
      {"Test Sans (TrueType)", "testsans.ttf"},
      {"The \"Quoted\" Face", "quoted.ttf"},
      {"", "empty.fon"},
  };
  const std::string text = FormatProductFonts(fonts);
  EXPECT_EQ(text,
            "\"Test Sans (TrueType)\" \"testsans.ttf\" "
            "\"The \"\"Quoted\"\" Face\" \"quoted.ttf\" "
            "\"\" \"empty.fon\" ");
  EXPECT_EQ(ParseProductFonts(text), fonts);
  EXPECT_EQ(FormatProductFonts({}), "");

  struct Case {
    const char* name;
    const char* text;
    std::vector<ProductFont> fonts;
  };
  const Case cases[] = {
      // The file phase's own form: each field followed by a space.
      {"FilePhase", "\"A\" \"a.ttf\" \"B\" \"b.ttf\" ", {{"A", "a.ttf"}, {"B", "b.ttf"}}},
      {"QuoteAtTheEnd", "\"A\"\"\" \"a.ttf\"", {{"A\"", "a.ttf"}}},
      {"OtherWhiteSpace", "\t\"A\"\r\n\"a.ttf\"", {{"A", "a.ttf"}}},
      {"HalfAPair", "\"A\" \"a.ttf\" \"B\"", {{"A", "a.ttf"}}},
      {"Unterminated", "\"A\" \"a.ttf", {}},
      {"NotQuoted", "A a.ttf", {}},
      {"GarbageAfter", "\"A\" \"a.ttf\" x \"B\" \"b.ttf\"", {{"A", "a.ttf"}}},
      {"Empty", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseProductFonts(c.text), c.fonts);
  }
}

}  // namespace
}  // namespace qs
