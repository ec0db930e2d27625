#include "integration/batch_text.h"

#include <gtest/gtest.h>

#include <string>

namespace qs {
namespace {

TEST(BatchTextTest, CodePage1252HoldsLatin1AndItsOwnHighCharacters) {
  struct Case {
    std::u16string text;
    std::string bytes;
  };
  const Case cases[] = {
      {u"del \"C:\\x.txt\"", "del \"C:\\x.txt\""},
      {u"Caf\u00E9 \u00FF", "Caf\xE9 \xFF"},
      {u"\u20AC \u2019 \u0178 \u017E", "\x80 \x92 \x9F \x9E"},  // the bytes 0x80-0x9F
      {u"\u0081\u008D", "\x81\x8D"},  // undefined bytes keep their control characters
      {u"\u0080\u0099", "??"},        // other controls there have no byte
      {u"\u0151\u4E2D", "??"},        // Hungarian o, a Chinese character
      {u"a\U0001F600b", "a?b"},       // one question mark for a surrogate pair
      {u"a\xD800"
       u"b",
       "a?b"},  // a lone surrogate
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeCodePage1252(c.text), c.bytes);
  }
}

TEST(BatchTextTest, UnicodeBatchesAreUtf8OnlyWhereTheInterpreterReadsIt) {
  const std::u16string ascii = u"rd \"C:\\App\"\r\n";
  const std::u16string accented = u"rd \"C:\\Caf\u00E9\"\r\n";
  const std::u16string chinese = u"rd \"C:\\\u4E2D\"\r\n";

  EXPECT_EQ(EncodeBatchText(ascii, true), "@chcp 1252 >nul\r\nrd \"C:\\App\"\r\n");
  EXPECT_EQ(EncodeBatchText(accented, true), "@chcp 65001 >nul\r\nrd \"C:\\Caf\xC3\xA9\"\r\n");
  EXPECT_EQ(EncodeBatchText(chinese, true), "@chcp 65001 >nul\r\nrd \"C:\\\xE4\xB8\xAD\"\r\n");
  EXPECT_EQ(EncodeBatchText(accented, false), "@chcp 1252 >nul\r\nrd \"C:\\Caf\xE9\"\r\n");
  EXPECT_EQ(EncodeBatchText(chinese, false), "@chcp 1252 >nul\r\nrd \"C:\\?\"\r\n");
}

}  // namespace
}  // namespace qs
