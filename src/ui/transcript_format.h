#pragma once
// The user-interface transcript that tests ask for: one record per line, UTF-8, fields
// separated by tabs, with backslash escapes for backslash, tab, CR and LF.
//
//   message <TAB> icon <TAB> buttons <TAB> caption <TAB> text <TAB> answer
//   progress <TAB> percent
//   status <TAB> text
//   item <TAB> text
//   page <TAB> kind <TAB> caption <TAB> title <TAB> text <TAB> detail <TAB> answer <TAB> result
//   progresspage <TAB> open <TAB> caption <TAB> title <TAB> heading
//   progresspage <TAB> close
//   background <TAB> open|again <TAB> caption <TAB> title <TAB> copyright <TAB> picture
//              <TAB> normal|minimised|maximised
//   restart
//   start <TAB> command line <TAB> folder
//   open <TAB> path <TAB> folder
//   batch <TAB> path <TAB> content
//   notify <TAB> url
//
// A background record stands for the background window, which a test run does not open (it
// would cover the screen of every test): its picture is "none" or the size it was decoded to,
// as "96x64".
//
// The last five stand for what the run would start outside itself (core/system_actions_win.h):
// a test run records them instead of doing them. A batch's content is the file's bytes as
// written.
//
// Answers files hold one answer a line ("ok", "cancel", "yes", "no", ...), taken in order by
// the questions and pages; a question with no answer left takes its default button, a page
// ends with Next. A page's answer may carry a value after one blank: "next D:\\Apps" types
// a folder, "next Deutsch" picks a language, "ok launch,log" checks summary boxes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

// Environment variables that switch the stub's user interface to recording: the transcript
// file to append to, and an optional answers file.
inline constexpr char kTranscriptVariable[] = "QUILLONET_TRANSCRIPT";
inline constexpr char kAnswersVariable[] = "QUILLONET_ANSWERS";

struct TranscriptRecord {
  std::string kind;
  std::vector<std::string> fields;

  const std::string& Field(size_t index) const;  // empty past the end
};

std::string EscapeTranscriptField(std::string_view field);
std::string UnescapeTranscriptField(std::string_view field);

// One line, ending in "\n".
std::string FormatTranscriptRecord(std::string_view kind, const std::vector<std::string>& fields);

std::vector<TranscriptRecord> ParseTranscript(std::string_view text);

// Answer lines, trimmed; blank lines and lines starting with "#" are skipped.
std::vector<std::string> ParseAnswers(std::string_view text);

// A page's answer line: "cancel", or "next" / "ok" with an optional value after the first
// blank. Words are matched without regard to ASCII case; a line that is no page answer ends
// the page with Next and no value.
struct PageAnswer {
  bool cancel = false;
  std::optional<std::string> value;
};
PageAnswer ParsePageAnswer(std::string_view line);

// The language line a page answer's value picks: a language's name (ASCII case ignored) or a
// line number from 0; when several match, the last. `current` when none does.
size_t PickLanguageLine(const std::vector<std::string>& names, std::string_view value,
                        size_t current);

// Names of the summary page's boxes ("open", "launch", "log", "other"), comma-separated, for
// FinishChoice bits; parsing ignores ASCII case and names it does not know.
std::string FinishChoiceNames(uint32_t choices);
uint32_t ParseFinishChoiceNames(std::string_view names);

}  // namespace qs
