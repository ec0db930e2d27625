#include "ui/transcript_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/install_run.h"

namespace qs {
namespace {

TEST(TranscriptFormatTest, EscapesOnlyTheSeparatorsAndBackslash) {
  EXPECT_EQ(EscapeTranscriptField("a\\b\tc\rd\ne"), "a\\\\b\\tc\\rd\\ne");
  EXPECT_EQ(EscapeTranscriptField("C:\\new\\table"), "C:\\\\new\\\\table");
  EXPECT_EQ(EscapeTranscriptField("Caf\xC3\xA9 \"q\""), "Caf\xC3\xA9 \"q\"");
}

TEST(TranscriptFormatTest, UnescapeIsLenientWithForeignEscapes) {
  EXPECT_EQ(UnescapeTranscriptField("a\\\\b\\tc\\rd\\ne"), "a\\b\tc\rd\ne");
  EXPECT_EQ(UnescapeTranscriptField("\\x\\"), "\\x\\");  // unknown and trailing backslash kept
}

TEST(TranscriptFormatTest, RecordsRoundTrip) {
  const std::vector<std::string> tricky = {
      "",
      "C:\\Program Files\\App\\new.txt",  // \n and \t inside a path stay text
      "line one\r\nline two\ttabbed",
      "\\\\server\\share\\",
      "ends with backslash\\",
      "\\t literally",
  };
  std::string transcript;
  transcript += FormatTranscriptRecord("message", {"error", "ok", "Setup", tricky[2], "ok"});
  transcript += FormatTranscriptRecord("status", {tricky[1]});
  transcript += FormatTranscriptRecord("item", tricky);
  transcript += FormatTranscriptRecord("progress", {"100"});
  transcript += FormatTranscriptRecord("bare", {});

  // One line per record, whatever the fields hold.
  EXPECT_EQ(std::count(transcript.begin(), transcript.end(), '\n'), 5);

  const std::vector<TranscriptRecord> records = ParseTranscript(transcript);
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0].kind, "message");
  EXPECT_EQ(records[0].fields, (std::vector<std::string>{"error", "ok", "Setup", tricky[2], "ok"}));
  EXPECT_EQ(records[1].Field(0), tricky[1]);
  EXPECT_EQ(records[2].fields, tricky);
  EXPECT_EQ(records[3].Field(0), "100");
  EXPECT_EQ(records[4].kind, "bare");
  EXPECT_TRUE(records[4].fields.empty());
  EXPECT_EQ(records[3].Field(5), "");  // past the end
}

TEST(TranscriptFormatTest, ParseToleratesCrLfBlankLinesAndMissingFinalNewline) {
  const std::vector<TranscriptRecord> records =
      ParseTranscript("status\tone\r\n\r\n\nprogress\t50\t\nitem\tlast");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].fields, std::vector<std::string>{"one"});
  EXPECT_EQ(records[1].fields, (std::vector<std::string>{"50", ""}));  // empty last field kept
  EXPECT_EQ(records[2].Field(0), "last");
  EXPECT_TRUE(ParseTranscript("").empty());
}

TEST(TranscriptFormatTest, AnswersAreTrimmedWithoutBlanksOrComments) {
  EXPECT_EQ(ParseAnswers("yes\r\n  no \n\n# skip this\n\t\ncancel\n  #also a comment\nok"),
            (std::vector<std::string>{"yes", "no", "cancel", "ok"}));
  EXPECT_TRUE(ParseAnswers("").empty());
}

TEST(TranscriptFormatTest, PageAnswers) {
  struct Case {
    const char* line;
    bool cancel;
    const char* value;  // null: none
  };
  const Case cases[] = {
      {"next", false, nullptr},
      {"OK", false, nullptr},
      {"Cancel", true, nullptr},
      {"cancel D:\\Apps", true, nullptr},          // a cancelled page takes nothing
      {"next D:\\My Apps", false, "D:\\My Apps"},  // the value runs to the end, blanks and all
      {"ok launch,log", false, "launch,log"},
      {"next  two blanks", false, " two blanks"},
      {"yes", false, nullptr},  // a question's answer: the page ends with Next as it opened
      {"nextD:\\Apps", false, nullptr},
      {"", false, nullptr},
  };
  for (const Case& c : cases) {
    const PageAnswer answer = ParsePageAnswer(c.line);
    EXPECT_EQ(answer.cancel, c.cancel) << c.line;
    EXPECT_EQ(answer.value.has_value(), c.value != nullptr) << c.line;
    if (answer.value && c.value != nullptr) {
      EXPECT_EQ(*answer.value, c.value) << c.line;
    }
  }
}

TEST(TranscriptFormatTest, LanguageAnswerPicksByNameOrLineNumber) {
  const std::string francais =
      "Fran\xC3\xA7"
      "ais";
  const std::vector<std::string> names = {"English", "Deutsch", francais, "1"};
  EXPECT_EQ(PickLanguageLine(names, "deutsch", 0), 1u);
  EXPECT_EQ(PickLanguageLine(names, francais, 0), 2u);
  EXPECT_EQ(PickLanguageLine(names, "2", 0), 2u);
  // "1" is line 1 by number and line 3 by name: the last match wins.
  EXPECT_EQ(PickLanguageLine(names, "1", 0), 3u);
  EXPECT_EQ(PickLanguageLine(names, "Klingon", 2), 2u);
  EXPECT_EQ(PickLanguageLine(names, "4", 2), 2u);  // past the last line
  EXPECT_EQ(PickLanguageLine({}, "0", 7), 7u);
}

TEST(TranscriptFormatTest, FinishChoiceNamesRoundTrip) {
  EXPECT_EQ(FinishChoiceNames(0), "");
  EXPECT_EQ(FinishChoiceNames(kFinishViewLog | kFinishOpenFile), "open,log");
  const uint32_t all = kFinishOpenFile | kFinishLaunchProgram | kFinishViewLog | kFinishOpenOther;
  EXPECT_EQ(FinishChoiceNames(all), "open,launch,log,other");
  EXPECT_EQ(ParseFinishChoiceNames(FinishChoiceNames(all)), all);
  EXPECT_EQ(ParseFinishChoiceNames("LOG,launch"), kFinishViewLog | kFinishLaunchProgram);
  // Unknown names and empty items are passed over.
  EXPECT_EQ(ParseFinishChoiceNames("readme,,other,"), uint32_t{kFinishOpenOther});
  EXPECT_EQ(ParseFinishChoiceNames(""), 0u);
  EXPECT_EQ(ParseFinishChoiceNames("launch log"), 0u);  // commas separate, not blanks
}

}  // namespace
}  // namespace qs
