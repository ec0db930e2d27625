#include "ui/document_text.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

TEST(DocumentTextTest, DecodesByItsMark) {
  EXPECT_EQ(DecodeDocument(Bytes(std::string_view("\xFF\xFE"
                                                  "A\0\xE9\0",
                                                  6)),
                           DecodeLatin1),
            u"A\u00e9");
  EXPECT_EQ(DecodeDocument(Bytes("\xEF\xBB\xBF"
                                 "caf\xC3\xA9"),
                           DecodeLatin1),
            u"caf\u00e9");
  EXPECT_EQ(DecodeDocument(Bytes("caf\xE9"), DecodeLatin1), u"caf\u00e9");
  EXPECT_EQ(DecodeDocument({}, DecodeLatin1), u"");
  // A UTF-16 document with an odd length loses only the half character.
  EXPECT_EQ(DecodeDocument(Bytes(std::string_view("\xFF\xFE"
                                                  "A\0B",
                                                  5)),
                           DecodeLatin1),
            u"A");
}

TEST(DocumentTextTest, TextBecomesAUtf16DocumentAndBack) {
  std::u16string text = u"Licence \u00a9 \u4e2d";
  std::vector<uint8_t> document = Utf16Document(text);
  ASSERT_GE(document.size(), 2u);
  EXPECT_EQ(document[0], 0xFF);
  EXPECT_EQ(document[1], 0xFE);
  EXPECT_EQ(DecodeDocument(document, DecodeLatin1), text);
}

}  // namespace
}  // namespace qs
