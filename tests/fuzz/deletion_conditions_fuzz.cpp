// A conditional delete's test: the first byte is the condition, the rest its argument, put to
// a file whose size and date come from the argument's own parse where it has one.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/deletion_conditions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t condition = data[0];
  const std::string_view argument(reinterpret_cast<const char*>(data + 1), size - 1);

  qs::DateTime lastWrite{2024, 2, 29, 23, 59, 59};
  if (std::optional<qs::DateTime> date = qs::ParseConditionDate(argument)) {
    lastWrite = *date;
    if (lastWrite.hour < 0) lastWrite.hour = 12;
  }
  uint64_t fileSize = 4096;
  if (std::optional<int32_t> parsed = qs::ParseConditionSize(argument)) {
    fileSize = static_cast<uint64_t>(static_cast<int64_t>(*parsed));
  }
  qs::IsValidConditionArgument(condition, argument);
  qs::TestDeletionCondition(condition, argument, fileSize, lastWrite);
  return 0;
}
