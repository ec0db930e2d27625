#pragma once
// A small but well-formed PE32 (x86) or PE32+ (x64) image for tests of the section writer and
// the section lookup: headers, then `sectionCount` sections of one file-alignment unit each.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qs::test_support {

struct TestStubOptions {
  int sectionCount = 4;
  uint32_t fileAlignment = 0x1000;
  uint32_t sectionAlignment = 0x1000;
  uint32_t headerSize = 0x1000;  // SizeOfHeaders, also where the first section's data starts
  const char* lastSectionName = ".rsrc";
  bool pe32Plus = false;
};

inline void Put16At(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  std::memcpy(&b[at], &v, 2);
}
inline void Put32At(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  std::memcpy(&b[at], &v, 4);
}

inline constexpr uint32_t kTestPeOffset = 0x80;
inline constexpr uint32_t kTestOptionalSize = 224;
inline constexpr uint32_t kTestOptionalSize64 = 240;
inline constexpr uint32_t kTestSectionTable = kTestPeOffset + 24 + kTestOptionalSize;
inline constexpr uint32_t kTestSectionTable64 = kTestPeOffset + 24 + kTestOptionalSize64;

inline uint32_t TestSectionTable(const TestStubOptions& o) {
  return o.pe32Plus ? kTestSectionTable64 : kTestSectionTable;
}

inline std::vector<uint8_t> MakeTestStub(const TestStubOptions& o = {}) {
  std::vector<uint8_t> b(o.headerSize + size_t{o.fileAlignment} * o.sectionCount, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32At(b, 0x3C, kTestPeOffset);
  std::memcpy(&b[kTestPeOffset], "PE\0\0", 4);
  Put16At(b, kTestPeOffset + 4, o.pe32Plus ? 0x8664 : 0x14C);
  Put16At(b, kTestPeOffset + 6, static_cast<uint16_t>(o.sectionCount));
  Put16At(b, kTestPeOffset + 20, o.pe32Plus ? kTestOptionalSize64 : kTestOptionalSize);
  Put16At(b, kTestPeOffset + 22, o.pe32Plus ? 0x0022 : 0x0102);
  const size_t opt = kTestPeOffset + 24;
  Put16At(b, opt, o.pe32Plus ? 0x20B : 0x10B);
  Put32At(b, opt + 8, o.fileAlignment * static_cast<uint32_t>(o.sectionCount));
  if (o.pe32Plus) {
    // A 64-bit image base above 4 GiB, as x64 linkers choose, in place of BaseOfData.
    Put32At(b, opt + 24, 0x40000000);
    Put32At(b, opt + 28, 0x1);
  } else {
    Put32At(b, opt + 28, 0x400000);
  }
  Put32At(b, opt + 32, o.sectionAlignment);
  Put32At(b, opt + 36, o.fileAlignment);
  Put32At(b, opt + 56, o.sectionAlignment * static_cast<uint32_t>(o.sectionCount + 1));
  Put32At(b, opt + 60, o.headerSize);
  Put32At(b, opt + (o.pe32Plus ? 108 : 92), 16);  // NumberOfRvaAndSizes
  for (int i = 0; i < o.sectionCount; ++i) {
    const size_t entry = TestSectionTable(o) + 40 * i;
    const std::string name = i + 1 == o.sectionCount ? o.lastSectionName : ".s" + std::to_string(i);
    std::memcpy(&b[entry], name.data(), std::min<size_t>(name.size(), 8));
    Put32At(b, entry + 8, o.fileAlignment);                      // virtual size
    Put32At(b, entry + 12, o.sectionAlignment * (i + 1));        // virtual address
    Put32At(b, entry + 16, o.fileAlignment);                     // raw size
    Put32At(b, entry + 20, o.headerSize + o.fileAlignment * i);  // raw offset
    Put32At(b, entry + 36, 0x40000040);
    std::memset(&b[o.headerSize + size_t{o.fileAlignment} * i], 0x90 + i, 16);  // some content
  }
  return b;
}

}  // namespace qs::test_support
