#include "base/file_win.h"

#include <algorithm>

#include "base/file_redirection_win.h"

namespace qs {

bool InputFile::Open(const std::wstring& path) {
  return OpenFile(Redirected(path));
}

bool InputFile::OpenPlace(const std::wstring& place) {
  return OpenFile(place.c_str());
}

bool InputFile::OpenFile(const wchar_t* path) {
  Close();
  handle_.Reset(::CreateFileW(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_) return Fail();
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(handle_.Get(), &size)) {
    DWORD error = ::GetLastError();
    Close();
    lastError_ = error;
    return false;
  }
  size_ = static_cast<uint64_t>(size.QuadPart);
  lastError_ = 0;
  return true;
}

void InputFile::Close() {
  handle_.Reset();
  size_ = 0;
}

bool InputFile::ReadAt(uint64_t offset, void* out, size_t size) {
  if (!handle_) {
    lastError_ = ERROR_INVALID_HANDLE;
    return false;
  }
  if (offset > size_ || size > size_ - offset) {
    lastError_ = ERROR_HANDLE_EOF;
    return false;
  }
  auto* target = static_cast<uint8_t*>(out);
  while (size > 0) {
    // ReadFile takes a 32-bit count; stay well below it.
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 26));
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    if (!::ReadFile(handle_.Get(), target, chunk, &done, &at)) return Fail();
    if (done == 0) {
      lastError_ = ERROR_HANDLE_EOF;
      return false;
    }
    target += done;
    offset += done;
    size -= done;
  }
  return true;
}

bool InputFile::Seek(uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!handle_ || offset > static_cast<uint64_t>(INT64_MAX) ||
      !::SetFilePointerEx(handle_.Get(), to, nullptr, FILE_BEGIN)) {
    return Fail();
  }
  return true;
}

bool InputFile::IsSameFile(const InputFile& other) const {
  BY_HANDLE_FILE_INFORMATION a;
  BY_HANDLE_FILE_INFORMATION b;
  if (!handle_ || !other.handle_ || !::GetFileInformationByHandle(handle_.Get(), &a) ||
      !::GetFileInformationByHandle(other.handle_.Get(), &b)) {
    return false;
  }
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

bool InputFile::Fail() {
  lastError_ = ::GetLastError();
  if (lastError_ == 0) lastError_ = ERROR_READ_FAULT;
  return false;
}

DWORD WriteAllBytes(HANDLE file, ByteSpan data) {
  constexpr size_t kChunk = 1024 * 1024;
  size_t offset = 0;
  while (offset < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min(kChunk, data.size() - offset));
    DWORD written = 0;
    if (!::WriteFile(file, data.data() + offset, chunk, &written, nullptr)) {
      const DWORD error = ::GetLastError();
      return error != 0 ? error : ERROR_WRITE_FAULT;
    }
    if (written != chunk) return ERROR_WRITE_FAULT;
    offset += chunk;
  }
  return 0;
}

bool ReadWholeFile(const std::wstring& path, std::string& content, uint64_t sizeLimit) {
  InputFile file;
  if (!file.Open(path) || file.Size() > sizeLimit) return false;
  content.resize(static_cast<size_t>(file.Size()));
  return content.empty() || file.ReadAt(0, content.data(), content.size());
}

std::wstring SystemFullPath(const std::wstring& path) {
  DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  for (int attempt = 0; attempt < 2 && size != 0; ++attempt) {
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length != 0 && length < size) {
      full.resize(length);
      return full;
    }
    size = length;  // the current folder changed in between: the size it needs now
  }
  return {};
}

}  // namespace qs
