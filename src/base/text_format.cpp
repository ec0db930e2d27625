#include "base/text_format.h"

#include <vector>

namespace qs {
namespace {

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zero = false;
  size_t width = 0;
  bool hasPrecision = false;
  size_t precision = 0;
  char16_t conversion = 0;
};

constexpr size_t kMaxWidth = 4096;  // a width beyond this is a damaged text, not a layout

bool ReadNumber(std::u16string_view format, size_t& i, size_t& value) {
  value = 0;
  while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
    value = value * 10 + static_cast<size_t>(format[i] - u'0');
    if (value > kMaxWidth) return false;
    ++i;
  }
  return true;
}

bool ParseSpec(std::u16string_view format, size_t& i, Spec& spec) {
  for (; i < format.size(); ++i) {
    char16_t c = format[i];
    if (c == u'-')
      spec.left = true;
    else if (c == u'+')
      spec.plus = true;
    else if (c == u' ')
      spec.space = true;
    else if (c == u'#')
      spec.alternate = true;
    else if (c == u'0')
      spec.zero = true;
    else
      break;
  }
  if (!ReadNumber(format, i, spec.width)) return false;
  if (i < format.size() && format[i] == u'.') {
    ++i;
    spec.hasPrecision = true;
    if (!ReadNumber(format, i, spec.precision)) return false;
  }
  if (i >= format.size()) return false;
  spec.conversion = format[i++];
  return true;
}

std::u16string Digits(uint64_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(digits[value % base]));
    value /= base;
  } while (value != 0);
  return text;
}

void Pad(std::u16string& out, std::u16string prefix, std::u16string body, const Spec& spec,
         bool zeroAllowed) {
  size_t length = prefix.size() + body.size();
  size_t padding = spec.width > length ? spec.width - length : 0;
  if (spec.left) {
    out += prefix + body + std::u16string(padding, u' ');
  } else if (spec.zero && zeroAllowed) {
    out += prefix + std::u16string(padding, u'0') + body;
  } else {
    out += std::u16string(padding, u' ') + prefix + body;
  }
}

}  // namespace

bool FormatText(std::u16string_view format, std::initializer_list<FormatArgument> arguments,
                std::u16string& out) {
  out.clear();
  const FormatArgument* next = arguments.begin();
  for (size_t i = 0; i < format.size();) {
    char16_t c = format[i++];
    if (c != u'%') {
      out.push_back(c);
      continue;
    }
    if (i < format.size() && format[i] == u'%') {
      out.push_back(u'%');
      ++i;
      continue;
    }
    Spec spec;
    if (!ParseSpec(format, i, spec)) return false;
    if (next == arguments.end()) return false;
    const FormatArgument& argument = *next++;
    switch (spec.conversion) {
      case u'd':
      case u'i':
      case u'u':
      case u'x':
      case u'X':
      case u'c': {
        const int64_t* number = std::get_if<int64_t>(&argument);
        if (number == nullptr) return false;
        if (spec.conversion == u'c') {
          Pad(out, u"", std::u16string(1, static_cast<char16_t>(*number)), spec, false);
          break;
        }
        // Stored numbers are 32-bit; %u and %x show them as the unsigned value printf would.
        int32_t value32 = static_cast<int32_t>(*number);
        bool isSigned = spec.conversion == u'd' || spec.conversion == u'i';
        uint64_t magnitude = isSigned ? (value32 < 0 ? 0 - static_cast<int64_t>(value32)
                                                     : static_cast<int64_t>(value32))
                                      : static_cast<uint32_t>(value32);
        unsigned base = isSigned || spec.conversion == u'u' ? 10 : 16;
        std::u16string body = Digits(magnitude, base, spec.conversion == u'X');
        if (spec.hasPrecision && body.size() < spec.precision) {
          body.insert(0, spec.precision - body.size(), u'0');
        }
        std::u16string prefix;
        if (isSigned && value32 < 0)
          prefix = u"-";
        else if (isSigned && spec.plus)
          prefix = u"+";
        else if (isSigned && spec.space)
          prefix = u" ";
        if (spec.alternate && base == 16 && magnitude != 0) {
          prefix += spec.conversion == u'X' ? u"0X" : u"0x";
        }
        Pad(out, prefix, body, spec, !spec.hasPrecision);
        break;
      }
      case u's': {
        const std::u16string_view* text = std::get_if<std::u16string_view>(&argument);
        if (text == nullptr) return false;
        std::u16string body(*text);
        if (spec.hasPrecision && body.size() > spec.precision) body.resize(spec.precision);
        Pad(out, u"", body, spec, false);
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

}  // namespace qs
