#pragma once
// The names a project file uses for the bits of the two product flag words. A project sets an
// option by its key ("true" turns the bit on); derived bits are set by the builder from other
// settings, or by the installer while it runs, and are refused as project options.
#include <cstdint>
#include <span>
#include <string_view>

namespace qs::builder {

enum class FlagWord { kProductFlags, kProductFlags2 };

struct FlagOption {
  std::string_view key;  // lower_snake_case
  FlagWord word;
  uint64_t mask;  // one bit of `word`
  bool derived;   // never set by name
  std::string_view meaning;
};

// Every named bit, in bit order: `ProductFlags` first, then `ProductFlags2`.
std::span<const FlagOption> FlagOptions();

// The option with this key (exact, case-sensitive), or null.
const FlagOption* FindFlagOption(std::string_view key);

}  // namespace qs::builder
