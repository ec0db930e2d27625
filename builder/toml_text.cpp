#include "builder/toml_text.h"

namespace qs::builder {
namespace {

// kNumber: a value that begins with a digit or a sign. The parser reads it, quotes and all, up
// to a blank, a comma, a closing bracket or brace or a comment, asking of every character
// whether it is a blank.
enum class Context {
  kBare,
  kNumber,
  kComment,
  kBasic,
  kLiteral,
  kMultiLineBasic,
  kMultiLineLiteral
};

bool IsAsciiByte(char c) {
  return static_cast<unsigned char>(c) < 0x80;
}

bool IsBareKeyCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

bool EndsNumber(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == ',' || c == ']' || c == '}' || c == '#';
}

}  // namespace

std::string FindUnsafeTomlCharacter(std::string_view text, int& line) {
  line = 1;
  // The parser skips a byte-order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Context context = Context::kBare;
  // The length of a run of `c` from `i`, at most `most`.
  auto run = [&text](size_t i, char c, size_t most) {
    size_t n = 0;
    while (i + n < text.size() && text[i + n] == c && n < most) ++n;
    return n;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      // A newline ends a comment and a number; in a one-line string it is an error the parser
      // reports.
      if (context == Context::kComment || context == Context::kNumber ||
          context == Context::kBasic || context == Context::kLiteral) {
        context = Context::kBare;
      }
      continue;
    }
    switch (context) {
      case Context::kBare:
        if (!IsAsciiByte(c)) return "a character beyond ASCII outside a string or comment";
        if (c == '#') {
          context = Context::kComment;
        } else if (((c >= '0' && c <= '9') || c == '+' || c == '-') &&
                   (i == 0 || (!IsBareKeyCharacter(text[i - 1]) && text[i - 1] != '.'))) {
          // Also a bare key that begins with a digit: its quoted parts after a dot are then taken
          // for part of it, which refuses a valid key but never lets a number through.
          context = Context::kNumber;
        } else if (c == '"' || c == '\'') {
          const bool multiLine = run(i, c, 3) == 3;
          if (multiLine) i += 2;
          context = c == '"' ? (multiLine ? Context::kMultiLineBasic : Context::kBasic)
                             : (multiLine ? Context::kMultiLineLiteral : Context::kLiteral);
        }
        break;
      case Context::kNumber:
        if (!IsAsciiByte(c)) return "a character beyond ASCII outside a string or comment";
        if (c == '#') {
          context = Context::kComment;
        } else if (EndsNumber(c)) {
          context = Context::kBare;
        }
        break;
      case Context::kComment:
        break;
      case Context::kBasic:
        if (c == '\\') {
          if (i + 1 < text.size() && text[i + 1] != '\n') ++i;
        } else if (c == '"') {
          context = Context::kBare;
        }
        break;
      case Context::kLiteral:
        if (c == '\'') context = Context::kBare;
        break;
      case Context::kMultiLineBasic:
        if (c == '\\') {
          size_t next = i + 1;
          if (next < text.size() && !IsAsciiByte(text[next])) {
            return "a character beyond ASCII after a backslash; write it as an escape (\\uXXXX)";
          }
          if (next < text.size() && (text[next] == ' ' || text[next] == '\t' ||
                                     text[next] == '\r' || text[next] == '\n')) {
            // A line-ending backslash: the blanks and line breaks after it are dropped, and the
            // parser asks of the first character after them whether it is one.
            while (next < text.size() && (text[next] == ' ' || text[next] == '\t' ||
                                          text[next] == '\r' || text[next] == '\n')) {
              if (text[next] == '\n') ++line;
              ++next;
            }
            if (next < text.size() && !IsAsciiByte(text[next])) {
              return "a character beyond ASCII first after a line-ending backslash; write it as "
                     "an escape (\\uXXXX)";
            }
            i = next - 1;
          } else if (next < text.size()) {
            i = next;  // an escaped character, a quote among them
          }
        } else if (c == '"' && run(i, '"', 3) == 3) {
          // Up to two more quotes belong to the string.
          i += run(i, '"', 5) - 1;
          context = Context::kBare;
        }
        break;
      case Context::kMultiLineLiteral:
        if (c == '\'' && run(i, '\'', 3) == 3) {
          i += run(i, '\'', 5) - 1;
          context = Context::kBare;
        }
        break;
    }
  }
  return {};
}

}  // namespace qs::builder
