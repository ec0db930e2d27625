#pragma once
// Blowfish, 16 rounds, ECB, blocks taken as two big-endian 32-bit halves. The key schedule
// XORs the subkeys with the key read as little-endian 32-bit words.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qs {

class Blowfish {
 public:
  explicit Blowfish(std::span<const uint8_t> key);

  void EncryptBlock(uint32_t& left, uint32_t& right) const;
  void DecryptBlock(uint32_t& left, uint32_t& right) const;

  // In place, whole 8-byte blocks only (a tail shorter than 8 bytes is left alone).
  void Encrypt(std::span<uint8_t> data) const;
  void Decrypt(std::span<uint8_t> data) const;

 private:
  using BlockTransform = void (Blowfish::*)(uint32_t&, uint32_t&) const;
  void TransformBlocks(std::span<uint8_t> data, BlockTransform transform) const;
  uint32_t F(uint32_t x) const;
  std::array<uint32_t, 18> p_;
  std::array<std::array<uint32_t, 256>, 4> s_;
};

// Enciphered blobs end with their real length: the data is padded so that, after a 4-byte
// little-endian length, it fills whole blocks.
//   Seal: plain -> plain + padding + u32 length, enciphered.
//   Open: deciphers and cuts to the stored length; returns an empty vector when the data is not
//         a positive multiple of 8 or the length is outside [total - 12, total - 4].
std::vector<uint8_t> BlowfishSeal(const Blowfish& cipher, std::span<const uint8_t> plain);
std::vector<uint8_t> BlowfishOpen(const Blowfish& cipher, std::span<const uint8_t> sealed);

}  // namespace qs
