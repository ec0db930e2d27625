#include "core/payload_container.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "base/version_compare.h"
#include "core/payload_checksum.h"
#include "core/payload_cursor.h"
#include "core/payload_format.h"

namespace qs {
namespace {

constexpr size_t kInflateStep = 16384;
// The settings stream and one unpacked block are each held whole in memory; a stream that
// claims more than this is treated as damaged rather than exhausting a 32-bit process.
constexpr size_t kBlockLimit = 0x10000000;
// Room for an entry's fields besides its content (names, texts, the checksum): a bound for
// reserving room, not a limit of the format.
constexpr uint64_t kEntryFieldsLimit = 0x100000;
// Deflate makes at most 1032 bytes of each byte it is given (a run of 258 bytes per 2 bits).
constexpr uint64_t kMaxInflateRatio = 1032;
// The queue keeps up to this much unused room before giving it back.
constexpr size_t kShrinkSlack = 0x400000;

}  // namespace

// A header that ends early is reported with the error number of the first field it cannot
// supply: the magic and version (20), the settings size (22), the sizes and offsets that
// follow (45, 27, 29, 28) and the key and blob (22).
int ReadPayloadHeader(ByteSpan section, PayloadHeader& header) {
  header = PayloadHeader{};
  PayloadCursor cursor(section);
  uint32_t magic = 0;
  if (!cursor.ReadU32(magic) || magic != kPayloadMagic) return kErrorMagic;
  if (!cursor.ReadString(header.formatVersion)) return kErrorMagic;
  if (CompareVersions(header.formatVersion, kPayloadFormatVersion) != 0) return kVersionMismatch;

  if (!cursor.ReadU32(header.productFlags2)) return kErrorSettingsSize;
  if (!cursor.ReadU32(header.settingsPackedSize) || header.settingsPackedSize == 0 ||
      header.settingsPackedSize >= kSettingsPackedSizeLimit) {
    return kErrorSettingsSize;
  }
  if (!cursor.ReadU32(header.settingsChecksum) || !cursor.ReadU32(header.installerChecksum) ||
      !cursor.ReadI32(header.payloadEnd) || header.payloadEnd < 0) {
    return kErrorPayloadEnd;
  }
  if (!cursor.ReadI32(header.entryCount) || header.entryCount < 0) return kErrorEntryCount;
  if (!cursor.ReadI32(header.fileDataSize) || header.fileDataSize < 0 ||
      !cursor.ReadU32(header.fileDataChecksum)) {
    return kErrorFileDataSize;
  }

  // Never trust the count for the allocation: the table must also fit in the section.
  const size_t count = static_cast<size_t>(header.entryCount);
  if (count > cursor.Remaining() / 4) return kErrorContentSizeTable;
  header.contentSizes.resize(count);
  for (int32_t& size : header.contentSizes) {
    cursor.ReadI32(size);
    if (size < 0 || size > kMaxContentSize) return kErrorContentSizeTable;
  }

  if (header.productFlags2 & kFlags2Enciphered) {
    ByteSpan key;
    if (!cursor.ReadBlob(8, key)) return kErrorSettingsSize;
    std::array<uint8_t, 8> keyBytes{};
    std::copy(key.begin(), key.end(), keyBytes.begin());
    header.blowfishKey = keyBytes;
  }
  header.headerSize = cursor.Position();
  if (cursor.Remaining() < header.settingsPackedSize) return kErrorSettingsSize;
  header.fileDataOffset = header.headerSize + header.settingsPackedSize;
  return 0;
}

void XorScramble(std::span<uint8_t> data, uint32_t key) {
  const size_t words = data.size() / 4;
  for (size_t i = 0; i < words; ++i) {
    uint8_t* p = data.data() + i * 4;
    StoreU32(p, LoadU32(p) ^ key);
  }
  for (size_t i = words * 4, shift = 0; i < data.size(); ++i, shift += 8) {
    data[i] ^= static_cast<uint8_t>(key >> shift);
  }
}

bool InflateZlibInto(ByteSpan packed, std::vector<uint8_t>& out, size_t& produced,
                     size_t initialCapacity, size_t limit) {
  produced = 0;
  z_stream stream{};
  if (inflateInit2(&stream, 15) != Z_OK) return false;
  // Room is only ever added: a buffer that is used again keeps its bytes, so a block is not
  // preceded by clearing megabytes that inflate overwrites anyway.
  const size_t initial = std::min(std::max<size_t>(initialCapacity, kInflateStep), limit);
  if (out.size() < initial) out.resize(initial);
  size_t consumed = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    if (stream.avail_in == 0) {
      const size_t piece = std::min(kInflateStep, packed.size() - consumed);
      stream.next_in = const_cast<Bytef*>(packed.data() + consumed);
      stream.avail_in = static_cast<uInt>(piece);
      consumed += piece;
    }
    if (produced == std::min(out.size(), limit)) {
      if (produced >= limit) break;
      out.resize(std::min(limit, out.size() + std::max(kInflateStep, out.size() / 2)));
    }
    stream.next_out = out.data() + produced;
    stream.avail_out =
        static_cast<uInt>(std::min<size_t>(std::min(out.size(), limit) - produced, 1u << 30));
    const uInt before = stream.avail_out;
    status = inflate(&stream, Z_NO_FLUSH);
    produced += before - stream.avail_out;
    // No progress with all input given means the stream is cut short.
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && consumed == packed.size()) break;
    if (status == Z_BUF_ERROR) status = Z_OK;
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) {
    produced = 0;
    return false;
  }
  return true;
}

