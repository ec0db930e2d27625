// Which folders may be deleted with everything in them: never more than a product's folder.
#include "integration/folder_tree.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(FolderTree, OnlyFoldersBelowARoot) {
  struct Case {
    std::u16string_view folder;
    bool deletable;
  };
  const Case cases[] = {
      {u"C:\\Program Files\\Maker\\Tool", true},
      {u"C:\\Tool", true},
      {u"c:/Tool/", true},
      {u"\\\\server\\share\\Tool", true},
      {u"\\\\?\\C:\\Tool", true},
      {u"\\\\?\\UNC\\server\\share\\Tool", true},
      // Roots and shares.
      {u"C:\\", false},
      {u"C:", false},
      {u"C:\\\\", false},
      {u"\\\\server\\share", false},
      {u"\\\\server\\share\\", false},
      {u"\\\\?\\C:\\", false},
      {u"\\\\?\\UNC\\server\\share", false},
      // Relative, or reaching up.
      {u"", false},
      {u"Tool", false},
      {u"\\Tool", false},
      {u"C:Tool", false},
      {u"C:\\Tool\\..", false},
      {u"C:\\Tool\\.\\..\\", false},
      // The system drops a step's trailing dots and blanks: these are "." and ".." too.
      {u"C:\\Tool\\. .\\Other", false},
      {u"C:\\Tool\\.. ", false},
      {u"C:\\Tool\\a:stream", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsDeletableFolderTree(c.folder), c.deletable)
        << std::string(c.folder.begin(), c.folder.end());
  }
}

// The system's folders and every folder that holds one are refused; folders beside them or
// below them are not.
TEST(FolderTree, HoldsFolder) {
  struct Case {
    std::u16string_view folder;
    std::u16string_view other;
    bool holds;
  };
  const Case cases[] = {
      {u"c:\\users", u"c:\\users\\me\\desktop", true},
      {u"c:\\users\\me\\desktop", u"c:\\users\\me\\desktop", true},
      {u"c:/users/", u"c:\\\\users\\me", true},
      {u"\\\\?\\c:\\users", u"c:\\users\\me", true},
      {u"\\\\server\\share\\x", u"\\\\?\\UNC\\server\\share\\x\\y", true},
      // Beside or below.
      {u"c:\\users\\me\\desktop\\tool", u"c:\\users\\me\\desktop", false},
      {u"c:\\user", u"c:\\users\\me", false},
      {u"c:\\users\\me 2", u"c:\\users\\me", false},
      {u"d:\\users", u"c:\\users\\me", false},
      // A share is not a drive's folder of the same names.
      {u"\\\\c:\\users", u"c:\\users\\me", false},
      {u"", u"c:\\users", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HoldsFolder(c.folder, c.other), c.holds)
        << std::string(c.folder.begin(), c.folder.end()) << " / "
        << std::string(c.other.begin(), c.other.end());
  }
}

}  // namespace
}  // namespace qs
