// File lists on a real file system: folder listings with wildcards, " /s" through every folder
// below, items taken against the base folder, environment variables, and each file once.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/text_win.h"
#include "files/file_specification_win.h"
#include "harness_win.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

class FileSpecificationListing : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    for (const char* file : {"a.tmp", "b.txt", "ab.tmp", "sub\\c.tmp", "sub\\g.txt", "sub\\e.tm",
                             "sub\\deeper\\d.TMP", "x.tmp\\inside.txt"}) {
      WriteFile(file, {'x'});
    }
  }

  // A path in the test's folder as a specification names it (the folder is ASCII).
  std::string InFolder(const std::string& relative) const {
    return Narrow((Folder() / relative).wstring());
  }
  std::u16string InFolder16(const std::string& relative) const {
    return (Folder() / relative).u16string();
  }

  // The files of `specification` against the test's folder, relative to it, in listing order.
  std::vector<std::string> Expand(const std::string& specification) const {
    std::vector<std::u16string> files;
    ExpandFileSpecification(specification, files, Folder().u16string());
    std::vector<std::string> relative;
    const std::u16string prefix = Folder().u16string() + u"\\";
    for (const std::u16string& file : files) {
      if (file.starts_with(prefix)) {
        relative.push_back(Utf16ToUtf8(file.substr(prefix.size())));
      } else {
        relative.push_back("outside: " + Utf16ToUtf8(file));
      }
    }
    return relative;
  }

  static std::vector<std::string> Sorted(std::vector<std::string> files) {
    std::sort(files.begin(), files.end());
    return files;
  }
};

TEST_F(FileSpecificationListing, SubfoldersListEveryMatchBelow) {
  // The folder's own files come first; folders named like the pattern are not listed.
  std::vector<std::string> files = Expand("*.tmp /s");
  ASSERT_EQ(Sorted(files),
            (std::vector<std::string>{"a.tmp", "ab.tmp", "sub\\c.tmp", "sub\\deeper\\d.TMP"}));
  EXPECT_TRUE(files[0] == "a.tmp" || files[0] == "ab.tmp") << files[0];

  EXPECT_EQ(Sorted(Expand("*.tmp")), (std::vector<std::string>{"a.tmp", "ab.tmp"}));
  EXPECT_EQ(Sorted(Expand(InFolder("sub") + "\\*.tmp /s")),
            (std::vector<std::string>{"sub\\c.tmp", "sub\\deeper\\d.TMP"}));
  EXPECT_EQ(Sorted(Expand("d.tmp /s")), (std::vector<std::string>{"sub\\deeper\\d.TMP"}));
}

TEST_F(FileSpecificationListing, Items) {
  ::SetEnvironmentVariableW(L"QS_LISTING_FOLDER", (Folder() / "sub").wstring().c_str());
  struct Case {
    const char* name;
    std::string specification;
    std::vector<std::string> files;  // sorted
  };
  const Case cases[] = {
      {"Missing", "missing.txt", {}},
      {"MissingFolder", "nowhere\\*.tmp /s", {}},
      {"SameFileOnTwoLines", "a.tmp\r\nA.TMP\r\n" + InFolder("a.tmp"), {"a.tmp"}},
      {"SameFileTwoWays", "sub\\..\\a.tmp;a.tmp", {"a.tmp"}},
      {"OverlappingPatterns",
       "*.tmp\r\na*.tmp\r\n*.tmp /s",
       {"a.tmp", "ab.tmp", "sub\\c.tmp", "sub\\deeper\\d.TMP"}},
      {"BareItemTakesTheFirstItemsFolder",
       InFolder("sub\\c.tmp") + ";g.txt",
       {"sub\\c.tmp", "sub\\g.txt"}},
      {"BareItemNotInThatFolder", InFolder("sub\\c.tmp") + ";b.txt", {"sub\\c.tmp"}},
      {"RelativeFolder", "sub\\*.t?p", {"sub\\c.tmp"}},
      {"EveryFileButNoFolder", "*", {"a.tmp", "ab.tmp", "b.txt"}},
      {"Environment", "%QS_LISTING_FOLDER%\\*.txt", {"sub\\g.txt"}},
      {"BlankLinesAndItems", "\r\n  ;a.tmp; ;\r\n\r\n", {"a.tmp"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sorted(Expand(c.specification)), c.files) << c.name;
  }
  ::SetEnvironmentVariableW(L"QS_LISTING_FOLDER", nullptr);
}

TEST_F(FileSpecificationListing, FilesAlreadyInTheListStayOnce) {
  std::vector<std::u16string> files = {u"C:\\elsewhere\\kept.txt", InFolder16("A.tmp")};
  ExpandFileSpecification("*.tmp", files, Folder().u16string());
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], u"C:\\elsewhere\\kept.txt");
  EXPECT_EQ(files[1], InFolder16("A.tmp"));
  EXPECT_EQ(files[2], InFolder16("ab.tmp"));
}

TEST_F(FileSpecificationListing, NamesBeyondTheCodePage) {
  const std::wstring folderName = L"\u00f6\u4e2d";
  WriteFile(fs::path(folderName) / L"\u00e4.tmp", {'x'});
  WriteFile(fs::path(folderName) / L"plain.tmp", {'x'});
  // The text comes in the "|" form; the paths come whole.
  const std::string specification = Narrow(folderName + L"\\*.tmp\r\n" + folderName + L"\\*.tmp");
  ASSERT_EQ(specification.front(), '|');
  std::vector<std::u16string> files;
  ExpandFileSpecification(specification, files, Folder().u16string());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files,
            (std::vector<std::u16string>{(Folder() / folderName / L"plain.tmp").u16string(),
                                         (Folder() / folderName / L"\u00e4.tmp").u16string()}));
}

}  // namespace
}  // namespace qs::systest
