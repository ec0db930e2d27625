#pragma once
// A file opened for reading, with random-access reads. The failing call's system error code is
// kept for the message that reports it.
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/byte_span.h"
#include "base/handle_win.h"
#include "core/pe_sections.h"

namespace qs {

class InputFile : public ByteSource {
 public:
  // Opens for reading; other processes may read, write and delete it meanwhile (a running
  // program's own file is open that way by the loader too). Takes the size right away. The
  // path goes through file-system redirection like every path the program names.
  bool Open(const std::wstring& path);
  // The same for a path that already names where the file is: the system's name of the running
  // program's file, which redirection must not move elsewhere.
  bool OpenPlace(const std::wstring& place);
  void Close();
  bool IsOpen() const { return handle_.Valid(); }

  bool ReadAt(uint64_t offset, void* out, size_t size) override;
  uint64_t Size() const override { return size_; }

  // Moves the file pointer; only a position the system refuses fails.
  bool Seek(uint64_t offset);

  // Same volume and file index: both name the same file.
  bool IsSameFile(const InputFile& other) const;

  DWORD LastError() const { return lastError_; }
  HANDLE Handle() const { return handle_.Get(); }

 private:
  bool OpenFile(const wchar_t* path);
  bool Fail();

  UniqueFileHandle handle_;
  uint64_t size_ = 0;
  DWORD lastError_ = 0;
};

// Writes all of `data` at the file's position, at most 1 MiB a call, straight from the
// caller's memory. 0 or the system error (ERROR_WRITE_FAULT for a short write without one).
DWORD WriteAllBytes(HANDLE file, ByteSpan data);

// The whole content of a small file (answers, lists). False when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string& content, uint64_t sizeLimit);

// The path made absolute and normalised the way the system will take it (relative to the
// current folder, "." and ".." resolved, trailing dots and blanks dropped). Empty when the
// system cannot.
std::wstring SystemFullPath(const std::wstring& path);

}  // namespace qs
