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
  // Numbers the installer never asks for are left to the gap filler; the uninstall record's
  // number for the dialog caption is no entry of the table.
  EXPECT_EQ(FindTextSpec(26), nullptr);
  EXPECT_EQ(FindTextSpec(-1), nullptr);
  EXPECT_EQ(FindTextSpec(kTextRecordDialogCaption), nullptr);
}

TEST(TextArgumentsTest, ChecksConversionsAgainstTheNumbersUse) {
  struct Case {
    int number;
    const char* text;
    bool ok;
    const char* error;  // a piece of the message when refused
  };
  // The corrupt report takes one int (the error number), the bitness refusal one int (64 or
  // 32), the master product one string, the previous installation two strings (folder, second
  // paragraph); the second paragraph itself is plain.
  const Case cases[] = {
      {kTextCorruptReport, "Damaged installer. Error code: %d", true, ""},
      {kTextPreviousInstall, "Installed in \"%s\".\r\n\r\n%s", true, ""},
      // Missing and extra conversions.
      {kTextCorruptReport, "Damaged installer.", false,
       "text 13 needs the conversions %d but has none"},
      {kTextPreviousInstall, "Installed in \"%s\".", false,
       "text 3 needs the conversions %s, %s but has %s"},
      {kTextMasterProductMissing, "Install %s first, then %s.", false,
       "text 12 needs the conversions %s but has %s, %s"},
      // Another kind of argument would make the installer read a number as a pointer or the
      // reverse.
      {kTextCorruptReport, "Error code: %s", false, "text 13 needs the conversions %d but has %s"},
      {kTextMasterProductMissing, "Install product %d first.", false,
       "needs the conversions %s but has %d"},
      {kTextPreviousInstall, "%d %s", false, "needs the conversions %s, %s but has %d, %s"},
      // The same kind written another way.
      {kTextCorruptReport, "Error %i", true, ""},
      {kTextCorruptReport, "Error %u", true, ""},
      {kTextCorruptReport, "Error 0x%08X", true, ""},
      {kTextCorruptReport, "Error %x", true, ""},
      {kTextCorruptReport, "Error %o", true, ""},
      // Flags, width and precision.
      {kTextCorruptReport, "Error %5d", true, ""},
      {kTextCorruptReport, "Error %-08d", true, ""},
      {kTextCorruptReport, "Error %+d", true, ""},
      {kTextMasterProductMissing, "Install [%-10s] first", true, ""},
      {kTextMasterProductMissing, "Install %.20s first", true, ""},
      {kTextWrongBitness, "Needs %d-bit Windows: 100%% sure.", true, ""},
      {kTextWrongBitness, "%%d-bit", false, "needs the conversions %d but has none"},
      // Refused outright.
      {kTextCorruptReport, "Error %n", false, "text 13 has \"%n\""},
      {kTextCorruptReport, "Error %*d", false, "text 13 has \"%*\""},
      {kTextMasterProductMissing, "Install %.*s first", false, "has \"%.*\""},
      {kTextCorruptReport, "Error %ld", false, "has \"%l\""},
      {kTextCorruptReport, "Error %I64d", false, "has \"%I\""},
      {kTextMasterProductMissing, "Install %ls first", false, "has \"%l\""},
      {kTextMasterProductMissing, "Install %1$s first", false, "has \"%1$\""},
      {kTextCorruptReport, "Error %c", false, "has \"%c\""},
      {kTextCorruptReport, "Error %f", false, "has \"%f\""},
      {kTextMasterProductMissing, "Install %S first", false, "has \"%S\""},
      {kTextMasterProductMissing, "Install %€ first", false, "has \"%€\""},
      {kTextCorruptReport, "Error %d, 100%", false, "text 13 ends with an unfinished \"%\""},
      {kTextCorruptReport, "Error %d %-", false, "ends with an unfinished \"%-\""},
      // A bare percent before a blank and a letter is a conversion with the blank flag.
      {kTextMasterProductMissing, "100% sure: install %s", false,
       "but has % s, %s (write \"%%\" for a percent sign)"},
      {kTextCorruptReport, "Error % d", true, ""},
      // Text outside ASCII around the conversions.
      {kTextMasterProductMissing, "Bitte installieren Sie zuerst „%s“ – danke.", true, ""},
      // Plain texts are never formatted; unused numbers are only carried.
      {kTextPreviousInstallContinue, "100% sure? %s %n %", true, ""},
      {kTextLanguageLicense, "%", true, ""},
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
