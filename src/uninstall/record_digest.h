#pragma once
// The digest of Uninstall.DAT kept in the product's Add/Remove Programs key. The record lies in
// the installation's folder, which users may be able to write to, while the registration key
// under HKLM is for administrators alone: a record changed after it was written (lines planted
// for the uninstaller to carry out with an administrator's rights) no longer matches.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qs {

// The registration's value that holds the digest: SHA-256 of the file's bytes, 64 lower-case
// hex digits.
inline constexpr char kRecordDigestValueName[] = "UninstallDataDigest";

using Sha256Digest = std::array<uint8_t, 32>;

std::string FormatRecordDigest(const Sha256Digest& digest);

enum class RecordDigestCheck {
  kNotRecorded,  // the key has no digest: an installation made before digests were kept
  kMatches,
  kDiffers,  // also a stored value that is no digest at all, or a record that could not be hashed
};

// `stored`: the registration's value, nothing when it is missing. `actual`: the digest of the
// bytes read, nothing when they could not be hashed. Upper-case hex digits are taken as well.
RecordDigestCheck CheckRecordDigest(const std::optional<std::string>& stored,
                                    const std::optional<std::string>& actual);

// The refusal when the record differs from its digest: nothing has been changed by then.
std::u16string RecordChangedRefusal(std::u16string_view displayName,
                                    std::u16string_view recordPath);

}  // namespace qs