bool InflateZlib(ByteSpan packed, std::vector<uint8_t>& out, size_t initialCapacity, size_t limit) {
  out.clear();
  size_t produced = 0;
  const bool ok = InflateZlibInto(packed, out, produced, initialCapacity, limit);
  out.resize(produced);
  return ok;
}

int UnpackSettings(ByteSpan section, const PayloadHeader& header, std::vector<uint8_t>& stream) {
  stream.clear();
  ByteSpan blob = section.subspan(header.headerSize, header.settingsPackedSize);
  std::vector<uint8_t> plain(blob.begin(), blob.end());
  if (header.Enciphered()) {
    Blowfish cipher(*header.blowfishKey);
    plain = BlowfishOpen(cipher, plain);
  } else {
    XorScramble(plain, header.settingsChecksum);
  }
  const size_t initial = 3 * static_cast<size_t>(header.settingsPackedSize) + 1024;
  if (!InflateZlib(plain, stream, initial, kSettingsSizeLimit)) return kErrorSettingsInflate;
  return 0;
}

FileDataArea MappedFileDataArea(ByteSpan section, const PayloadHeader& header) {
  FileDataArea area;
  area.foundSize =
      static_cast<int64_t>(header.payloadEnd) - static_cast<int64_t>(header.fileDataOffset);
  const size_t start = std::min(header.fileDataOffset, section.size());
  const size_t end =
      std::clamp<size_t>(static_cast<size_t>(header.payloadEnd), start, section.size());
  area.bytes = section.subspan(start, end - start);
  return area;
}

int CheckFileDataAreaSize(const FileDataArea& area, const PayloadHeader& header) {
  if (area.foundSize != header.fileDataSize ||
      area.bytes.size() < static_cast<size_t>(header.fileDataSize)) {
    return kErrorFileDataSizeMismatch;
  }
  return 0;
}

int CheckFileDataAreaChecksum(const FileDataArea& area, const PayloadHeader& header) {
  const size_t size = std::min(area.bytes.size(), static_cast<size_t>(header.fileDataSize));
  if (PayloadChecksum(area.bytes.data(), static_cast<int64_t>(size)) != header.fileDataChecksum) {
    return kErrorFileDataChecksum;
  }
  return 0;
}

int CheckFileDataArea(const FileDataArea& area, const PayloadHeader& header) {
  if (int error = CheckFileDataAreaSize(area, header); error != 0) return error;
  return CheckFileDataAreaChecksum(area, header);
}

