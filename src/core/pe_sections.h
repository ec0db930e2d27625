#pragma once
// Finding the `.setup` section in the program's own file, and the payload-stripped copy of the
// program from which the uninstaller is written. Both read and edit only what the 32-bit (PE32)
// and the 64-bit (PE32+) program keep in the same place.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qs {

// Random access to a file's bytes: the stub reads its own open file, the tools a loaded file.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads exactly `size` bytes at `offset`; false when that many bytes are not there.
  virtual bool ReadAt(uint64_t offset, void* out, size_t size) = 0;
  virtual uint64_t Size() const = 0;
};

// Bytes already in memory (the tools, tests).
class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool ReadAt(uint64_t offset, void* out, size_t size) override;
  uint64_t Size() const override { return bytes_.size(); }

 private:
  std::span<const uint8_t> bytes_;
};

inline constexpr size_t kSectionEntrySize = 40;

struct SetupSectionLocation {
  uint32_t peHeaderOffset = 0;
  uint32_t sectionCount = 0;
  uint32_t sectionTableOffset = 0;  // file offset of the first section entry
  uint32_t sectionIndex = 0;        // index of the `.setup` entry
  uint32_t virtualAddress = 0;
  uint32_t virtualSize = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
};

enum class SectionLookup { kFound, kNotFound, kCorrupt };

// kCorrupt sets `error` to 43 (PE header offset), 44 (section count) or 9 (no raw data).
SectionLookup LocateSetupSection(ByteSource& file, SetupSectionLocation& out, int& error);

// The installer-image checksum: `PayloadChecksum` of the file's bytes before the section's raw
// data, from the first byte after the optional header's image checksum field. `image` holds
// those bytes.
uint32_t InstallerImageChecksum(std::span<const uint8_t> image, uint32_t peHeaderOffset);

// Turns `image` (the installer image: the file's first rawOffset bytes) into the program
// without its `.setup` section: the bytes after the section's raw data are appended, the
// section count, initialized-data size and image size lowered, and the section table closed
// up. Returns 0, or 42 when the trailing bytes cannot be read.
int MakePayloadStrippedCopy(std::vector<uint8_t>& image, const SetupSectionLocation& section,
                            ByteSource& file);

}  // namespace qs
