#pragma once
// A bounds-checked reader over stored bytes: every read either succeeds whole or fails and
// leaves the cursor where it was.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/byte_span.h"

namespace qs {

class PayloadCursor {
 public:
  explicit PayloadCursor(ByteSpan bytes, size_t position = 0)
      : bytes_(bytes), position_(position) {}

  bool ReadU32(uint32_t& value) {
    if (Remaining() < 4) return false;
    const uint8_t* p = bytes_.data() + position_;
    value = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
            static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    position_ += 4;
    return true;
  }

  bool ReadI32(int32_t& value) {
    uint32_t raw;
    if (!ReadU32(raw)) return false;
    value = static_cast<int32_t>(raw);
    return true;
  }

  // A NUL-terminated byte string; fails when no NUL lies within the range.
  bool ReadString(std::string& value) {
    if (Remaining() == 0) return false;
    const uint8_t* start = bytes_.data() + position_;
    const void* nul = std::memchr(start, 0, Remaining());
    if (nul == nullptr) return false;
    size_t length = static_cast<const uint8_t*>(nul) - start;
    value.assign(reinterpret_cast<const char*>(start), length);
    position_ += length + 1;
    return true;
  }

  bool ReadBlob(size_t size, ByteSpan& value) {
    if (Remaining() < size) return false;
    value = bytes_.subspan(position_, size);
    position_ += size;
    return true;
  }

  size_t Position() const { return position_; }
  size_t Remaining() const { return bytes_.size() - position_; }

 private:
  ByteSpan bytes_;
  size_t position_;
};

inline uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void StoreU32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}

}  // namespace qs
