#pragma once
// The digest of Uninstall.DAT in the product's registration: computed by the system's
// cryptographic provider (advapi32), written whenever the record is written, read before the
// uninstaller carries any of it out.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "uninstall/record_digest.h"

namespace qs {

// SHA-256 of `bytes`. False, with the system's error in GetLastError(), when the provider cannot
// hash.
bool ComputeSha256(std::string_view bytes, Sha256Digest& digest);

// The digest of a record's bytes as the registration keeps it; nothing when it cannot be
// computed.
std::optional<std::string> RecordDigestOf(std::string_view bytes);

// Writes the digest of `bytes`, the record just written, into the open registration key. When
// it cannot be computed or written, a digest left by an earlier record is deleted, so that the
// new record is read as one without a digest rather than refused; the result is false then.
bool StoreRecordDigest(HKEY registration, std::string_view bytes);

// The registration's digest value; nothing when it is missing. A value that is no string reads
// as an empty one, which matches no record.
std::optional<std::string> StoredRecordDigest(HKEY registration);

}  // namespace qs
