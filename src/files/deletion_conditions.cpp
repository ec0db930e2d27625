#include "files/deletion_conditions.h"

#include <charconv>

#include "base/text_scan.h"

namespace qs {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Reads a number of `fewest` to `most` digits from the front of `text`.
bool TakeNumber(std::string_view& text, size_t fewest, size_t most, int32_t& value) {
  size_t count = 0;
  value = 0;
  while (count < text.size() && count < most && IsDigit(text[count])) {
    value = value * 10 + (text[count] - '0');
    ++count;
  }
  if (count < fewest || (count < text.size() && IsDigit(text[count]))) return false;
  text.remove_prefix(count);
  return true;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

bool TakeDate(std::string_view& text, DateTime& date) {
  if (!TakeNumber(text, 4, 4, date.year) || date.year == 0) return false;
  if (text.empty() || (text.front() != '-' && text.front() != '/')) return false;
  const char separator = text.front();
  text.remove_prefix(1);
  if (!TakeNumber(text, 1, 2, date.month) || date.month < 1 || date.month > 12) return false;
  if (!TakeChar(text, separator)) return false;
  return TakeNumber(text, 1, 2, date.day) && IsCalendarDate(date.year, date.month, date.day);
}

bool TakeTime(std::string_view& text, DateTime& date) {
  if (!TakeNumber(text, 1, 2, date.hour) || date.hour > 23) return false;
  if (!TakeChar(text, ':') || !TakeNumber(text, 2, 2, date.minute) || date.minute > 59) {
    return false;
  }
  date.second = 0;
  if (TakeChar(text, ':')) {
    return TakeNumber(text, 2, 2, date.second) && date.second <= 59;
  }
  return true;
}

int Compare(int64_t a, int64_t b) {
  return (a > b) - (a < b);
}

}  // namespace

bool IsDateCondition(uint8_t condition) {
  return condition >= kDeleteDateEqual && condition <= kDeleteDateUntil;
}

bool IsSizeCondition(uint8_t condition) {
  return condition >= kDeleteSizeEqual && condition <= kDeleteSizeAtMost;
}

std::optional<DateTime> ParseConditionDate(std::string_view text) {
  text = TrimBlanks(text);
  DateTime date;
  if (!TakeDate(text, date)) return std::nullopt;
  if (text.empty()) return date;

  if (text.front() == 'T' || text.front() == 't') {
    text.remove_prefix(1);
  } else if (IsBlank(text.front())) {
    text = TrimBlanks(text);
  } else {
    return std::nullopt;
  }
  if (!TakeTime(text, date) || !text.empty()) return std::nullopt;
  return date;
}

std::optional<int32_t> ParseConditionSize(std::string_view text) {
  text = TrimBlanks(text);
  // from_chars takes a minus sign but no plus sign.
  if (text.size() > 1 && text.front() == '+' && IsDigit(text[1])) text.remove_prefix(1);
  int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, problem] = std::from_chars(text.data(), end, value);
  if (text.empty() || problem != std::errc() || stop != end) return std::nullopt;
  return value;
}

DeletionVerdict TestDeletionCondition(uint8_t condition, std::string_view argument, uint64_t size,
                                      const DateTime& lastWrite) {
  int order = 0;
  if (IsDateCondition(condition)) {
    std::optional<DateTime> date = ParseConditionDate(argument);
    if (!date) return DeletionVerdict::kBadArgument;
    DateTime fileDate = lastWrite;
    if (!date->HasTime()) fileDate.hour = -1;  // the days alone
    order = CompareDateTime(fileDate, *date);
  } else if (IsSizeCondition(condition)) {
    std::optional<int32_t> bytes = ParseConditionSize(argument);
    if (!bytes) return DeletionVerdict::kBadArgument;
    // Sizes beyond the signed 64-bit range do not exist on any file system.
    order = Compare(static_cast<int64_t>(size), *bytes);
  } else {
    return DeletionVerdict::kDelete;
  }

  bool matches = false;
  switch (condition) {
    case kDeleteDateEqual:
    case kDeleteSizeEqual:
      matches = order == 0;
      break;
    case kDeleteDateFrom:
    case kDeleteSizeAtLeast:
      matches = order >= 0;
      break;
    default:  // until, at most
      matches = order <= 0;
      break;
  }
  return matches ? DeletionVerdict::kDelete : DeletionVerdict::kKeep;
}

bool IsValidConditionArgument(uint8_t condition, std::string_view argument) {
  if (IsDateCondition(condition)) return ParseConditionDate(argument).has_value();
  if (IsSizeCondition(condition)) return ParseConditionSize(argument).has_value();
  return true;
}

}  // namespace qs
