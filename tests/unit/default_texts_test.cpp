#include "builder/default_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace qs::builder {
namespace {

TEST(DefaultTextsTest, EveryBuiltInTextFitsItsOwnUse) {
  for (const TextSpec& entry : BuiltInTexts()) {
    SCOPED_TRACE("text " + std::to_string(entry.number));
    EXPECT_EQ(FindTextSpec(entry.number), &entry);
    EXPECT_FALSE(entry.use.empty());
    std::string error;
    EXPECT_TRUE(CheckTextArguments(entry.number, entry.english, error)) << error;
    if (entry.isFormat) {
      // Only ints and strings are ever passed.
      EXPECT_EQ(entry.arguments.find_first_not_of("ds"), std::string_view::npos);
    } else {
      // A plain text is never formatted, so a conversion in its wording means the entry
      // should have been a format.
      EXPECT_TRUE(entry.arguments.empty());
      EXPECT_EQ(entry.english.find('%'), std::string_view::npos) << entry.english;
    }
  }
}

TEST(DefaultTextsTest, TableSizeCoversTheHighestNumber) {
  const int size = BuiltInTextTableSize();
  EXPECT_NE(FindTextSpec(size - 1), nullptr);
  EXPECT_EQ(FindTextSpec(size), nullptr);
  // Numbers the installer never asks for are left to the gap filler.
  EXPECT_EQ(FindTextSpec(26), nullptr);
  EXPECT_EQ(FindTextSpec(-1), nullptr);
  EXPECT_EQ(FindTextSpec(999), nullptr);
}

TEST(TextArgumentsTest, ChecksConversionsAgainstTheNumbersUse) {
  struct Case {
    int number;
    const char* text;
    bool ok;
    const char* error;  // a piece of the message when refused
  };
  // 13: one int (the error number); 81: one int (64 or 32); 12: one string;
  // 3: two strings (folder, second paragraph); 7: plain.
  const Case cases[] = {
      {13, "Damaged installer. Error code: %d", true, ""},
      {3, "Installed in \"%s\".\r\n\r\n%s", true, ""},
      // Missing and extra conversions.
      {13, "Damaged installer.", false, "text 13 needs the conversions %d but has none"},
      {3, "Installed in \"%s\".", false, "text 3 needs the conversions %s, %s but has %s"},
      {12, "Install %s first, then %s.", false, "text 12 needs the conversions %s but has %s, %s"},
      // Another kind of argument would make the installer read a number as a pointer or the
      // reverse.
      {13, "Error code: %s", false, "text 13 needs the conversions %d but has %s"},
      {12, "Install product %d first.", false, "needs the conversions %s but has %d"},
      {3, "%d %s", false, "needs the conversions %s, %s but has %d, %s"},
      // The same kind written another way.
      {13, "Error %i", true, ""},
      {13, "Error %u", true, ""},
      {13, "Error 0x%08X", true, ""},
      {13, "Error %x", true, ""},
      {13, "Error %o", true, ""},
      // Flags, width and precision.
      {13, "Error %5d", true, ""},
      {13, "Error %-08d", true, ""},
      {13, "Error %+d", true, ""},
      {12, "Install [%-10s] first", true, ""},
      {12, "Install %.20s first", true, ""},
      {81, "Needs %d-bit Windows: 100%% sure.", true, ""},
      {81, "%%d-bit", false, "needs the conversions %d but has none"},
      // Refused outright.
      {13, "Error %n", false, "text 13 has \"%n\""},
      {13, "Error %*d", false, "text 13 has \"%*\""},
      {12, "Install %.*s first", false, "has \"%.*\""},
      {13, "Error %ld", false, "has \"%l\""},
      {13, "Error %I64d", false, "has \"%I\""},
      {12, "Install %ls first", false, "has \"%l\""},
      {12, "Install %1$s first", false, "has \"%1$\""},
      {13, "Error %c", false, "has \"%c\""},
      {13, "Error %f", false, "has \"%f\""},
      {12, "Install %S first", false, "has \"%S\""},
      {12, "Install %€ first", false, "has \"%€\""},
      {13, "Error %d, 100%", false, "text 13 ends with an unfinished \"%\""},
      {13, "Error %d %-", false, "ends with an unfinished \"%-\""},
      // A bare percent before a blank and a letter is a conversion with the blank flag.
      {12, "100% sure: install %s", false, "but has % s, %s (write \"%%\" for a percent sign)"},
      {13, "Error % d", true, ""},
      // Text outside ASCII around the conversions.
      {12, "Bitte installieren Sie zuerst „%s“ – danke.", true, ""},
      // Plain texts are never formatted; unused numbers are only carried.
      {7, "100% sure? %s %n %", true, ""},
      {63, "%", true, ""},
      {26, "%n %*d %", true, ""},
      {-1, "%", true, ""},
      {10000, "%s", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.number) + ": " + c.text);
    std::string error;
    EXPECT_EQ(CheckTextArguments(c.number, c.text, error), c.ok);
    if (c.ok) {
      EXPECT_EQ(error, "");
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
  }
}

}  // namespace
}  // namespace qs::builder
