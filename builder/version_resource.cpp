#include "builder/version_resource.h"

#include <algorithm>
#include <string_view>

#include "base/text.h"
#include "core/payload_cursor.h"

namespace qs::builder {
namespace {

using Bytes = std::span<const uint8_t>;

constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kVersionResourceName = 1;
constexpr uint32_t kSectionEntrySize = 40;
constexpr uint32_t kResourceDirectorySize = 16;
constexpr uint32_t kResourceEntrySize = 8;
constexpr uint32_t kResourceDataEntrySize = 16;
constexpr uint32_t kSubdirectoryFlag = 0x80000000;
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr uint32_t kFixedFileInfoSize = 52;
constexpr uint32_t kBlockHeaderSize = 6;  // length, value length, type
constexpr uint32_t kTextValue = 1;

bool Has(Bytes bytes, uint64_t at, uint64_t size) {
  return at <= bytes.size() && size <= bytes.size() - at;
}

bool Read16(Bytes bytes, uint64_t at, uint32_t& value) {
  if (!Has(bytes, at, 2)) return false;
  value = static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8;
  return true;
}

bool Read32(Bytes bytes, uint64_t at, uint32_t& value) {
  if (!Has(bytes, at, 4)) return false;
  value = LoadU32(bytes.data() + at);
  return true;
}

uint64_t Align4(uint64_t offset) {
  return (offset + 3) & ~uint64_t{3};
}

// The image's section table and the address of its resource directory.
struct PeImage {
  Bytes file;
  uint64_t sectionTable = 0;
  uint32_t sectionCount = 0;
  uint32_t resourceRva = 0;
};

bool ReadPeImage(Bytes file, PeImage& image) {
  uint32_t mz = 0;
  uint32_t pe = 0;
  uint32_t signature = 0;
  if (!Read16(file, 0, mz) || mz != 0x5A4D || !Read32(file, 0x3C, pe) ||
      !Read32(file, pe, signature) || signature != 0x00004550) {
    return false;
  }
  uint32_t sectionCount = 0;
  uint32_t optionalSize = 0;
  uint32_t magic = 0;
  const uint64_t optional = uint64_t{pe} + 24;
  if (!Read16(file, uint64_t{pe} + 6, sectionCount) ||
      !Read16(file, uint64_t{pe} + 20, optionalSize) || !Read16(file, optional, magic)) {
    return false;
  }
  // The data directories follow the fixed fields, which are longer in PE32+.
  uint64_t directoryCountAt = 0;
  if (magic == 0x10B) {
    directoryCountAt = 92;
  } else if (magic == 0x20B) {
    directoryCountAt = 108;
  } else {
    return false;
  }
  // The resource directory is data directory 2; it counts only when the header says it has
  // that many and its slot lies inside the optional header.
  constexpr uint32_t kResourceDirectoryIndex = 2;
  const uint64_t resourceSlot = directoryCountAt + 4 + kResourceDirectoryIndex * 8;
  uint32_t directoryCount = 0;
  if (!Read32(file, optional + directoryCountAt, directoryCount) ||
      directoryCount <= kResourceDirectoryIndex || resourceSlot + 8 > optionalSize ||
      !Read32(file, optional + resourceSlot, image.resourceRva)) {
    return false;
  }
  image.file = file;
  image.sectionTable = optional + optionalSize;
  image.sectionCount = sectionCount;
  return image.resourceRva != 0;
}

// The file's bytes from `rva` to the end of the raw data of the section that holds it, cut
// off where the file ends. Empty when no section holds `rva` in its raw data.
Bytes BytesAtRva(const PeImage& image, uint32_t rva) {
  for (uint32_t i = 0; i < image.sectionCount; ++i) {
    const uint64_t entry = image.sectionTable + uint64_t{i} * kSectionEntrySize;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
    // A section table cut off by the end of the file has no more sections to offer.
    if (!Read32(image.file, entry + 12, virtualAddress) ||
        !Read32(image.file, entry + 16, rawSize) || !Read32(image.file, entry + 20, rawOffset)) {
      break;
    }
    if (rva < virtualAddress || rva - virtualAddress >= rawSize) continue;
    const uint64_t start = uint64_t{rawOffset} + (rva - virtualAddress);
    const uint64_t end = std::min<uint64_t>(uint64_t{rawOffset} + rawSize, image.file.size());
    if (start >= end) return {};
    return image.file.subspan(start, end - start);
  }
  return {};
}

// Looks up one entry of the resource directory at `directory` (an offset into `tree`, the
// bytes from the resource root on): the entry with numeric name `id`, or the first entry when
// `id` is empty. Gives the entry's target offset, which must be a subdirectory exactly when
// `wantDirectory` is set.
std::optional<uint32_t> FindResourceEntry(Bytes tree, uint32_t directory,
                                          std::optional<uint32_t> id, bool wantDirectory) {
  uint32_t namedCount = 0;
  uint32_t idCount = 0;
  if (!Read16(tree, uint64_t{directory} + 12, namedCount) ||
      !Read16(tree, uint64_t{directory} + 14, idCount)) {
    return std::nullopt;
  }
  // Named entries come first; numeric names are looked up among the others.
  const uint32_t first = id ? namedCount : 0;
  const uint32_t count = namedCount + idCount;
  for (uint32_t i = first; i < count; ++i) {
    const uint64_t entry =
        uint64_t{directory} + kResourceDirectorySize + uint64_t{i} * kResourceEntrySize;
    uint32_t name = 0;
    uint32_t target = 0;
    if (!Read32(tree, entry, name) || !Read32(tree, entry + 4, target)) return std::nullopt;
    if (id && name != *id) continue;
    if (((target & kSubdirectoryFlag) != 0) != wantDirectory) return std::nullopt;
    return target & ~kSubdirectoryFlag;
  }
  return std::nullopt;
}

// The bytes of the version resource: type 16, name 1, the first language. The walk goes down
// exactly three levels, so directory offsets that point back up cannot make it loop.
std::optional<Bytes> FindVersionResource(Bytes file) {
  PeImage image;
  if (!ReadPeImage(file, image)) return std::nullopt;
  const Bytes tree = BytesAtRva(image, image.resourceRva);
  const auto names = FindResourceEntry(tree, 0, kResourceTypeVersion, true);
  if (!names) return std::nullopt;
  const auto languages = FindResourceEntry(tree, *names, kVersionResourceName, true);
  if (!languages) return std::nullopt;
  const auto dataEntry = FindResourceEntry(tree, *languages, std::nullopt, false);
  if (!dataEntry || !Has(tree, *dataEntry, kResourceDataEntrySize)) return std::nullopt;
  const uint32_t dataRva = LoadU32(tree.data() + *dataEntry);
  const uint32_t dataSize = LoadU32(tree.data() + *dataEntry + 4);
  const Bytes data = BytesAtRva(image, dataRva);
  if (dataSize == 0 || dataSize > data.size()) return std::nullopt;
  return data.first(dataSize);
}

// One block of the version resource: a length, a key, a value and child blocks, each part
// starting on a 32-bit boundary counted from the start of the resource.
struct Block {
  uint32_t valueLength = 0;
  uint32_t type = 0;
  std::u16string key;
  uint64_t value = 0;     // offset of the value
  uint64_t children = 0;  // offset of the first child
  uint64_t end = 0;       // offset just past the block
};

// Reads the block at `at`, which must end by `limit`.
bool ReadBlock(Bytes data, uint64_t at, uint64_t limit, Block& block) {
  uint32_t length = 0;
  if (at + kBlockHeaderSize > limit || !Read16(data, at, length) ||
      !Read16(data, at + 2, block.valueLength) || !Read16(data, at + 4, block.type) ||
      length < kBlockHeaderSize || at + length > limit) {
    return false;
  }
  block.end = at + length;
  block.key.clear();
  uint64_t position = at + kBlockHeaderSize;
  for (;; position += 2) {
    uint32_t unit = 0;
    if (position + 2 > block.end || !Read16(data, position, unit)) return false;
    if (unit == 0) break;
    block.key.push_back(static_cast<char16_t>(unit));
  }
  block.value = std::min(Align4(position + 2), block.end);
  const uint64_t valueBytes =
      block.type == kTextValue ? uint64_t{block.valueLength} * 2 : block.valueLength;
  block.children = std::min(Align4(block.value + valueBytes), block.end);
  return true;
}

bool KeyIs(const std::u16string& key, std::string_view name) {
  if (key.size() != name.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    if (key[i] > 0x7F || AsciiLower(static_cast<char>(key[i])) != AsciiLower(name[i])) {
      return false;
    }
  }
  return true;
}

// The first child of `parent` whose key is `name` (any child when `name` is empty). Each
// child is at least a header long, so the walk always moves on.
std::optional<Block> FindChild(Bytes data, const Block& parent, std::string_view name) {
  Block child;
  for (uint64_t at = parent.children; at < parent.end; at = Align4(child.end)) {
    if (!ReadBlock(data, at, parent.end, child)) return std::nullopt;
    if (name.empty() || KeyIs(child.key, name)) return child;
  }
  return std::nullopt;
}

std::optional<Block> ReadRootBlock(Bytes data) {
  Block root;
  if (!ReadBlock(data, 0, data.size(), root) || !KeyIs(root.key, "VS_VERSION_INFO")) {
    return std::nullopt;
  }
  return root;
}

}  // namespace

std::optional<std::string> ReadFileVersion(std::span<const uint8_t> file) {
  const auto data = FindVersionResource(file);
  if (!data) return std::nullopt;
  const auto root = ReadRootBlock(*data);
  if (!root || root->valueLength < kFixedFileInfoSize ||
      root->value + kFixedFileInfoSize > root->end) {
    return std::nullopt;
  }
  const uint8_t* fixed = data->data() + root->value;
  if (LoadU32(fixed) != kFixedFileInfoSignature) return std::nullopt;
  const uint32_t high = LoadU32(fixed + 8);
  const uint32_t low = LoadU32(fixed + 12);
  return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
         std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
}

std::optional<std::string> ReadFileVersionString(std::span<const uint8_t> file) {
  const auto data = FindVersionResource(file);
  if (!data) return std::nullopt;
  const auto root = ReadRootBlock(*data);
  if (!root) return std::nullopt;
  const auto stringFileInfo = FindChild(*data, *root, "StringFileInfo");
  if (!stringFileInfo) return std::nullopt;
  const auto table = FindChild(*data, *stringFileInfo, "");
  if (!table) return std::nullopt;
  const auto entry = FindChild(*data, *table, "FileVersion");
  if (!entry) return std::nullopt;
  // The text runs to its NUL; its stated length is not trusted beyond the block's end, and
  // some writers give it in bytes rather than characters.
  std::u16string text;
  const uint64_t stated = entry->value + uint64_t{entry->valueLength} * 2;
  for (uint64_t at = entry->value; at + 2 <= std::min(stated, entry->end); at += 2) {
    uint32_t unit = 0;
    if (!Read16(*data, at, unit) || unit == 0) break;
    text.push_back(static_cast<char16_t>(unit));
  }
  return Utf16ToUtf8(text);
}

}  // namespace qs::builder
