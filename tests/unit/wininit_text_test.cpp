#include "files/wininit_text.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(WininitTextTest, SectionIsAddedWhenMissing) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"empty file", "", "[rename]\r\nC:\\APP\\A.DLL=C:\\APP\\KWV1.TMP"},
      {"ends with a line break", "[boot]\r\nx=1\r\n",
       "[boot]\r\nx=1\r\n[rename]\r\nC:\\APP\\A.DLL=C:\\APP\\KWV1.TMP"},
      {"ends with a bare line feed", "[boot]\nx=1\n",
       "[boot]\nx=1\n[rename]\r\nC:\\APP\\A.DLL=C:\\APP\\KWV1.TMP"},
      {"last line unterminated", "[boot]\r\nx=1",
       "[boot]\r\nx=1\r\n[rename]\r\nC:\\APP\\A.DLL=C:\\APP\\KWV1.TMP"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddWininitRename(c.text, "C:\\APP\\A.DLL", "C:\\APP\\KWV1.TMP"), c.expected)
        << c.name;
  }
}

TEST(WininitTextTest, NewestLineComesFirstInTheSection) {
  std::string text = AddWininitRename("[boot]\r\n", "C:\\A.DLL", "C:\\KWV1.TMP");
  text = AddWininitRename(text, "NUL", "C:\\OLD.DLL");
  EXPECT_EQ(text, "[boot]\r\n[rename]\r\nNUL=C:\\OLD.DLL\r\nC:\\A.DLL=C:\\KWV1.TMP");

  // Lines of other sections after it stay where they are.
  EXPECT_EQ(AddWininitRename("[rename]\r\nNUL=C:\\X\r\n[other]\r\ny=2\r\n", "C:\\B", "C:\\C"),
            "[rename]\r\nC:\\B=C:\\C\r\nNUL=C:\\X\r\n[other]\r\ny=2\r\n");
}

}  // namespace
}  // namespace qs
