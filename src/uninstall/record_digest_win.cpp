#include "uninstall/record_digest_win.h"

#include <windows.h>
// windows.h first
#include <wincrypt.h>

#include <algorithm>

#include "base/handle_win.h"
#include "base/registry_read_win.h"
#include "base/text_win.h"

namespace qs {
namespace {

struct CryptProviderTraits {
  static HCRYPTPROV Invalid() { return 0; }
  static bool IsValid(HCRYPTPROV h) { return h != 0; }
  static void Close(HCRYPTPROV h) { ::CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
  static HCRYPTHASH Invalid() { return 0; }
  static bool IsValid(HCRYPTHASH h) { return h != 0; }
  static void Close(HCRYPTHASH h) { ::CryptDestroyHash(h); }
};

// Hashed in pieces: CryptHashData takes a DWORD length.
constexpr size_t kPiece = 1u << 20;

}  // namespace

bool ComputeSha256(std::string_view bytes, Sha256Digest& digest) {
  // The AES provider is the one that has SHA-256; no key container is needed to hash.
  UniqueResource<HCRYPTPROV, CryptProviderTraits> provider;
  if (!::CryptAcquireContextW(provider.Receive(), nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    return false;
  }
  UniqueResource<HCRYPTHASH, CryptHashTraits> hash;
  if (!::CryptCreateHash(provider.Get(), CALG_SHA_256, 0, 0, hash.Receive())) return false;
  while (!bytes.empty()) {
    const size_t size = std::min(bytes.size(), kPiece);
    if (!::CryptHashData(hash.Get(), reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(size), 0)) {
      return false;
    }
    bytes.remove_prefix(size);
  }
  DWORD size = static_cast<DWORD>(digest.size());
  if (!::CryptGetHashParam(hash.Get(), HP_HASHVAL, digest.data(), &size, 0)) return false;
  if (size != digest.size()) {
    ::SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  return true;
}

std::optional<std::string> RecordDigestOf(std::string_view bytes) {
  Sha256Digest digest{};
  if (!ComputeSha256(bytes, digest)) return std::nullopt;
  return FormatRecordDigest(digest);
}

bool StoreRecordDigest(HKEY registration, std::string_view bytes) {
  const std::wstring name = Widen(kRecordDigestValueName);
  if (const std::optional<std::string> digest = RecordDigestOf(bytes)) {
    const std::wstring data = Widen(*digest);
    if (::RegSetValueExW(
            registration, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS) {
      return true;
    }
  }
  ::RegDeleteValueW(registration, name.c_str());
  return false;
}

std::optional<std::string> StoredRecordDigest(HKEY registration) {
  const std::wstring name = Widen(kRecordDigestValueName);
  if (::RegQueryValueExW(registration, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
      ERROR_FILE_NOT_FOUND) {
    return std::nullopt;
  }
  std::wstring text;
  ReadKeyText(registration, name.c_str(), text);
  return Narrow(text);
}

}  // namespace qs
