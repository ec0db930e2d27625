// Path variables: the replacement engine with made-up values, and the rules that turn the
// system's raw answers into values.
#include "integration/path_variables.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "base/text.h"

namespace qs {
namespace {

std::string U8(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

std::u16string U16(std::string_view text) {
  return Utf8ToUtf16(text);
}

// Values by variable; a variable without one expands to "<name>" so every replacement shows.
class FakeValues : public PathVariableValues {
 public:
  std::u16string Value(PathVariable variable) override {
    ++asked[variable];
    auto it = values.find(variable);
    if (it != values.end()) return it->second;
    std::u16string_view token = PathVariableOf(variable).token;
    return u"<" + std::u16string(token.substr(1, token.size() - 2)) + u">";
  }

  std::map<PathVariable, std::u16string> values;
  std::map<PathVariable, int> asked;
};

std::string Expand(std::string_view text, FakeValues& values) {
  return U8(ExpandVariableTokens(U16(text), values));
}

std::string Expand(std::string_view text) {
  FakeValues values;
  return Expand(text, values);
}

TEST(PathVariableTable, NamesEveryVariableOnceInEngineOrder) {
  const auto& table = PathVariables();
  std::set<std::u16string> lowered;
  for (size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(U8(table[i].token));
    EXPECT_EQ(static_cast<size_t>(table[i].variable), i);
    EXPECT_EQ(table[i].token.front(), u'%');
    EXPECT_EQ(table[i].token.back(), u'%');
    std::string lower = AsciiLower(U8(table[i].token));
    EXPECT_TRUE(lowered.insert(U16(lower)).second);
    if (i > 0) {
      EXPECT_LT(AsciiLower(U8(table[i - 1].token)), lower) << "the engine order is alphabetical";
    }
  }
  EXPECT_EQ(table.front().token, u"%AppDataAllDir%");
  EXPECT_EQ(table.back().token, u"%WinDir%");
  for (const PathVariableInfo& info : table) {
    bool exact = info.variable == PathVariable::kOldVersionMajor ||
                 info.variable == PathVariable::kOldVersionMinor;
    EXPECT_EQ(info.caseSensitive, exact) << U8(info.token);
  }
}

TEST(ExpandVariableTokens, Matching) {
  struct Case {
    const char* name;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"NoPercentSign", "C:\\Program Files\\App", "C:\\Program Files\\App"},
      {"Empty", "", ""},
      {"Exact", "%InstallDir%\\bin", "<InstallDir>\\bin"},
      {"LowerCase", "%installdir%\\bin", "<InstallDir>\\bin"},
      {"UpperCase", "%INSTALLDIR%\\bin", "<InstallDir>\\bin"},
      {"EveryOccurrence", "%WinDir%;%windir%;%WINDIR%", "<WinDir>;<WinDir>;<WinDir>"},
      {"Adjacent", "%Bits%%Bits%", "<Bits><Bits>"},
      {"MajorExact", "%OldVersionMajor%", "<OldVersionMajor>"},
      {"MajorLowerCaseStays", "%oldversionmajor%", "%oldversionmajor%"},
      {"MinorUpperCaseStays", "%OLDVERSIONMINOR%", "%OLDVERSIONMINOR%"},
      {"OldVersionAnyCase", "%oldversion%", "<OldVersion>"},
      {"OldVersionNotInsideMajor", "%OldVersionMajor%.%OldVersionMinor%/%OldVersion%",
       "<OldVersionMajor>.<OldVersionMinor>/<OldVersion>"},
      {"UnknownStays", "%NoSuchVariable%\\%comspec%", "%NoSuchVariable%\\%comspec%"},
      {"LonePercent", "100% %Temp", "100% %Temp"},
      {"PercentBeforeToken", "%%Temp%%", "%<Temp>%"},
      {"TokenWithoutPercentSigns", "InstallDir", "InstallDir"},
      {"NonAsciiAround", "\xc3\xa9%Version%\xc3\xa9", "\xc3\xa9<Version>\xc3\xa9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Expand(c.text), c.expected);
  }
}

// The case-insensitive match folds ASCII only: a non-ASCII letter never matches a token letter.
TEST(ExpandVariableTokens, FoldsAsciiOnly) {
  // U+0130 (capital I with dot) lower-cases to 'i' in some locales.
  EXPECT_EQ(Expand("%\xc4\xb0nstallDir%"), "%\xc4\xb0nstallDir%");
}

TEST(ExpandVariableTokens, LaterVariablesApplyToInsertedText) {
  FakeValues values;
  values.values[PathVariable::kProductName] = u"Tool %Version% (%WinDir%)";
  values.values[PathVariable::kVersion] = u"2.5";
  values.values[PathVariable::kWinDir] = u"C:\\Windows";
  EXPECT_EQ(Expand("%ProductName%", values), "Tool 2.5 (C:\\Windows)");
}

TEST(ExpandVariableTokens, EarlierVariablesDoNotApplyToInsertedText) {
  // %AppDataDir% comes before %Version%, so a version that names it keeps the token.
  FakeValues values;
  values.values[PathVariable::kVersion] = u"%AppDataDir%";
  EXPECT_EQ(Expand("%Version%", values), "%AppDataDir%");
}

TEST(ExpandVariableTokens, InsertedTextIsNotSearchedForTheSameVariable) {
  FakeValues values;
  values.values[PathVariable::kInstallDir] = u"C:\\%InstallDir%\\x";
  EXPECT_EQ(Expand("%InstallDir%;%InstallDir%", values), "C:\\%InstallDir%\\x;C:\\%InstallDir%\\x");
}

TEST(ExpandVariableTokens, InsertedPercentSignsDoNotJoinWithTheText) {
  // The value ends in "%Bi" and the text goes on with "ts%": no new %Bits% token for the
  // current variable, since the scan goes on after the replaced token.
  FakeValues values;
  values.values[PathVariable::kBits] = u"%Bi";
  EXPECT_EQ(Expand("%Bits%ts%", values), "%Bits%");
}

TEST(ExpandVariableTokens, AsksForAValueOnlyWhenItsTokenOccursAndOncePerText) {
  FakeValues values;
  Expand("%WinDir%\\%WinDir%\\%Temp%\\%oldversionmajor%", values);
  EXPECT_EQ(values.asked,
            (std::map<PathVariable, int>{{PathVariable::kTemp, 1}, {PathVariable::kWinDir, 1}}));
}

TEST(ExpandVariableTokens, EmptyValueRemovesTheToken) {
  FakeValues values;
  values.values[PathVariable::kOldVersionMinor] = u"";
  EXPECT_EQ(Expand("v%OldVersionMinor%.", values), "v.");
}

TEST(PathVariableRules, OldVersionParts) {
  struct Case {
    const char16_t* version;
    const char16_t* major;
    const char16_t* minor;
  };
  const Case cases[] = {
      {u"3.10.2", u"3", u"10"}, {u"7", u"7", u""},  {u"", u"", u""},      {u"1.2", u"1", u"2"},
      {u".5", u"", u"5"},       {u"4.", u"4", u""}, {u"1..3", u"1", u""}, {u"2.0b.1", u"2", u"0b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.version));
    EXPECT_EQ(OldVersionMajor(c.version), c.major);
    EXPECT_EQ(OldVersionMinor(c.version), c.minor);
  }
}

TEST(PathVariableRules, Drives) {
  struct Case {
    const char16_t* path;
    const char16_t* withColon;
    const char16_t* letter;
  };
  const Case cases[] = {
      {u"d:\\x", u"D:", u"D"},
      {u"C:\\Program Files\\App", u"C:", u"C"},
      {u"z:", u"Z:", u"Z"},
      {u"\\\\srv\\share\\app", u"", u""},
      {u"1:\\x", u"", u""},
      {u"\u00e9:\\x", u"", u""},
      {u"C", u"", u""},
      {u"", u"", u""},
      {u"relative\\dir", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.path));
    EXPECT_EQ(DriveWithColon(c.path), c.withColon);
    EXPECT_EQ(DriveLetter(c.path), c.letter);
  }
}

TEST(PathVariableRules, ModuleFolderAndName) {
  struct Case {
    const char16_t* fileName;
    const char16_t* folder;
    const char16_t* name;
  };
  const Case cases[] = {
      {u"C:\\Downloads\\setup.exe", u"C:\\Downloads", u"setup.exe"},
      {u"C:\\setup.exe", u"C:\\", u"setup.exe"},
      {u"\\\\srv\\share\\setup.exe", u"\\\\srv\\share", u"setup.exe"},
      {u"\\\\srv\\share\\sub\\setup.exe", u"\\\\srv\\share\\sub", u"setup.exe"},
      {u"C:setup.exe", u"C", u"setup.exe"},
      {u"setup.exe", u"", u"setup.exe"},
      {u"D:\\a:b\\setup.exe", u"D:\\a:b", u"setup.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.fileName));
    EXPECT_EQ(ModuleFolder(c.fileName), c.folder);
    EXPECT_EQ(ModuleBaseName(c.fileName), c.name);
  }
}

TEST(PathVariableRules, FolderValuesLoseOneTrailingBackslashExceptDriveRoots) {
  struct Case {
    const char16_t* value;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"C:\\Users\\Public\\Desktop\\", u"C:\\Users\\Public\\Desktop"},
      {u"C:\\Users\\Public\\Desktop", u"C:\\Users\\Public\\Desktop"},
      {u"C:\\x\\\\", u"C:\\x\\"},
      {u"C:\\", u"C:\\"},
      {u"ab\\", u"ab\\"},  // three characters, whatever they are
      {u"C:\\a\\", u"C:\\a"},
      {u"\\", u""},
      {u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.value));
    EXPECT_EQ(TrimFolderValue(c.value), c.expected);
  }
}

TEST(PathVariableRules, JoinFolder) {
  struct Case {
    const char16_t* folder;
    const char16_t* name;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"C:\\Windows", u"Fonts", u"C:\\Windows\\Fonts"},
      {u"C:\\Windows\\", u"Fonts", u"C:\\Windows\\Fonts"},
      {u"C:\\", u"Desktop", u"C:\\Desktop"},
      {u"C:\\Windows", u"\\Fonts", u"C:\\Windows\\Fonts"},
      {u"C:\\Windows\\\\", u"\\\\Fonts", u"C:\\Windows\\Fonts"},
      {u"", u"Maker\\Tool", u"Maker\\Tool"},
      {u"C:\\Menu\\Programs", u"", u"C:\\Menu\\Programs"},
      {u"", u"", u""},
      {u"C:\\Menu\\Programs", u"Maker\\Tool", u"C:\\Menu\\Programs\\Maker\\Tool"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.folder) + " + " + U8(c.name));
    EXPECT_EQ(JoinFolder(c.folder, c.name), c.expected);
  }
}

