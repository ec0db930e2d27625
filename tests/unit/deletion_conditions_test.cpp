// The conditions of conditional deletes: the date and size arguments and the verdict on a file.
#include "files/deletion_conditions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace qs {
namespace {

DateTime Date(int32_t year, int32_t month, int32_t day, int32_t hour = -1, int32_t minute = 0,
              int32_t second = 0) {
  return {year, month, day, hour, minute, second};
}

TEST(DeletionConditions, DateArguments) {
  struct Case {
    const char* text;
    std::optional<DateTime> date;
  };
  const Case cases[] = {
      {"2019-07-05", Date(2019, 7, 5)},
      {"2019/7/5", Date(2019, 7, 5)},
      {"  2019-07-05\t", Date(2019, 7, 5)},
      {"2019-07-05 09:03:07", Date(2019, 7, 5, 9, 3, 7)},
      {"2019/7/5 9:03:07", Date(2019, 7, 5, 9, 3, 7)},
      {"2019-07-05T23:59", Date(2019, 7, 5, 23, 59, 0)},
      {"2019-07-05   0:00", Date(2019, 7, 5, 0, 0, 0)},
      {"2020-02-29", Date(2020, 2, 29)},
      {"2000-02-29", Date(2000, 2, 29)},
      {"", std::nullopt},
      {"1024", std::nullopt},
      {"19-07-05", std::nullopt},
      {"2019-07/05", std::nullopt},
      {"2019.07.05", std::nullopt},
      {"2019-13-01", std::nullopt},
      {"2019-00-10", std::nullopt},
      {"2019-04-31", std::nullopt},
      {"2019-02-29", std::nullopt},
      {"1900-02-29", std::nullopt},
      {"0000-01-01", std::nullopt},
      {"2019-007-05", std::nullopt},
      {"2019-07-05 24:00", std::nullopt},
      {"2019-07-05 12:60", std::nullopt},
      {"2019-07-05 12:00:60", std::nullopt},
      {"2019-07-05 12", std::nullopt},
      {"2019-07-05 12:5", std::nullopt},
      {"2019-07-05 12:00:", std::nullopt},
      {"2019-07-05x", std::nullopt},
      {"2019-07-05 12:00 pm", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseConditionDate(c.text), c.date) << '"' << c.text << '"';
  }
}

TEST(DeletionConditions, SizeArguments) {
  struct Case {
    const char* text;
    std::optional<int32_t> size;
  };
  const Case cases[] = {
      {"0", 0},
      {"1024", 1024},
      {" +17 ", 17},
      {"-5", -5},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"+-1", std::nullopt},
      {"12k", std::nullopt},
      {"0x10", std::nullopt},
      {"1 2", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseConditionSize(c.text), c.size) << '"' << c.text << '"';
  }
}

TEST(DeletionConditions, Verdicts) {
  constexpr auto kDelete = DeletionVerdict::kDelete;
  constexpr auto kKeep = DeletionVerdict::kKeep;
  constexpr auto kBad = DeletionVerdict::kBadArgument;
  const DateTime written = Date(2019, 7, 5, 9, 3, 7);
  constexpr uint64_t kSize = 1000;
  constexpr uint64_t kHuge = 0x1'0000'0000ull + 1000;  // the same low 32 bits as kSize
  struct Case {
    uint8_t condition;
    const char* argument;
    uint64_t size;
    DeletionVerdict verdict;
  };
  const Case cases[] = {
      // No argument needed, whatever it says.
      {kDeleteAlways, "", kSize, kDelete},
      {kDeleteAlways, "nonsense", kSize, kDelete},
      {7, "nonsense", kSize, kDelete},
      {255, "", kSize, kDelete},
      // A date without a time compares the day alone.
      {kDeleteDateEqual, "2019-07-05", kSize, kDelete},
      {kDeleteDateEqual, "2019-07-04", kSize, kKeep},
      {kDeleteDateFrom, "2019-07-05", kSize, kDelete},
      {kDeleteDateFrom, "2019-07-06", kSize, kKeep},
      {kDeleteDateUntil, "2019-07-05", kSize, kDelete},
      {kDeleteDateUntil, "2019-07-04", kSize, kKeep},
      // With a time, to the second.
      {kDeleteDateEqual, "2019-07-05 09:03:07", kSize, kDelete},
      {kDeleteDateEqual, "2019-07-05 09:03:06", kSize, kKeep},
      {kDeleteDateFrom, "2019-07-05 09:03:07", kSize, kDelete},
      {kDeleteDateFrom, "2019-07-05 09:03:08", kSize, kKeep},
      {kDeleteDateUntil, "2019-07-05 09:03:07", kSize, kDelete},
      {kDeleteDateUntil, "2019-07-05 09:03:06", kSize, kKeep},
      {kDeleteDateFrom, "2018-12-31 23:59:59", kSize, kDelete},
      {kDeleteDateUntil, "2020-01-01", kSize, kDelete},
      // Sizes, compared as 64-bit numbers.
      {kDeleteSizeEqual, "1000", kSize, kDelete},
      {kDeleteSizeEqual, "999", kSize, kKeep},
      {kDeleteSizeEqual, "1000", kHuge, kKeep},
      {kDeleteSizeAtLeast, "1000", kSize, kDelete},
      {kDeleteSizeAtLeast, "1001", kSize, kKeep},
      {kDeleteSizeAtLeast, "0", 0, kDelete},
      {kDeleteSizeAtLeast, "0", kHuge, kDelete},
      {kDeleteSizeAtLeast, "-1", 0, kDelete},
      {kDeleteSizeAtMost, "1000", kSize, kDelete},
      {kDeleteSizeAtMost, "999", kSize, kKeep},
      {kDeleteSizeAtMost, "2147483647", kHuge, kKeep},
      {kDeleteSizeAtMost, "-1", 0, kKeep},
      // Arguments that do not parse.
      {kDeleteDateEqual, "", kSize, kBad},
      {kDeleteDateFrom, "yesterday", kSize, kBad},
      {kDeleteDateUntil, "1000", kSize, kBad},
      {kDeleteSizeEqual, "", kSize, kBad},
      {kDeleteSizeAtLeast, "2019-07-05", kSize, kBad},
      {kDeleteSizeAtMost, "4294967295", kSize, kBad},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TestDeletionCondition(c.condition, c.argument, c.size, written), c.verdict)
        << "condition " << int(c.condition) << " \"" << c.argument << "\" size " << c.size;
    EXPECT_EQ(IsValidConditionArgument(c.condition, c.argument), c.verdict != kBad)
        << "condition " << int(c.condition) << " \"" << c.argument << '"';
  }
}

}  // namespace
}  // namespace qs
