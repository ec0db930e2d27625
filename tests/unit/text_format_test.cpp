// Formatting the product's texts: what printf would print for the conversions the program
// uses, and a refusal for every format that would make printf misbehave.
#include <gtest/gtest.h>

#include <string>

#include "base/text_format.h"

namespace qs {
namespace {

TEST(FormatText, FormatsLikePrintf) {
  struct Case {
    std::u16string format;
    std::u16string want;
  };
  const Case cases[] = {
      {u"Error code: %d", u"Error code: 42"},
      {u"%i|%5d|%-5d|%05d|%+d|% d", u"42|   42|42   |00042|+42| 42"},
      {u"%u %x %X %#x %.4d", u"42 2a 2A 0x2a 0042"},
      {u"100%% sure: %d", u"100% sure: 42"},
      {u"no conversions", u"no conversions"},
      {u"", u""},
  };
  for (const Case& c : cases) {
    std::u16string out;
    const int64_t n = 42;
    ASSERT_TRUE(FormatText(c.format, {n, n, n, n, n, n}, out)) << c.want.size();
    EXPECT_EQ(out, c.want);
  }
  std::u16string out;
  ASSERT_TRUE(FormatText(u"%s needs %d-bit, not %-3s|%.2s|%c:",
                         {u"Tool", int64_t{64}, u"32", u"Windows", int64_t{'D'}}, out));
  EXPECT_EQ(out, u"Tool needs 64-bit, not 32 |Wi|D:");
  ASSERT_TRUE(FormatText(u"%d %u %x", {int64_t{-1}, int64_t{-1}, int64_t{-1}}, out));
  EXPECT_EQ(out, u"-1 4294967295 ffffffff");
}

TEST(FormatText, RefusesWhatPrintfWouldMisuse) {
  for (std::u16string_view format : {u"%s", u"%d %d", u"%n", u"%*d", u"%.*d", u"%ld", u"%p", u"%f",
                                     u"ends in %", u"%99999d", u"%-"}) {
    std::u16string out;
    EXPECT_FALSE(FormatText(format, {int64_t{7}}, out))
        << std::string(format.begin(), format.end());
  }
  std::u16string out;
  EXPECT_FALSE(FormatText(u"%d", {u"text"}, out));
}

}  // namespace
}  // namespace qs
