// The settings stream: the builder's writer against the installer's reader, the checks and
// the defaults the installer applies while reading.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "builder/settings_writer.h"
#include "core/language_texts.h"
#include "core/payload_format.h"
#include "core/product_flags.h"
#include "core/settings_reader.h"
#include "core/text_ids.h"
#include "files/deletion_conditions.h"
#include "tests/support/settings_fixture.h"

namespace qs {
namespace {

using builder::WriteSettingsStream;
using builder::WriteSettingsStreamUnchecked;
using test_support::FillTexts;
using test_support::FullSettings;
using test_support::MinimalSettings;

SettingsEnvironment RawEnvironment() {
  SettingsEnvironment environment;
  environment.applyDefaults = false;
  return environment;
}

SettingsEnvironment SystemEnvironment() {
  SettingsEnvironment environment;
  environment.windowsDir = u"C:\\Windows";
  environment.programFilesDir = u"C:\\Program Files (x86)";
  return environment;
}

std::vector<uint8_t> Write(const ProductSettings& settings) {
  std::vector<uint8_t> stream;
  std::string error;
  EXPECT_TRUE(WriteSettingsStream(settings, stream, error)) << error;
  return stream;
}

int Read(const std::vector<uint8_t>& stream, ProductSettings& settings,
         const SettingsEnvironment& environment = RawEnvironment()) {
  return ReadSettingsStream(stream, environment, settings);
}

struct RoundTripCase {
  const char* name;
  std::function<void(ProductSettings&)> change;

