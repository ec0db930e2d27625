#include "uninstall/icon_file.h"

namespace qs {
namespace {

constexpr size_t kDirectorySize = 6;  // reserved, type, count
constexpr size_t kFileEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr uint16_t kIconType = 1;  // 2 would be a cursor

uint16_t U16At(ByteSpan bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

uint32_t U32At(ByteSpan bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  PutU16(out, static_cast<uint16_t>(value));
  PutU16(out, static_cast<uint16_t>(value >> 16));
}

}  // namespace

bool ParseIconFile(ByteSpan file, std::vector<IconImage>& images) {
  images.clear();
  if (file.size() < kDirectorySize) return false;
  if (U16At(file, 0) != 0 || U16At(file, 2) != kIconType) return false;
  const size_t count = U16At(file, 4);
  if (count == 0 || file.size() < kDirectorySize + count * kFileEntrySize) return false;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = kDirectorySize + i * kFileEntrySize;
    const uint64_t size = U32At(file, entry + 8);
    const uint64_t offset = U32At(file, entry + 12);
    if (size == 0 || offset > file.size() || size > file.size() - offset) {
      images.clear();
      return false;
    }
    IconImage& image = images.emplace_back();
    image.width = file[entry];
    image.height = file[entry + 1];
    image.colorCount = file[entry + 2];
    image.reserved = file[entry + 3];
    image.planes = U16At(file, entry + 4);
    image.bitCount = U16At(file, entry + 6);
    image.data = file.subspan(static_cast<size_t>(offset), static_cast<size_t>(size));
  }
  return true;
}

std::vector<uint8_t> IconGroupResource(const std::vector<IconImage>& images,
                                       const std::vector<uint16_t>& ids) {
  std::vector<uint8_t> group;
  const size_t count = images.size() < ids.size() ? images.size() : ids.size();
  group.reserve(kDirectorySize + count * kGroupEntrySize);
  PutU16(group, 0);
  PutU16(group, kIconType);
  PutU16(group, static_cast<uint16_t>(count));
  for (size_t i = 0; i < count; ++i) {
    const IconImage& image = images[i];
    group.push_back(image.width);
    group.push_back(image.height);
    group.push_back(image.colorCount);
    group.push_back(image.reserved);
    PutU16(group, image.planes);
    PutU16(group, image.bitCount);
    PutU32(group, static_cast<uint32_t>(image.data.size()));
    PutU16(group, ids[i]);
  }
  return group;
}

bool IconGroupIds(ByteSpan group, std::vector<uint16_t>& ids) {
  ids.clear();
  if (group.size() < kDirectorySize) return false;
  const size_t count = U16At(group, 4);
  if (group.size() < kDirectorySize + count * kGroupEntrySize) return false;
  for (size_t i = 0; i < count; ++i) {
    ids.push_back(U16At(group, kDirectorySize + i * kGroupEntrySize + 12));
  }
  return true;
}

}  // namespace qs
