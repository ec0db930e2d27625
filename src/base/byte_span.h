#pragma once
// Views of stored bytes shared by the payload reader, the builder and the tools.
#include <cstddef>
#include <cstdint>
#include <span>

namespace qs {

using ByteSpan = std::span<const uint8_t>;

}  // namespace qs
