#pragma once
// Reading the `.setup` section: the header, the settings blob and the file-data area with its
// blocks and entries. Works on byte ranges only, so the stub (on its mapped image) and the
// tools (on a loaded file) share it. Every read is bounds-checked; a range that ends early is
// reported with the error number of the field that could not be read.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/byte_span.h"
#include "core/blowfish.h"

namespace qs {

struct PayloadHeader {
  std::string formatVersion;
  uint32_t productFlags2 = 0;
  uint32_t settingsPackedSize = 0;
  uint32_t settingsChecksum = 0;
  uint32_t installerChecksum = 0;
  int32_t payloadEnd = 0;
  int32_t entryCount = 0;
  int32_t fileDataSize = 0;
  uint32_t fileDataChecksum = 0;
  std::vector<int32_t> contentSizes;
  std::optional<std::array<uint8_t, 8>> blowfishKey;  // with `ProductFlags2` 0x1000
  size_t headerSize = 0;      // offset of the settings blob from the section start
  size_t fileDataOffset = 0;  // offset of the file-data area from the section start

  bool Enciphered() const { return blowfishKey.has_value(); }
};

// Reads and checks the header. Returns 0, kVersionMismatch (formatVersion then holds the
// stored version) or an error number (20, 22, 27, 28, 29, 45).
int ReadPayloadHeader(ByteSpan section, PayloadHeader& header);

// Descrambles (XOR with settingsChecksum) or deciphers the settings blob and inflates it.
// Returns 0 or 47. The checksum of the result is checked separately (25).
int UnpackSettings(ByteSpan section, const PayloadHeader& header, std::vector<uint8_t>& stream);

// XOR of whole little-endian words with `key`, then the 1-3 tail bytes with the key's lowest,
// second and third byte. Its own inverse.
void XorScramble(std::span<uint8_t> data, uint32_t key);

// The file-data area as established before the files are installed: the bytes at hand and
// the size that was found for it (which a damaged header can make negative or larger than
// the bytes at hand).
struct FileDataArea {
  ByteSpan bytes;
  int64_t foundSize = 0;
};

// The area as the mapped image holds it: from fileDataOffset to payloadEnd, never past the
// end of the section.
FileDataArea MappedFileDataArea(ByteSpan section, const PayloadHeader& header);

// The two checks of an established area, which the install sequence makes at different steps:
// 46 when the size found differs from fileDataSize (or the bytes at hand are fewer), 55 when
// its checksum differs from fileDataChecksum. CheckFileDataArea makes both.
int CheckFileDataAreaSize(const FileDataArea& area, const PayloadHeader& header);
int CheckFileDataAreaChecksum(const FileDataArea& area, const PayloadHeader& header);
int CheckFileDataArea(const FileDataArea& area, const PayloadHeader& header);

// The unpacked entry stream: blocks are appended whole, entries taken whole. An entry may
// begin in one block and end in a later one; a block may hold several entries.
class EntryQueue {
 public:
  // `frontEntryLimit` bounds the room set aside for the entry at the front once its length is
  // known (a damaged length must not reserve more than the entry can hold).
  void Append(ByteSpan unpackedBlock, uint64_t frontEntryLimit);
  // When the queue holds the next entry completely, sets `entry` to its bytes (valid until
  // the next Append) and consumes it; otherwise returns false and consumes nothing.
  bool TakeEntry(ByteSpan& entry);
  size_t BufferedBytes() const { return buffer_.size() - readOffset_; }
  size_t Capacity() const { return buffer_.capacity(); }

 private:
  std::vector<uint8_t> buffer_;
  size_t readOffset_ = 0;
};

// Reads the blocks of a file-data area in order, one at a time, and hands out the entries.
class FileDataReader {
 public:
  FileDataReader(ByteSpan area, const PayloadHeader& header, bool compressedBlocks);

  // The next entry's bytes (valid until the next call). Reads blocks only while the queue
  // does not hold the entry completely. Returns 0 or 60, 61, 62, 63.
  // `onBlockRead` (optional) is told before each block is read.
  int NextEntry(ByteSpan& entry, void (*onBlockRead)(void*) = nullptr, void* context = nullptr);

  int BlocksRead() const { return blocksRead_; }
  const EntryQueue& Queue() const { return queue_; }
  // Bytes of the area not yet read as blocks.
  size_t RemainingBytes() const { return area_.size() - position_; }

 private:
  int ReadBlock();

  ByteSpan area_;
  size_t position_ = 0;
  bool compressed_;
  std::unique_ptr<Blowfish> cipher_;
  EntryQueue queue_;
  std::vector<uint8_t> scratch_;
  int blocksRead_ = 0;
  const std::vector<int32_t>& contentSizes_;
  size_t entriesTaken_ = 0;
};

// Inflates one zlib stream (window bits 15). False when the data is not a complete stream or
// the result would exceed `limit` bytes.
bool InflateZlib(ByteSpan packed, std::vector<uint8_t>& out, size_t initialCapacity, size_t limit);
// The same into a buffer that is used again: its first `produced` bytes are the result, and it
// is never made smaller.
bool InflateZlibInto(ByteSpan packed, std::vector<uint8_t>& out, size_t& produced,
                     size_t initialCapacity, size_t limit);

}  // namespace qs
