#include "builder/container_writer.h"

#include <zlib.h>

#include <cstring>
#include <limits>

#include "core/blowfish.h"
#include "core/payload_checksum.h"
#include "core/payload_container.h"
#include "core/payload_format.h"

namespace qs::builder {
namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutString(std::vector<uint8_t>& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

void PatchU32(std::vector<uint8_t>& out, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool Deflate(std::span<const uint8_t> data, int level, std::vector<uint8_t>& out) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  out.resize(size);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK) {
    return false;
  }
  out.resize(size);
  return true;
}

// Cuts the entry stream into blocks of `blockSize` unpacked bytes, whatever the entry
// boundaries, and stores each one packed and checksummed.
class BlockWriter {
 public:
  BlockWriter(const ContainerOptions& options, std::vector<uint8_t>& out, PayloadLayout* layout)
      : options_(options), out_(out), layout_(layout) {
    if (options.blowfishKey) cipher_ = std::make_unique<Blowfish>(*options.blowfishKey);
  }

  bool Add(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
      const size_t take = std::min(bytes.size(), options_.blockSize - pending_.size());
      pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + take);
      bytes = bytes.subspan(take);
      if (pending_.size() == options_.blockSize && !Flush()) return false;
    }
    return true;
  }

  bool Flush() {
    if (pending_.empty()) return true;
    std::vector<uint8_t> stored;
    if (options_.compressBlocks) {
      if (!Deflate(pending_, options_.compressionLevel, stored)) return false;
    } else {
      stored = pending_;
    }
    if (cipher_) stored = BlowfishSeal(*cipher_, stored);
    if (layout_) layout_->blockOffsets.push_back(out_.size());
    PutU32(out_, static_cast<uint32_t>(stored.size()));
    PutU32(out_, PayloadChecksum(stored.data(), static_cast<int64_t>(stored.size())));
    out_.insert(out_.end(), stored.begin(), stored.end());
    pending_.clear();
    return true;
  }

 private:
  const ContainerOptions& options_;
  std::vector<uint8_t>& out_;
  PayloadLayout* layout_;
  std::unique_ptr<Blowfish> cipher_;
  std::vector<uint8_t> pending_;
};

}  // namespace

std::vector<uint8_t> EncodePayloadEntry(const PayloadFile& file) {
  std::vector<uint8_t> record;
  record.reserve(file.content.size() + 128);
  PutString(record, file.name);
  PutU32(record, file.kind);
  PutU32(record, file.flags);
  PutU32(record, file.attributes);
  for (int32_t field : {file.dateTime.year, file.dateTime.month, file.dateTime.day,
                        file.dateTime.hour, file.dateTime.minute, file.dateTime.second}) {
    PutU32(record, static_cast<uint32_t>(field));
  }
  PutString(record, file.text);
  if (file.flags & 3) PutString(record, file.icon);
  PutString(record, file.command);
  PutString(record, file.destination);
  PutString(record, file.extra);
  if (file.kind == 11) PutU32(record, file.msiUiLevel);
  record.insert(record.end(), file.content.begin(), file.content.end());
  PutU32(record, PayloadChecksum(file.content.data(), static_cast<int64_t>(file.content.size())));
  return record;
}

bool BuildPayload(const std::vector<uint8_t>& settings, const std::vector<PayloadFile>& files,
                  const ContainerOptions& options, std::vector<uint8_t>& section,
                  std::string& error, PayloadLayout* layout) {
  section.clear();
  if (layout) *layout = PayloadLayout{};
  if (options.blockSize == 0 || options.blockSize > kMaxBlockSize) {
    error = "block size must be between 1 byte and 64 MiB";
    return false;
  }
  if (files.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    error = "too many files";
    return false;
  }
  for (const PayloadFile& file : files) {
    if (file.name.empty()) {
      error = "a payload file has no name";
      return false;
    }
    if (file.content.size() > static_cast<size_t>(kMaxContentSize)) {
      error = "file '" + file.name + "' is larger than 1 GiB";
      return false;
    }
  }

  const uint32_t settingsChecksum =
      PayloadChecksum(settings.data(), static_cast<int64_t>(settings.size()));
  std::vector<uint8_t> blob;
  if (!Deflate(settings, 9, blob)) {
    error = "the settings could not be compressed";
    return false;
  }
  if (options.blowfishKey) {
    blob = BlowfishSeal(Blowfish(*options.blowfishKey), blob);
  } else {
    XorScramble(blob, settingsChecksum);
  }
  if (settings.size() > kSettingsSizeLimit) {
    error = "the settings exceed 64 MiB";
    return false;
  }
  if (blob.size() >= kSettingsPackedSizeLimit) {
    error = "the packed settings exceed 50 MiB";
    return false;
  }

  PayloadLayout local;
  PayloadLayout& at = layout ? *layout : local;
  std::vector<uint8_t>& out = section;
  PutU32(out, kPayloadMagic);
  PutString(out, options.formatVersion);
  at.flags2Offset = out.size();
  PutU32(out, options.productFlags2 | (options.blowfishKey ? kFlags2Enciphered : 0u));
  at.settingsPackedSizeOffset = out.size();
  PutU32(out, static_cast<uint32_t>(blob.size()));
  at.settingsChecksumOffset = out.size();
  PutU32(out, settingsChecksum);
  at.installerChecksumOffset = out.size();
  PutU32(out, 0);  // stored by BuildInstallerImage once the image is final
  at.payloadEndOffset = out.size();
  PutU32(out, 0);
  at.entryCountOffset = out.size();
  PutU32(out, static_cast<uint32_t>(files.size()));
  at.fileDataSizeOffset = out.size();
  PutU32(out, 0);
  at.fileDataChecksumOffset = out.size();
  PutU32(out, 0);
  at.contentSizesOffset = out.size();
  for (const PayloadFile& file : files) PutU32(out, static_cast<uint32_t>(file.content.size()));
  if (options.blowfishKey)
    out.insert(out.end(), options.blowfishKey->begin(), options.blowfishKey->end());
  at.settingsBlobOffset = out.size();
  out.insert(out.end(), blob.begin(), blob.end());
  at.fileDataOffset = out.size();

  BlockWriter blocks(options, out, &at);
  for (const PayloadFile& file : files) {
    std::vector<uint8_t> record = EncodePayloadEntry(file);
    uint8_t length[4];
    for (int i = 0; i < 4; ++i) length[i] = static_cast<uint8_t>(record.size() >> (8 * i));
    if (!blocks.Add(length) || !blocks.Add(record)) {
      error = "a block could not be compressed";
      return false;
    }
  }
  if (!blocks.Flush()) {
    error = "a block could not be compressed";
    return false;
  }

  if (out.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    error = "the payload exceeds 2 GiB";
    return false;
  }
  const size_t fileDataSize = out.size() - at.fileDataOffset;
  at.payloadEnd = out.size();
  PatchU32(out, at.payloadEndOffset, static_cast<uint32_t>(out.size()));
  PatchU32(out, at.fileDataSizeOffset, static_cast<uint32_t>(fileDataSize));
  PatchU32(out, at.fileDataChecksumOffset,
           PayloadChecksum(out.data() + at.fileDataOffset, static_cast<int64_t>(fileDataSize)));
  return true;
}

}  // namespace qs::builder
