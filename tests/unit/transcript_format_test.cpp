#include "ui/transcript_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace qs