  friend void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }
};

class SettingsRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// Each row changes one field (or one group stored together) of the smallest product; the
// record read back must equal the record written, so a field written in the wrong place,
// width or order shows up as a difference in its own row.
TEST_P(SettingsRoundTrip, ReadsBackWhatWasWritten) {
  ProductSettings written = MinimalSettings();
  GetParam().change(written);
  ProductSettings read;
  ASSERT_EQ(Read(Write(written), read), 0);
  EXPECT_EQ(read, written);
}

const ProductSettings kFull = FullSettings();

#define FIELD(name)                                         \
  RoundTripCase {                                           \
#name, [](ProductSettings & s) { s.name = kFull.name; } \
  }

INSTANTIATE_TEST_SUITE_P(
    EveryField, SettingsRoundTrip,
    ::testing::Values(
        FIELD(ProductFlags), FIELD(automaticOverride), FIELD(TaskbarText), FIELD(DisplayTitle),
        FIELD(TitleSize), FIELD(progressPlacement), FIELD(minStepDelay), FIELD(ShortcutMode),
        FIELD(productDate), FIELD(Publisher), FIELD(DisplayName), FIELD(description),
        FIELD(Bitness), FIELD(sharedDirBase), FIELD(SharedPath), FIELD(removableSharedSubdir),
        FIELD(ProductStartMenu), FIELD(DisplayVersion), FIELD(defaultInstallDir),
        FIELD(ProductRegistry), FIELD(registryText), FIELD(BitmapSize), FIELD(StretchMode),
        FIELD(licenses), FIELD(readmes), FIELD(UninstallSubdir), FIELD(uninstallerName),
        FIELD(uninstallKeyName), FIELD(installDirValue), FIELD(dialogCaption), FIELD(titleOption),
        FIELD(TitleColor), FIELD(TitleShadow), FIELD(TitlePosition), FIELD(TitleFont),
        FIELD(TopColor), FIELD(BottomColor),
        RoundTripCase{"Bitmap",
                      [](ProductSettings& s) {
                        s.bitmap = kFull.bitmap;
                        s.BitmapTPI = kFull.BitmapTPI;
                      }},
        RoundTripCase{"Copyright",
                      [](ProductSettings& s) {
                        s.CopyrightPos = kFull.CopyrightPos;
                        s.CopyrightColor = kFull.CopyrightColor;
                        s.CopyrightSize = kFull.CopyrightSize;
                        s.CopyrightText = kFull.CopyrightText;
                        s.CopyrightFont = kFull.CopyrightFont;
                      }},
        RoundTripCase{"MasterProduct",
                      [](ProductSettings& s) {
                        s.ProductFlags |= kFlagMasterProduct;
                        s.masterName = kFull.masterName;
                        s.masterKey = kFull.masterKey;
                      }},
        // Without a copyright line the master fields follow the copyright position directly.
        RoundTripCase{"MasterProductWithoutCopyright",
                      [](ProductSettings& s) {
                        s.ProductFlags |= kFlagMasterProduct;
                        s.masterName = kFull.masterName;
                        s.desktopFolderName = kFull.desktopFolderName;
                      }},
        FIELD(desktopFolderName), FIELD(desktopFolderIcon), FIELD(batches), FIELD(reserved20),
        FIELD(unsupportedSystems), FIELD(fileDataFromFile), FIELD(adminRequirement),
        FIELD(finishOpenFile), FIELD(finishLaunchProgram), FIELD(finishOpenOther),
        FIELD(notifyUrlInstall), FIELD(notifyUrlUpgrade), FIELD(notifyUrlDowngrade),
        FIELD(notifyUrlReinstall), FIELD(NotifyURL), FIELD(askBelowVersion), FIELD(unusedText),
        FIELD(mustUninstallBelow), FIELD(firewallRules), FIELD(extraDiskSpace),
        FIELD(dialogLayouts),
        RoundTripCase{"UninstallerIcon",
                      [](ProductSettings& s) {
                        s.ProductFlags |= kFlagUninstallable;
                        s.uninstallerIcon = kFull.uninstallerIcon;
                      }},
        FIELD(conditionalDeletes), FIELD(associations), FIELD(shortcuts), FIELD(rootShortcutName),
        FIELD(rootShortcutTarget), FIELD(taskbarPin), FIELD(savedValues), FIELD(productIcon),
        FIELD(autoCloseEntries), FIELD(languages),
        RoundTripCase{"Everything", [](ProductSettings& s) { s = kFull; }}),
    [](const auto& info) { return std::string(info.param.name); });

#undef FIELD

TEST(SettingsStream, SingleLanguageSingleTextIsOneWideString) {
  ProductSettings settings = MinimalSettings();
  std::vector<uint8_t> stream = Write(settings);
  // ... languageCount, textCount, "English\0", the one text, then the end marker.
  std::u16string text = settings.languages.texts[0];
  size_t tail = 1 + 4 + sizeof("English") + 2 * (text.size() + 1) + 4;
  ASSERT_GT(stream.size(), tail);
  EXPECT_EQ(stream[stream.size() - tail], 1);
  ProductSettings read;
  ASSERT_EQ(Read(stream, read), 0);
  EXPECT_EQ(read.languages.texts, std::vector<std::u16string>{text});
}

class SettingsChecks : public ::testing::TestWithParam<test_support::SettingsDamage> {};

TEST_P(SettingsChecks, ReportTheirNumber) {
  ProductSettings settings = FullSettings();
  GetParam().apply(settings);
  std::vector<uint8_t> stream;
  std::string error;
  EXPECT_FALSE(WriteSettingsStream(settings, stream, error)) << "the writer must refuse it too";
  ProductSettings read;
  EXPECT_EQ(Read(WriteSettingsStreamUnchecked(settings), read), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(EveryCheck, SettingsChecks,
                         ::testing::ValuesIn(test_support::SettingsDamages()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsStream, ListLimitsAreInclusive) {
  ProductSettings settings = MinimalSettings();
  settings.conditionalDeletes.assign(1001,
                                     FileDeletion{"x", kDeleteAlways, "", kDeleteModeInstall});
  settings.autoCloseEntries.assign(1000, AutoCloseEntry{"window", "", "", 0, 1});
  settings.associations.resize(1000);
  settings.shortcuts.resize(1000);
  settings.savedValues.resize(1000);
  for (ShortcutRecord& shortcut : settings.shortcuts) shortcut.fromSettings = 1;
  settings.licenses.assign(20, {'x'});
  settings.readmes.assign(20, {});
  ProductSettings read;
  ASSERT_EQ(Read(Write(settings), read), 0);
  EXPECT_EQ(read, settings);
}

TEST(SettingsStream, EveryCutShortStreamIsRefused) {
  ProductSettings settings = FullSettings();
  std::vector<uint8_t> stream = Write(settings);
  for (size_t size = 0; size < stream.size(); ++size) {
    std::vector<uint8_t> prefix(stream.begin(), stream.begin() + size);
    ProductSettings read;
    EXPECT_NE(Read(prefix, read), 0) << "cut at " << size << " of " << stream.size();
  }
}

// A damaged count that asks for a table of two million texts in a stream that holds a few: it
// is refused before room for the table is taken.
TEST(SettingsStream, TextTableLargerThanTheStreamIsRefused) {
  ProductSettings settings = MinimalSettings();
  test_support::FillTexts(settings.languages, std::vector<std::string>(200, "L"), 1);
  std::vector<uint8_t> stream = Write(settings);
  // ... languageCount, textCount, the names, a text in each language, the end marker.
  const size_t tail = 1 + 4 + 200 * 2 + 200 * 2 * (settings.languages.texts[0].size() + 1) + 4;
  ASSERT_GT(stream.size(), tail);
  const size_t count = stream.size() - tail + 1;
  for (size_t i = 0; i < 4; ++i) stream[count + i] = static_cast<uint8_t>(kMaxTexts >> (8 * i));
  ProductSettings read;
  EXPECT_EQ(Read(stream, read), kErrorSettingsEnd);
  EXPECT_TRUE(read.languages.texts.capacity() < 1000);
}

TEST(SettingsStream, WrongEndMarkerIsRefused) {
  std::vector<uint8_t> stream = Write(MinimalSettings());
  stream.back() ^= 0x01;
  ProductSettings read;
  EXPECT_EQ(Read(stream, read), kErrorSettingsEnd);
}

TEST(SettingsStream, WriterRefusesWhatWouldBeLostOrMisread) {
  struct Case {
    const char* name;
    std::function<void(ProductSettings&)> change;
  };
  const Case cases[] = {
      {"NulInText", [](ProductSettings& s) { s.Publisher = std::u16string(u"a\0b", 3); }},
      {"EndRecordAsDelete",
       [](ProductSettings& s) {
         s.conditionalDeletes = {{kConditionalDeleteEnd, kDeleteAlways, "", kDeleteModeInstall}};
       }},
      {"DeleteDateUnreadable",
       [](ProductSettings& s) {
         s.conditionalDeletes = {{"*.tmp", kDeleteDateFrom, "yesterday", kDeleteModeInstall}};
       }},
      {"DeleteSizeUnreadable",
       [](ProductSettings& s) {
         s.conditionalDeletes = {{"*.tmp", kDeleteSizeAtLeast, "1 MB", kDeleteModeInstall}};
       }},
      {"EndRecordAsAutoClose",
       [](ProductSettings& s) {
         s.autoCloseEntries = {{kAutoCloseEnd, "t", "", 0, 1}};
       }},
      {"ActionTooWide",
       [](ProductSettings& s) {
         s.autoCloseEntries = {{"w", "", "", 256, 1}};
       }},
      {"CopyrightWithoutPosition", [](ProductSettings& s) { s.CopyrightText = u"(c)"; }},
      {"MasterWithoutFlag", [](ProductSettings& s) { s.masterName = u"Master"; }},
      {"IconOfNoUninstaller", [](ProductSettings& s) { s.uninstallerIcon = {1}; }},
      {"TpiWithoutBitmap", [](ProductSettings& s) { s.BitmapTPI = 7; }},
      {"TextTableShort", [](ProductSettings& s) { s.languages.texts.pop_back(); }},
  };
  for (const Case& c : cases) {
    ProductSettings settings = MinimalSettings();
    c.change(settings);
    std::vector<uint8_t> stream;
    std::string error;
    EXPECT_FALSE(WriteSettingsStream(settings, stream, error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

// A tool reads the narrow texts as text and keeps the bytes only where the text's own narrow
// form would be other bytes; written back, the stream is the same. Bytes kept for a text that
// was changed since are not written.
TEST(SettingsStream, ToolsWriteNarrowTextsBackAsStored) {
  struct Case {
    const char* name;
    std::string stored;
    std::u16string text;
    bool kept;
  };
  const Case cases[] = {
      {"ascii", "Quill 2.0", u"Quill 2.0", false},
      {"bar", "|Caf\xC3\xA9", u"Caf\u00e9", false},
      {"ansi", "Caf\xE9", u"Caf\u00e9", true},
      {"bar before ascii", "|Quill", u"Quill", true},
      {"broken utf-8", "|Caf\xC3", u"Caf\uFFFD", true},
  };
  for (const Case& c : cases) {
    for (auto [fieldName, text, field] : test_support::NarrowTextFields()) {
      SCOPED_TRACE(std::string(c.name) + " in " + fieldName);
      ProductSettings written = FullSettings();
      written.*text = c.text;
      written.storedForms.Keep(field, c.stored);
      const std::vector<uint8_t> stream = Write(written);
      ProductSettings read;
      ASSERT_EQ(Read(stream, read), 0);
      EXPECT_EQ(read.*text, c.text);
      EXPECT_EQ(read.storedForms.Of(field), c.kept ? c.stored : "");
      EXPECT_EQ(Write(read), stream);

      read.*text = u"Other";
      ProductSettings again;
      ASSERT_EQ(Read(Write(read), again), 0);
      EXPECT_EQ(again.*text, u"Other");
      EXPECT_EQ(again.storedForms.Of(field), "");
    }
  }
}

// ---- Defaults applied while reading ----

ProductSettings ReadWithDefaults(const ProductSettings& written,
                                 const SettingsEnvironment& environment = SystemEnvironment()) {
  ProductSettings read;
  EXPECT_EQ(Read(Write(written), read, environment), 0);
  return read;
}

TEST(SettingsDefaults, NamesFallBackInTurn) {
  struct Case {
    std::u16string publisher, sharedPath, startMenu, description, keyName, nameOverride;
    std::u16string wantName, wantShared, wantStartMenu, wantDescription, wantKey;
  };
  const Case cases[] = {
      {u"", u"", u"", u"", u"", u"", u"Tiny", u"Tiny", u"Tiny", u"Tiny", u"Tiny"},
      {u"Quill", u"", u"", u"", u"", u"", u"Tiny", u"Quill", u"Quill\\Tiny", u"Tiny", u"Tiny"},
      {u"Quill", u"Shared", u"Menu", u"About", u"Key", u"", u"Tiny", u"Shared", u"Menu", u"About",
       u"Key"},
      // /n replaces the stored name before anything falls back on it.
      {u"", u"", u"", u"", u"", u"Other", u"Other", u"Other", u"Other", u"Other", u"Other"},
  };
  for (const Case& c : cases) {
    ProductSettings settings = MinimalSettings();
    settings.Publisher = c.publisher;
    settings.SharedPath = c.sharedPath;
    settings.ProductStartMenu = c.startMenu;
    settings.description = c.description;
    settings.uninstallKeyName = c.keyName;
    SettingsEnvironment environment = SystemEnvironment();
    environment.productNameOverride = c.nameOverride;
    ProductSettings read = ReadWithDefaults(settings, environment);
    EXPECT_EQ(read.DisplayName, c.wantName);
    EXPECT_EQ(read.SharedPath, c.wantShared);
    EXPECT_EQ(read.ProductStartMenu, c.wantStartMenu);
    EXPECT_EQ(read.description, c.wantDescription);
    EXPECT_EQ(read.uninstallKeyName, c.wantKey);
  }
}

// Names that are not plain ASCII travel as "|" and UTF-8; their wide forms are decoded from
// that, other names from the ANSI code page.
TEST(SettingsDefaults, WideNamesFollowTheBarConvention) {
  ProductSettings settings = MinimalSettings();
  settings.DisplayName = u"Caf\u00e9";  // stored as "|Caf\xc3\xa9"
  settings.description = u"Caf\u00e9 tools";
  settings.storedForms.Keep(NarrowField::kDescription, "Caf\xe9 tools");
  settings.DisplayVersion = u"1.0";
  ProductSettings read = ReadWithDefaults(settings);
  EXPECT_EQ(read.DisplayName, u"Caf\u00e9");
  EXPECT_EQ(read.description, u"Caf\u00e9 tools");
  EXPECT_EQ(read.DisplayVersion, u"1.0");
}

// Names that fall back on a name outside ASCII join as text, whichever narrow form the publisher
// is stored in.
TEST(SettingsDefaults, NamesOutsideAsciiFallBackAsText) {
  struct Case {
    const char* name;
    std::u16string publisher;
    std::string storedPublisher;  // the publisher's bytes, when not its own narrow form
    std::u16string wantShared, wantStartMenu;
  };
  const Case cases[] = {
      {"no publisher", u"", "", u"Caf\u00e9", u"Caf\u00e9"},
      {"ascii", u"Quill", "", u"Quill", u"Quill\\Caf\u00e9"},
      {"bar", u"Qu\u00efll", "", u"Qu\u00efll", u"Qu\u00efll\\Caf\u00e9"},
      {"ansi", u"Qu\u00efll", "Qu\xEFll", u"Qu\u00efll", u"Qu\u00efll\\Caf\u00e9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSettings settings = MinimalSettings();
    settings.DisplayName = u"Caf\u00e9";
    settings.Publisher = c.publisher;
    settings.storedForms.Keep(NarrowField::kPublisher, c.storedPublisher);
    ProductSettings read = ReadWithDefaults(settings);
    EXPECT_EQ(read.SharedPath, c.wantShared);
    EXPECT_EQ(read.ProductStartMenu, c.wantStartMenu);
    EXPECT_EQ(read.uninstallKeyName, u"Caf\u00e9");
    EXPECT_EQ(read.defaultInstallDir, u"C:\\Program Files (x86)\\Caf\u00e9");
  }
}

TEST(SettingsDefaults, DefaultInstallDir) {
  struct Case {
    const char* stored;
    uint8_t bitness;
    const char* want;
  };
  const Case cases[] = {
      {"", 0, "C:\\Program Files (x86)\\Tiny"},
      {"Quill\\Tiny", 0, "C:\\Program Files (x86)\\Quill\\Tiny"},
      {"Quill\\Tiny", 1, "C:\\Program Files\\Quill\\Tiny"},
      {"D:\\Apps\\Tiny", 1, "D:\\Apps\\Tiny"},
      {"\\\\server\\share\\Tiny", 0, "\\\\server\\share\\Tiny"},
      {"<os>\\Tiny", 0, "C:\\Windows\\Tiny"},
      {"%Fonts%\\Tiny", 0, "C:\\Windows\\Fonts\\Tiny"},
      {"HKLM\\Software\\Quill\\Dir", 0, "HKLM\\Software\\Quill\\Dir"},
      {"HKCU\\Software\\Quill\\Dir", 1, "HKCU\\Software\\Quill\\Dir"},
      {"<master>\\Plugins", 0, "<master>\\Plugins"},
  };
  for (const Case& c : cases) {
    ProductSettings settings = MinimalSettings();
    settings.defaultInstallDir = AsciiToUtf16(c.stored);
    settings.Bitness = c.bitness;
    SettingsEnvironment environment = SystemEnvironment();
    environment.expandVariables = [](std::u16string_view text) {
      std::u16string result(text);
      if (result.starts_with(u"%Fonts%")) result.replace(0, 7, u"C:\\Windows\\Fonts");
      return result;
    };
    EXPECT_EQ(ReadWithDefaults(settings, environment).defaultInstallDir, AsciiToUtf16(c.want))
        << c.stored;
  }
}

TEST(SettingsDefaults, DialogCaptionGetsPlaceholdersOnce) {
  ProductSettings settings = MinimalSettings();
  settings.description = u"About <product>";
  settings.dialogCaption = u"<product> - <description> (<os>)";
  EXPECT_EQ(ReadWithDefaults(settings).dialogCaption, u"Tiny - About <product> (C:\\Windows)");
}

TEST(SettingsDefaults, AutomaticOverride) {
  struct Case {
    uint8_t override;
    bool commandLine;
    bool want;
  };
  for (const Case& c : {Case{0, false, false}, Case{0, true, true}, Case{1, false, true},
                        Case{2, true, false}, Case{3, true, true}, Case{3, false, false}}) {
    EXPECT_EQ(EffectiveAutomaticMode(c.override, c.commandLine), c.want)
        << int(c.override) << " " << c.commandLine;
  }
}

// ---- Texts ----

TEST(LanguageTexts, InitialLanguageIsEnglishElseTheFirst) {
  EXPECT_EQ(InitialLanguage({"German", "English", "French"}), 1u);
  EXPECT_EQ(InitialLanguage({"German", "French"}), 0u);
  EXPECT_EQ(InitialLanguage({"english"}), 0u);  // the name is compared exactly

  ProductSettings settings = MinimalSettings();
  FillTexts(settings.languages, {"German", "French"}, 2);
  ProductSettings read = ReadWithDefaults(settings);
  EXPECT_EQ(read.languages.defaultLanguage, 0u);
  LanguageTexts texts(&read.languages, {});
  EXPECT_EQ(texts.Get(1), u"Text 1 in German");
}

TEST(LanguageTexts, LookupAndPlaceholders) {
  LanguageTable table;
  FillTexts(table, {"German", "English"}, 10000);
  table.defaultLanguage = 1;
  table.texts[5 * 2 + 1] = u"<product> <description> in <os>, <product>!";
  LanguageTexts texts(&table, {u"Tiny", u"<os> tool", u"C:\\Windows"});
  EXPECT_EQ(texts.Get(5), u"Tiny C:\\Windows tool in C:\\Windows, Tiny!");
  EXPECT_EQ(texts.Get(9999), u"Text 9999 in English");
  EXPECT_EQ(texts.Get(10000), u"");
  EXPECT_EQ(texts.Get(-1), u"");
  texts.Choose(0);
  EXPECT_EQ(texts.Get(0), u"Text 0 in German");
  texts.Choose(7);  // no such language: the choice stays
  EXPECT_EQ(texts.Current(), 0u);

  NarrowPlaceholderValues narrow{"Tiny", "A tool", "C:\\Windows"};
  EXPECT_EQ(ReplacePlaceholders("<product>: <description> <os>", narrow),
            "Tiny: A tool C:\\Windows");
}

TEST(LanguageTexts, FormatKeepsPercentInPlaceholderValuesLiteral) {
  LanguageTable table;
  FillTexts(table, {"English"}, kTextCorruptReport + 1);
  table.texts[kTextCorruptReport] = u"<product> is damaged (%d)";
  table.texts[kTextMasterProductMissing] = u"<product> needs %s";
  LanguageTexts texts(&table, {u"100% Fun", u"", u"C:\\Windows"});
  std::u16string out;
  ASSERT_TRUE(texts.Format(kTextCorruptReport, {int64_t{25}}, out));
  EXPECT_EQ(out, u"100% Fun is damaged (25)");
  EXPECT_FALSE(texts.Format(kTextMasterProductMissing, {int64_t{25}}, out));  // a number for %s
  EXPECT_FALSE(texts.Format(20, {int64_t{25}}, out));                         // outside the table
}

TEST(LanguageTexts, PreselectedLine) {
  struct Case {
    std::vector<std::string> names;
    std::u16string native;
    size_t want;
  };
  const Case cases[] = {
      {{"English", "Deutsch"}, u"Deutsch (Deutschland)", 1},
      {{"English", "Deutsch"}, u"  Deutsch  ", 1},
      {{"Deutsch", "English"}, u"Fran\u00e7ais (France)", 1},
      {{"Deutsch",
        "Fran\xe7"
        "ais"},
       u"Fran\u00e7ais (France)",
       1},
      {{"Deutsch", "Espa\xf1ol"}, u"Svenska", 0},
      {{"Deutsch"}, u"", 0},
  };
  for (const Case& c : cases) {
    std::vector<std::u16string> lines = LanguagePageLines(c.names, DecodeLatin1);
    EXPECT_EQ(lines.front(), u"\t" + DecodeLatin1(c.names.front()));
    EXPECT_EQ(PreselectedLanguageLine(lines, c.native), c.want);
  }
}

}  // namespace
}  // namespace qs
