// The digest of Uninstall.DAT in the registration: how it is written and when a record is
// refused because of it.
#include "uninstall/record_digest.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qs {
namespace {

TEST(RecordDigest, WrittenAsLowerCaseHex) {
  Sha256Digest digest{};
  for (size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<uint8_t>(i * 8 + 0x0F);
  EXPECT_EQ(FormatRecordDigest(digest),
            "0f171f272f373f474f575f676f777f878f979fa7afb7bfc7cfd7dfe7eff7ff07");
}

TEST(RecordDigest, OnlyAMissingOrEqualDigestIsAccepted) {
  const std::string digest(64, 'a');
  std::string other = digest;
  other.back() = 'b';
  struct Case {
    const char* name;
    std::optional<std::string> stored;
    std::optional<std::string> actual;
    RecordDigestCheck check;
  };
  const Case cases[] = {
      {"Equal", digest, digest, RecordDigestCheck::kMatches},
      {"UpperCaseStored", std::string(64, 'A'), digest, RecordDigestCheck::kMatches},
      // An installation by an earlier version kept no digest: its record is read as before.
      {"NotRecorded", std::nullopt, digest, RecordDigestCheck::kNotRecorded},
      {"NotRecordedNorComputed", std::nullopt, std::nullopt, RecordDigestCheck::kNotRecorded},
      {"OneDigitChanged", other, digest, RecordDigestCheck::kDiffers},
      // A value that is there but holds no digest protects nothing it could match.
      {"EmptyValue", "", digest, RecordDigestCheck::kDiffers},
      {"Prefix", digest.substr(0, 63), digest, RecordDigestCheck::kDiffers},
      {"Longer", digest + "a", digest, RecordDigestCheck::kDiffers},
      // A record that could not be hashed cannot be shown to be the one written.
      {"NotComputed", digest, std::nullopt, RecordDigestCheck::kDiffers},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckRecordDigest(c.stored, c.actual), c.check) << c.name;
  }
}

}  // namespace
}  // namespace qs