TEST(PathVariableRules, CutLastComponents) {
  const std::u16string startup =
      u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
  EXPECT_EQ(CutLastComponents(startup, 0), startup);
  EXPECT_EQ(CutLastComponents(startup, 1),
            u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
  EXPECT_EQ(CutLastComponents(startup, 2), u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu");
  EXPECT_EQ(CutLastComponents(u"C:\\Startup", 1), u"C:");
  // A path that runs out of components gives nothing, so the lookup falls through.
  EXPECT_EQ(CutLastComponents(u"C:\\Startup", 2), u"");
  EXPECT_EQ(CutLastComponents(u"Startup", 1), u"");
  EXPECT_EQ(CutLastComponents(u"", 1), u"");
}

TEST(PathVariableRules, InetpubFromWebRoot) {
  struct Case {
    const char16_t* webRoot;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"c:\\Inetpub\\wwwroot", u"c:\\Inetpub"},
      {u"c:\\Inetpub\\wwwroot\\", u"c:\\Inetpub"},
      {u"D:\\Web\\Sites\\root", u"D:\\Web\\Sites"},
      {u"c:\\wwwroot", u"c:"},
      {u"wwwroot", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.webRoot));
    EXPECT_EQ(InetpubFromWebRoot(c.webRoot), c.expected);
  }
}

