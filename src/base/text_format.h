#pragma once
// Formatting of the product's texts. They come with the installer, so they are never handed
// to printf: each conversion must match the argument the program passes, otherwise the
// format is refused and the caller falls back to its own wording.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace qs {

using FormatArgument = std::variant<int64_t, std::u16string_view>;

// Conversions: %d %i %u %x %X (numbers), %s (texts), %c (a number as one character), "%%"
// a literal percent. Flags "-+ #0", a width and a precision are honoured. False, leaving
// `out` unspecified, when a conversion is unknown, takes "*", does not match its argument's
// kind, or when the arguments are too few. Arguments left over are ignored, as printf does.
bool FormatText(std::u16string_view format, std::initializer_list<FormatArgument> arguments,
                std::u16string& out);

}  // namespace qs
