#include "core/blowfish.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/blowfish_tables.h"

namespace qs {
namespace {

uint32_t LoadBigEndian(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void StoreBigEndian(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value >> 24);
  p[1] = static_cast<uint8_t>(value >> 16);
  p[2] = static_cast<uint8_t>(value >> 8);
  p[3] = static_cast<uint8_t>(value);
}

uint32_t LoadLittleEndian(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void StoreLittleEndian(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}

constexpr size_t kBlockSize = 8;
constexpr size_t kLengthTrailerSize = 4;

}  // namespace

Blowfish::Blowfish(std::span<const uint8_t> key) {
  std::copy(std::begin(kBlowfishInitialP), std::end(kBlowfishInitialP), p_.begin());
  for (size_t box = 0; box < s_.size(); ++box) {
    std::copy(std::begin(kBlowfishInitialS[box]), std::end(kBlowfishInitialS[box]),
              s_[box].begin());
  }

  // Unlike the textbook schedule, the key is read as little-endian 32-bit words (cycling over
  // the key bytes), so payloads enciphered by our builder open only with this byte order.
  if (!key.empty()) {
    size_t next = 0;
    for (uint32_t& subkey : p_) {
      uint32_t word = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        word |= uint32_t{key[next]} << shift;
        next = (next + 1) % key.size();
      }
      subkey ^= word;
    }
  }

  uint32_t left = 0;
  uint32_t right = 0;
  for (size_t i = 0; i < p_.size(); i += 2) {
    EncryptBlock(left, right);
    p_[i] = left;
    p_[i + 1] = right;
  }
  for (auto& box : s_) {
    for (size_t i = 0; i < box.size(); i += 2) {
      EncryptBlock(left, right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

uint32_t Blowfish::F(uint32_t x) const {
  uint32_t h = s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF];
  return (h ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
}

void Blowfish::EncryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left;
  uint32_t r = right;
  for (size_t i = 0; i < 16; i += 2) {
    l ^= p_[i];
    r ^= F(l);
    r ^= p_[i + 1];
    l ^= F(r);
  }
  left = r ^ p_[17];
  right = l ^ p_[16];
}

void Blowfish::DecryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left;
  uint32_t r = right;
  for (size_t i = 17; i > 1; i -= 2) {
    l ^= p_[i];
    r ^= F(l);
    r ^= p_[i - 1];
    l ^= F(r);
  }
  left = r ^ p_[0];
  right = l ^ p_[1];
}

// Runs `transform` over every whole 8-byte block, each taken as two big-endian halves.
void Blowfish::TransformBlocks(std::span<uint8_t> data, BlockTransform transform) const {
  for (size_t offset = 0; data.size() - offset >= kBlockSize; offset += kBlockSize) {
    uint8_t* block = data.data() + offset;
    uint32_t left = LoadBigEndian(block);
    uint32_t right = LoadBigEndian(block + 4);
    (this->*transform)(left, right);
    StoreBigEndian(block, left);
    StoreBigEndian(block + 4, right);
  }
}

void Blowfish::Encrypt(std::span<uint8_t> data) const {
  TransformBlocks(data, &Blowfish::EncryptBlock);
}

void Blowfish::Decrypt(std::span<uint8_t> data) const {
  TransformBlocks(data, &Blowfish::DecryptBlock);
}

std::vector<uint8_t> BlowfishSeal(const Blowfish& cipher, std::span<const uint8_t> plain) {
  // The trailer stores the length in 32 bits; anything longer cannot be described.
  if (plain.size() > std::numeric_limits<uint32_t>::max() - 2 * kBlockSize) return {};
  size_t total = (plain.size() + kLengthTrailerSize + kBlockSize - 1) / kBlockSize * kBlockSize;
  std::vector<uint8_t> sealed(total, 0);
  std::copy(plain.begin(), plain.end(), sealed.begin());
  StoreLittleEndian(sealed.data() + total - kLengthTrailerSize,
                    static_cast<uint32_t>(plain.size()));
  cipher.Encrypt(sealed);
  return sealed;
}

std::vector<uint8_t> BlowfishOpen(const Blowfish& cipher, std::span<const uint8_t> sealed) {
  const size_t total = sealed.size();
  if (total == 0 || total % kBlockSize != 0) return {};
  std::vector<uint8_t> plain(sealed.begin(), sealed.end());
  cipher.Decrypt(plain);
  const uint64_t length = LoadLittleEndian(plain.data() + total - kLengthTrailerSize);
  // The padding is 0 to 7 bytes, so the length lies within one block before the trailer.
  if (length + 12 < total || length + kLengthTrailerSize > total) return {};
  plain.resize(static_cast<size_t>(length));
  return plain;
}

}  // namespace qs
