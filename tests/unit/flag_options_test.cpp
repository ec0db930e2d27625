// The names a project file gives the product flag bits.
#include "builder/flag_options.h"

#include <gtest/gtest.h>

#include <bit>
#include <set>
#include <string>
#include <utility>

#include "core/product_flags.h"

namespace qs::builder {
namespace {

bool IsSnakeCase(std::string_view key) {
  if (key.empty() || key.front() == '_' || key.back() == '_') return false;
  for (char c : key) {
    if (!(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9') && c != '_') return false;
  }
  return key.find("__") == std::string_view::npos;
}

TEST(FlagOptions, KeysAndBitsAreUniqueAndFitTheirWord) {
  std::set<std::string_view> keys;
  std::set<std::pair<FlagWord, uint64_t>> bits;
  for (const FlagOption& option : FlagOptions()) {
    SCOPED_TRACE(std::string(option.key));
    EXPECT_TRUE(IsSnakeCase(option.key));
    EXPECT_TRUE(keys.insert(option.key).second) << "key used twice";
    EXPECT_TRUE(bits.insert({option.word, option.mask}).second) << "bit named twice";
    EXPECT_EQ(std::popcount(option.mask), 1);
    if (option.word == FlagWord::kProductFlags2) {
      EXPECT_LE(option.mask, 0xFFFFFFFFull);
    }
    EXPECT_FALSE(option.meaning.empty());
  }
}

TEST(FlagOptions, FindByExactKey) {
  const FlagOption* option = FindFlagOption("uninstallable");
  ASSERT_NE(option, nullptr);
  EXPECT_EQ(option->word, FlagWord::kProductFlags);
  EXPECT_EQ(option->mask, kFlagUninstallable);
  EXPECT_FALSE(option->derived);

  for (std::string_view unknown : {"", "Uninstallable", "uninstallable ", "no_such_option"}) {
    EXPECT_EQ(FindFlagOption(unknown), nullptr) << '"' << unknown << '"';
  }
}

// Bits the builder fills in from other settings, or the installer while it runs: a project
// setting them by name would contradict the data actually written.
TEST(FlagOptions, DerivedBitsAreExactlyTheComputedOnes) {
  const std::set<std::pair<FlagWord, uint64_t>> expected = {
      {FlagWord::kProductFlags, kFlagCompressedBlocks},
      {FlagWord::kProductFlags, kFlagRestartRequired},
      {FlagWord::kProductFlags, kFlagBackgroundBitmap},
      {FlagWord::kProductFlags, kFlagMasterProduct},
      {FlagWord::kProductFlags, kFlagUninstallRestartRequired},
      {FlagWord::kProductFlags2, kFlags2Enciphered},
  };
  std::set<std::pair<FlagWord, uint64_t>> derived;
  for (const FlagOption& option : FlagOptions()) {
    if (option.derived) derived.insert({option.word, option.mask});
  }
  EXPECT_EQ(derived, expected);
}

}  // namespace
}  // namespace qs::builder
