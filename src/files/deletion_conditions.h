#pragma once
// The test a conditional delete puts to each file it names: the file's last-write date or its
// size compared with the entry's argument.
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/date_time.h"

namespace qs {

// The condition byte of a conditional delete; 0 and every value above 6 delete always.
enum DeletionCondition : uint8_t {
  kDeleteAlways = 0,
  kDeleteDateEqual = 1,
  kDeleteDateFrom = 2,   // on or after the date
  kDeleteDateUntil = 3,  // on or before the date
  kDeleteSizeEqual = 4,
  kDeleteSizeAtLeast = 5,
  kDeleteSizeAtMost = 6,
};

bool IsDateCondition(uint8_t condition);
bool IsSizeCondition(uint8_t condition);

// A date argument: year, month and day separated by "-" or "/" ("2019-07-05", "2019/7/5"),
// optionally followed, after blanks or a "T", by a time of day as hours and minutes with
// optional seconds ("9:03", "09:03:07"). Blanks around the whole are allowed. Without a time the
// value's hour is -1. Nothing when the text is no such date or names a day or time that does not
// exist.
std::optional<DateTime> ParseConditionDate(std::string_view text);

// A size argument: a signed 32-bit decimal number with an optional sign; blanks around it are
// allowed. Nothing when the text is no such number or the number does not fit.
std::optional<int32_t> ParseConditionSize(std::string_view text);

enum class DeletionVerdict {
  kKeep,
  kDelete,
  kBadArgument,  // the condition needs a date or a size and the argument is none
};

// Whether a file of `size` bytes, last written at `lastWrite` (UTC, with a time of day), is to be
// deleted under `condition` with `argument`. A date without a time compares the days alone.
DeletionVerdict TestDeletionCondition(uint8_t condition, std::string_view argument, uint64_t size,
                                      const DateTime& lastWrite);

// Whether `argument` is what `condition` needs: a date, a size, or anything when the condition
// takes no argument. The builder refuses what the installer would take for a damaged installer.
bool IsValidConditionArgument(uint8_t condition, std::string_view argument);

}  // namespace qs
