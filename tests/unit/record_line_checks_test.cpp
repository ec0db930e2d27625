// The lines of Uninstall.DAT beyond its files that the uninstaller carries out as an
// administrator: registry values, the product's key, the registry script, associations,
// packages and drivers. Each table holds lines a legitimate record writes next to lines that
// reach what the system or other products own, in the forms that could slip past a plain
// comparison (case, the long root names, the 32-bit view, numbered control sets, stray steps).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "integration/registry_script.h"
#include "uninstall/record_line_checks.h"

namespace qs {
namespace {

TEST(RecordLineChecks, ProductRegistryNamesAKeyOfItsOwn) {
  struct Case {
    std::string_view name;
    bool own;
  };
  const Case cases[] = {
      {"Maker\\Product", true},
      {"Product", true},
      {"\\Maker\\Product\\", true},  // outer backslashes are trimmed by the uninstaller too
      {"Microsoft Games", true},     // only a whole step is shared
      {"MyWindows", true},
      // Shared by the system and every product, in any case, also as the first of several steps.
      {"Microsoft", false},
      {"microsoft", false},
      {"Microsoft\\", false},
      {"Microsoft\\Windows\\CurrentVersion\\Uninstall", false},
      {"Classes", false},
      {"Classes\\exefile", false},
      {"Policies", false},
      {"Wow6432Node", false},
      {"WOW6432NODE\\Microsoft", false},
      {"Windows", false},
      {"Clients", false},
      {"RegisteredApplications", false},
      {"Microsoft \\Windows", false},
      // Nothing, or steps that are no names.
      {"", false},
      {"\\", false},
      {" \\ ", false},
      {"Maker\\\\Product", false},
      {"Maker\\..\\Microsoft", false},
      {"..", false},
      {"Maker\\.", false},
      {"Maker\\. .", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsOwnProductRegistryKey(c.name), c.own) << c.name;
  }
}

TEST(RecordLineChecks, RegistryValuesOutsideTheSystemsKeys) {
  struct Case {
    std::string_view path;
    bool removable;
  };
  const Case cases[] = {
      {"\\HKLM\\Software\\Maker\\Product\\Version", true},
      {"HKEY_LOCAL_MACHINE\\Software\\Maker\\Value", true},
      {"\\HKCU\\Software\\Maker\\", true},  // the key's default value
      {"\\HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Maker Tool", true},
      {"\\HKLM\\Software\\Wow6432Node\\Maker\\Value", true},
      {"\\HKCR\\Maker.Document\\shell\\open\\command\\", true},
      {"\\HKCR\\CLSID\\{01234567-89AB-CDEF-0123-456789ABCDEF}\\InprocServer32\\", true},
      {"\\HKLM\\SYSTEM\\CurrentControlSet\\Services\\MakerDriver\\Start", true},
      {"\\HKCU\\Environment\\MAKER_HOME", true},
      {"\\HKU\\S-1-5-21-1\\Software\\Maker\\Value", true},
      {"\\HKCC\\Software\\Maker\\Value", true},
      // A hive's root and the system's well-known keys, however the root or the case is written.
      {"\\HKLM\\Value", false},
      {"\\HKLM\\Software\\Value", false},
      {"\\hkey_local_machine\\SOFTWARE\\Value", false},
      {"\\HKLM\\Software\\Microsoft\\Value", false},
      {"\\HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Shell", false},
      {"\\HKLM\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit",
       false},
      {"\\HKLM\\Software\\Wow6432Node\\Value", false},
      {"\\HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Value", false},
      {"\\HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\BootExecute", false},
      {"\\HKLM\\SYSTEM\\ControlSet001\\Control\\Session Manager\\BootExecute", false},
      {"\\HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment\\Path", false},
      {"\\HKLM\\SYSTEM\\ControlSet002\\Control\\Session Manager\\Environment\\ComSpec", false},
      {"\\HKCU\\Environment\\PATH", false},
      {"\\HKCU\\Control Panel\\Desktop\\Wallpaper", false},
      {"\\HKCU\\Value", false},
      {"\\HKU\\S-1-5-21-1\\Value", false},
      {"\\HKU\\S-1-5-21-1\\Software\\Microsoft\\Value", false},
      {"\\HKU\\Value", false},
      {"\\HKCC\\Value", false},
      // The system's file classes, by either way to them, and the class lists themselves.
      {"\\HKCR\\exefile\\shell\\open\\command\\", false},
      {"\\HKCR\\ExeFile\\shell\\open\\command\\", false},
      {"\\HKLM\\Software\\Classes\\exefile\\shell\\open\\command\\", false},
      {"\\HKCU\\Software\\Classes\\lnkfile\\IsShortcut", false},
      {"\\HKU\\S-1-5-21-1_Classes\\batfile\\shell\\open\\command\\", false},
      {"\\HKCR\\Wow6432Node\\Directory\\shell\\x\\", false},
      {"\\HKCR\\*\\shellex\\x\\", false},
      {"\\HKCR\\.exe\\", false},
      {"\\HKCR\\CLSID\\Value", false},
      {"\\HKCR\\Value", false},
      {"\\HKLM\\Software\\Classes\\Value", false},
      // No root the uninstaller knows, or a path that is not one key.
      {"Software\\Maker\\Value", false},
      {"\\HKXX\\Software\\Maker\\Value", false},
      {"HKLM", false},
      {"\\HKLM\\Software\\\\Maker\\Value", false},
      {"\\HKLM\\Software\\Maker\\..\\Value", false},
      {"\\HKLM\\Software\\.\\Value", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsRemovableRegistryValue(c.path), c.removable) << c.path;
  }
}

// The script keeps its records unchanged when all may be undone, and otherwise loses just the
// refused ones, quoting kept, so that the record written again reads back the same.
TEST(RecordLineChecks, RegistryScriptLosesItsRefusedRecords) {
  const std::string fine =
      "\\HKLM\\Software\\Maker\r\n"
      "\\HKLM\\Software\\Maker,Name,1,\"a, b\",0,0\r\n";
  std::vector<std::string> refused;
  EXPECT_EQ(WithoutRefusedScriptRecords(fine, refused), fine);
  EXPECT_TRUE(refused.empty());

  const std::string script =
      "\\HKLM\\Software\\Maker\r\n"
      "\\HKLM\\Software\\Microsoft\r\n"
      "\\HKLM\\Software\\Maker,Name,1,\"a, \"\"b\"\"\",0,0\r\n"
      "\\HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon,Shell,1,x,0,0\r\n"
      "\\HKCU\\Environment,Path,1,x,0,0\r\n"
      // Kept at uninstallation: never deleted, so nothing to refuse.
      "\\HKLM\\Software,Kept,1,x,0,1\r\n"
      "\\HKAU\\Software\\Classes\\exefile\r\n"
      // No known root: the uninstaller skips it as it is.
      "\\HKXX\\Software\r\n";
  EXPECT_EQ(WithoutRefusedScriptRecords(script, refused),
            "\\HKLM\\Software\\Maker\r\n"
            "\\HKLM\\Software\\Maker,Name,1,\"a, \"\"b\"\"\",0,0\r\n"
            "\\HKLM\\Software,Kept,1,x,0,1\r\n"
            "\\HKXX\\Software\r\n");
  EXPECT_EQ(refused, (std::vector<std::string>{
                         "\\HKLM\\Software\\Microsoft",
                         "\\HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                         "\\HKCU\\Environment", "\\HKAU\\Software\\Classes\\exefile"}));

  // What the next run reads back is what this one kept, whole: fields with line breaks, quotes,
  // outer spaces and commas, and a record ending in an empty field. Nothing in it is refused
  // again, so the next run can complete.
  const std::string tricky =
      "\\HKLM\\Software\\Microsoft\r\n"
      "\\HKLM\\Software\\Maker,\" Name \",1,\"line one\r\nline two\",0,0\r\n"
      "\\HKLM\\Software\\Maker,Quote,1,\"say \"\"hi\"\"\",0,0\r\n"
      "\\HKLM\\Software\\Maker,Empty,1,,0,\r\n";
  refused.clear();
  const std::string kept = WithoutRefusedScriptRecords(tricky, refused);
  EXPECT_EQ(refused, std::vector<std::string>{"\\HKLM\\Software\\Microsoft"});
  std::vector<std::vector<std::string>> expected = SplitRegistryScript(tricky);
  expected.erase(expected.begin());
  EXPECT_EQ(SplitRegistryScript(kept), expected) << kept;
  std::vector<std::string> again;
  EXPECT_EQ(WithoutRefusedScriptRecords(kept, again), kept);
  EXPECT_TRUE(again.empty());
}

TEST(RecordLineChecks, AssociationsOfTheProductsOwnClasses) {
  struct Case {
    RecordedAssociation association;
    bool removable;
  };
  const Case cases[] = {
      {{".mkd", "Maker.Document", "open"}, true},
      {{".txt", "Maker.Text", "edit"}, true},
      {{".mkd", "Maker.Document", ""}, true},
      // The system's program types and classes, in any case.
      {{".exe", "Maker.Document", "open"}, false},
      {{".EXE", "Maker.Document", "open"}, false},
      {{".lnk", "Maker.Document", "open"}, false},
      {{".msi", "Maker.Document", "open"}, false},
      {{".mkd", "exefile", "open"}, false},
      {{".mkd", "ExeFile", "open"}, false},
      {{".mkd", "batfile", "open"}, false},
      {{".mkd", "cmdfile", "open"}, false},
      {{".mkd", "comfile", "open"}, false},
      {{".mkd", "lnkfile", "open"}, false},
      {{".mkd", "Directory", "open"}, false},
      {{".mkd", "Folder", "open"}, false},
      {{".mkd", "*", "open"}, false},
      {{".mkd", "AllFilesystemObjects", "open"}, false},
      {{".mkd", "CLSID", "open"}, false},
      {{".mkd", "Interface", "open"}, false},
      {{".mkd", "TypeLib", "open"}, false},
      // Not a single key, or not what the parts are.
      {{".mkd", "CLSID\\{01234567-89AB-CDEF-0123-456789ABCDEF}", "open"}, false},
      {{".mkd", "Maker.Document", "open\\command"}, false},
      {{".mkd\\x", "Maker.Document", "open"}, false},
      {{"mkd", "Maker.Document", "open"}, false},
      {{".", "Maker.Document", "open"}, false},
      {{".mkd", ".txt", "open"}, false},
      {{".mkd", "", "open"}, false},
      {{".mkd", "..", "open"}, false},
  };
  for (const Case& c : cases) {
    const RecordedAssociation& a = c.association;
    EXPECT_EQ(IsRemovableAssociation(a), c.removable)
        << a.extension << "~!~" << a.class_name << "~!~" << a.verb;
  }
}

// Paths come case-folded from the caller, as the uninstaller passes them.
TEST(RecordLineChecks, PackagesAndDriversInsideTheProductsFolders) {
  const std::u16string_view install = u"c:\\apps\\maker";
  const std::u16string_view uninstall = u"c:\\apps\\maker\\uninstall";
  const std::u16string_view beside = u"c:\\apps\\maker uninstall";
  struct Case {
    std::u16string_view path;
    bool package;
    bool inf;
  };
  const Case cases[] = {
      {u"c:\\apps\\maker\\redist\\runtime.msi", true, false},
      {u"c:\\apps\\maker\\drivers\\device.inf", true, true},
      {u"c:\\apps\\maker\\device.inf", true, true},
      {u"\\\\?\\c:\\apps\\maker\\device.inf", true, true},
      // Elsewhere, or a folder whose name only begins like the product's.
      {u"c:\\windows\\installer\\1a2b3c.msi", false, false},
      {u"c:\\windows\\inf\\oem3.inf", false, false},
      {u"c:\\apps\\maker2\\device.inf", false, false},
      {u"c:\\apps\\device.inf", false, false},
      // The folder itself, steps out of it, relative paths, streams.
      {u"c:\\apps\\maker", false, false},
      {u"c:\\apps\\maker\\..\\other\\device.inf", false, false},
      {u"c:\\apps\\maker\\.\\device.inf", false, false},
      {u"device.inf", false, false},
      {u"\\apps\\maker\\device.inf", false, false},
      {u"c:apps\\maker\\device.inf", false, false},
      {u"c:\\apps\\maker\\x.msi:stream", false, false},
      // Not an INF file.
      {u"c:\\apps\\maker\\device.inf.exe", true, false},
  };
  for (const Case& c : cases) {
    const std::string shown(c.path.begin(), c.path.end());
    EXPECT_EQ(IsProductPackagePath(c.path, install, uninstall), c.package) << shown;
    EXPECT_EQ(IsProductInfPath(c.path, install, uninstall), c.inf) << shown;
  }
  // The uninstall folder counts on its own when it lies beside the installation folder.
  EXPECT_TRUE(IsProductInfPath(u"c:\\apps\\maker uninstall\\device.inf", install, beside));
  EXPECT_FALSE(IsProductInfPath(u"c:\\apps\\maker uninstall\\device.inf", install, uninstall));
}

}  // namespace
}  // namespace qs
