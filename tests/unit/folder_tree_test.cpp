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
      {u"C:\\Tool\\a:stream", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsDeletableFolderTree(c.folder), c.deletable)
        << std::string(c.folder.begin(), c.folder.end());
  }
}

}  // namespace
}  // namespace qs
