// The product settings as the running stub reads them: every check of the stream reported by
// its number, the product's own corrupt report and error caption, and file data read from the
// file rather than from the mapped image.
#include <cstdint>
#include <string>
#include <vector>

#include "core/payload_format.h"
#include "core/product_flags.h"
#include "core/text_ids.h"
#include "harness_win.h"
#include "tests/support/payload_damage.h"
#include "tests/support/settings_fixture.h"

namespace qs::systest {
namespace {

using test_support::GetU32;
using test_support::SetU32;

constexpr uint64_t kCompressed = kFlagCompressedBlocks;

TestPayload ProductPayload(const ProductSettings& settings) {
  return MakePayload({MakeFile("a.txt", "a"), MakeFile("b.txt", "b")}, {}, 0,
                     SettingsStream(settings));
}

class SettingsTest : public SystemTest {};

class SettingsCheck : public SystemTest,
                      public ::testing::WithParamInterface<test_support::SettingsDamage> {};

TEST_P(SettingsCheck, IsReportedByItsNumber) {
  ProductSettings settings = TestProduct(kCompressed);
  GetParam().apply(settings);
  RunResult result = RunInstaller(MakeInstaller(ProductPayload(settings)), L"/a");
  EXPECT_TRUE(EndedWithCorruptReport(result, GetParam().error)) << result;
}

INSTANTIATE_TEST_SUITE_P(Stub, SettingsCheck, ::testing::ValuesIn(test_support::SettingsDamages()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, SettingsWithoutEndMarkerAreCorrupt) {
  std::vector<uint8_t> stream = SettingsStream(TestProduct(kCompressed));
  stream.back() ^= 0x80;
  RunResult result =
      RunInstaller(MakeInstaller(MakePayload({MakeFile("a.txt", "a")}, {}, 0, stream)));
  EXPECT_TRUE(EndedWithCorruptReport(result, kErrorSettingsEnd)) << result;
}

// Once the settings are read, a damaged payload is reported in the product's words
// (kTextCorruptReport, placeholders replaced, the number put in) under its error caption
// (kTextErrorCaption). A report that does not take the number falls back to the built-in one.
TEST_F(SettingsTest, CorruptReportUsesTheProductsTexts) {
  struct Case {
    std::u16string report;
    std::wstring arguments;
    std::string wantText;  // empty: the built-in report
  };
  const Case cases[] = {
      {u"<product> is damaged (code %d).", L"", "Test Product is damaged (code 55)."},
      {u"<product> is damaged (code %d).", L"/n:\"100% Other\"",
       "100% Other is damaged (code 55)."},
      // A name outside the ANSI code page arrives whole.
      {u"<product> is damaged (code %d).",
       L"/n:\"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1 \u4E2D\u6587\"",
       "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1 \xE4\xB8\xAD\xE6\x96\x87 is damaged (code "
       "55)."},
      {u"<product> is damaged: %s", L"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.wantText));
    ProductSettings settings = TestProduct(kCompressed);
    test_support::FillTexts(settings.languages, {"English"}, kTextErrorCaption + 1);
    settings.languages.texts[kTextCorruptReport] = c.report;
    settings.languages.texts[kTextErrorCaption] = u"Setup problem";
    TestPayload payload = ProductPayload(settings);
    SetU32(payload.section, payload.layout.fileDataChecksumOffset,
           GetU32(payload.section, payload.layout.fileDataChecksumOffset) + 1);
    RunResult result = RunInstaller(MakeInstaller(payload), c.arguments);
    ASSERT_EQ(result.exitCode, 1u) << result;
    std::vector<TranscriptRecord> messages = result.Records("message");
    ASSERT_EQ(messages.size(), 1u) << result;
    EXPECT_EQ(MessageCaption(messages[0]), "Setup problem") << result;
    if (c.wantText.empty()) {
      EXPECT_EQ(MessageText(messages[0]).rfind("This installation program is corrupt.", 0), 0u)
          << result;
    } else {
      EXPECT_EQ(MessageText(messages[0]), c.wantText) << result;
    }
  }
}

// A product may keep its file data out of the mapped image and read it from the file. The
// file must then end with the payload: any byte after it is refused (46).
TEST_F(SettingsTest, FileDataReadFromTheFile) {
  ProductSettings settings = TestProduct(kCompressed);
  settings.fileDataFromFile = 1;
  TestPayload payload = ProductPayload(settings);

  const std::filesystem::path target = Folder() / "Target";
  RunResult exact = RunInstaller(MakeInstaller(payload, false, builder::SectionEnd::kAtPayload),
                                 L"/a /d:\"" + target.wstring() + L"\"");
  EXPECT_EQ(exact.exitCode, 1u) << exact;
  EXPECT_TRUE(exact.MessageTexts().empty()) << exact;
  const std::string folder = WideToUtf8(target.wstring());
  EXPECT_EQ(exact.Items(), (std::vector<std::string>{folder + "\\a.txt", folder + "\\b.txt"}))
      << exact;

  std::vector<uint8_t> signed_ = MakeInstaller(payload, false, builder::SectionEnd::kAtPayload);
  signed_.insert(signed_.end(), 16, 0xAB);
  EXPECT_TRUE(EndedWithCorruptReport(RunInstaller(signed_), kErrorFileDataSizeMismatch));
}

}  // namespace
}  // namespace qs::systest
