#pragma once
// The installer's numbered texts: what each number is for, how the installer uses it, and the
// builder's own English wording, which a product gets for every number it does not supply.
//
// The installer uses a text in one of two ways:
//  - as a printf-style format with fixed arguments (kTextCorruptReport is formatted with the
//    error number); a product's text for such a number must carry exactly those conversions,
//    in that order, or the installer would read arguments it was never given;
//  - as plain text, shown or joined as it is and never formatted, so any "%" in it is harmless.
// The placeholders "<product>", "<description>" and "<os>" are replaced before a text is used;
// they are not arguments.
#include <span>
#include <string>
#include <string_view>

#include "core/text_ids.h"

namespace qs::builder {

struct TextSpec {
  TextId number;
  bool isFormat;  // the installer formats the text with `arguments`
  // The conversions the installer passes, in order, by letter: "d" an int, "s" a string.
  // Empty for a plain text (and for a format text that takes no arguments).
  std::string_view arguments;
  std::string_view english;
  std::string_view use;
};

// Every number the installer uses, sorted by number and keyed by the installer's own names
// (core/text_ids.h). Numbers not listed are never shown.
std::span<const TextSpec> BuiltInTexts();

// The entry for `number`, or null when the installer does not use that number.
const TextSpec* FindTextSpec(int number);

// The number of texts a table needs to hold every built-in number: the highest one plus one.
int BuiltInTextTableSize();

// Whether `utf8Text`, given for `number`, can be formatted the way the installer formats that
// number. A format text must carry exactly the expected conversions in order: flags, width and
// precision are fine ("%5d", "%-10s"), "%%" is a literal percent sign, and an int may be shown
// with %i, %u, %o, %x or %X. Refused: a string conversion where an int is passed or the
// reverse, "%n", "*" widths, size prefixes ("%ld", "%ls"), argument positions ("%1$s"), any
// other conversion and a "%" that does not finish a conversion. Plain texts and numbers the
// installer does not use always pass. On failure `error` names the number, what was expected
// and what was found.
bool CheckTextArguments(int number, std::string_view utf8Text, std::string& error);

}  // namespace qs::builder