TEST(PathVariableRules, DeviceDirFromDevicePath) {
  struct Case {
    const char16_t* devicePath;
    const char16_t* systemRoot;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"%SystemRoot%\\inf", u"C:\\Windows", u"C:\\Windows\\inf"},
      {u"%systemroot%\\inf;D:\\Drivers", u"C:\\Windows", u"C:\\Windows\\inf"},
      {u"%SYSTEMROOT%\\inf", u"C:\\Windows", u"C:\\Windows\\inf"},
      {u"%SystemRoot%\\inf", u"", u"%SystemRoot%\\inf"},
      {u"%SystemRoot%\\a\\%SystemRoot%", u"W", u"W\\a\\%SystemRoot%"},
      {u"D:\\Drivers;%SystemRoot%\\inf", u"C:\\Windows", u"D:\\Drivers"},
      {u"%Windir%\\inf", u"C:\\Windows", u"%Windir%\\inf"},
      {u"100%%SystemRoot%", u"R", u"100%R"},
      {u";D:\\Drivers", u"C:\\Windows", u""},
      {u"", u"C:\\Windows", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.devicePath));
    EXPECT_EQ(DeviceDirFromDevicePath(c.devicePath, c.systemRoot), c.expected);
  }
}

TEST(PathVariableRules, BootDriveFromBootDir) {
  struct Case {
    const char16_t* bootDir;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"C:\\", u"C:"}, {u"d:\\", u"D:"}, {u"e:", u"E:"},      {u"", u"C:"},
      {u"D", u"C:"},    {u"1:\\", u"C:"}, {u"\\\\srv", u"C:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.bootDir));
    EXPECT_EQ(BootDriveFromBootDir(c.bootDir), c.expected);
  }
}

}  // namespace
}  // namespace qs