// The buffer holds the unfinished entry and the new block. Its room is set once an entry's
// length is known, so an entry of hundreds of megabytes is collected in one allocation rather
// than by doubling (which would need three times the entry in a 32-bit address space). Room
// left over from a large entry is given back when the next entries are small.
void EntryQueue::Append(ByteSpan unpackedBlock, uint64_t frontEntryLimit) {
  if (readOffset_ > 0) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(readOffset_));
    readOffset_ = 0;
  }
  size_t needed = buffer_.size() + unpackedBlock.size();
  if (buffer_.size() >= 4) {
    const uint64_t length = std::min<uint64_t>(LoadU32(buffer_.data()), frontEntryLimit);
    needed = std::max(needed, 4 + static_cast<size_t>(length));
  }
  if (buffer_.capacity() < needed || buffer_.capacity() > 2 * needed + kShrinkSlack) {
    std::vector<uint8_t> resized;
    resized.reserve(needed);
    resized.assign(buffer_.begin(), buffer_.end());
    buffer_.swap(resized);
  }
  buffer_.insert(buffer_.end(), unpackedBlock.begin(), unpackedBlock.end());
}

bool EntryQueue::TakeEntry(ByteSpan& entry) {
  const size_t available = BufferedBytes();
  if (available < 4) return false;
  const uint32_t length = LoadU32(buffer_.data() + readOffset_);
  if (available - 4 < length) return false;
  entry = ByteSpan(buffer_.data() + readOffset_ + 4, length);
  readOffset_ += 4 + static_cast<size_t>(length);
  return true;
}

FileDataReader::FileDataReader(ByteSpan area, const PayloadHeader& header, bool compressedBlocks)
    : area_(area), compressed_(compressedBlocks), contentSizes_(header.contentSizes) {
  if (header.Enciphered()) cipher_ = std::make_unique<Blowfish>(*header.blowfishKey);
}

int FileDataReader::NextEntry(ByteSpan& entry, void (*onBlockRead)(void*), void* context) {
  while (!queue_.TakeEntry(entry)) {
    if (onBlockRead != nullptr) onBlockRead(context);
    if (int error = ReadBlock(); error != 0) return error;
  }
  ++entriesTaken_;
  return 0;
}

// The stored length is a signed 32-bit number that must be positive: 0 and every length from
// 2^31 on are 61. A positive length longer than what follows the checksum field is an overrun
// (63). An area that ends before the next block's length field has no block to give (61); one
// that ends inside the checksum field is overrun (63).
int FileDataReader::ReadBlock() {
  PayloadCursor cursor(area_, position_);
  uint32_t storedLength = 0;
  uint32_t checksum = 0;
  if (!cursor.ReadU32(storedLength) || storedLength == 0 ||
      storedLength > static_cast<uint32_t>(INT32_MAX)) {
    return kErrorBlockLength;
  }
  ByteSpan stored;
  if (!cursor.ReadU32(checksum) || !cursor.ReadBlob(storedLength, stored)) {
    return kErrorBlockOverrun;
  }
  if (PayloadChecksum(stored.data(), stored.size()) != checksum) return kErrorBlockChecksum;
  position_ = cursor.Position();
  ++blocksRead_;

  ByteSpan data = stored;
  std::vector<uint8_t> deciphered;
  if (cipher_) {
    deciphered = BlowfishOpen(*cipher_, stored);
    data = deciphered;
  }
  if (compressed_) {
    size_t produced = 0;
    if (!InflateZlibInto(data, scratch_, produced, 4 * data.size() + 1024, kBlockLimit)) {
      return kErrorBlockInflate;
    }
    data = ByteSpan(scratch_.data(), produced);
  }
  // The entry at the front of the queue holds its content and a few fields, and no more bytes
  // than the queue holds and the rest of the area can unpack to: a damaged length in a small
  // installer whose header claims a large content must not reserve the content's size.
  uint64_t frontEntryLimit = 0;
  if (entriesTaken_ < contentSizes_.size() && contentSizes_[entriesTaken_] > 0) {
    const uint64_t rest = uint64_t{RemainingBytes()} * (compressed_ ? kMaxInflateRatio : 1);
    frontEntryLimit =
        std::min(static_cast<uint64_t>(contentSizes_[entriesTaken_]) + kEntryFieldsLimit,
                 queue_.BufferedBytes() + data.size() + rest);
  }
  queue_.Append(data, frontEntryLimit);
  return 0;
}

}  // namespace qs
