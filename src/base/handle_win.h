#pragma once
// Owners of Win32 handles: each closes its handle once, with the call that handle needs, and
// can be moved but not copied.
#include <windows.h>

#include <utility>

namespace qs {

template <typename Handle, typename Traits>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(Handle handle) : handle_(handle) {}
  ~UniqueResource() { Reset(); }

  UniqueResource(UniqueResource&& other) noexcept : handle_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  Handle Get() const { return handle_; }
  bool Valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return Valid(); }

  Handle Release() { return std::exchange(handle_, Traits::Invalid()); }
  void Reset(Handle handle = Traits::Invalid()) {
    Handle old = std::exchange(handle_, handle);
    if (Traits::IsValid(old)) Traits::Close(old);
  }

  // For APIs that return the handle through a pointer; the old handle is closed first.
  Handle* Receive() {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// Kernel objects whose "none" value is null (threads, processes, events, mappings).
struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

// Files: CreateFileW reports failure with INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueFileHandle = UniqueResource<HANDLE, FileHandleTraits>;

struct FindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;

struct RegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static bool IsValid(HKEY h) { return h != nullptr; }
  static void Close(HKEY h) { ::RegCloseKey(h); }
};
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;

struct ModuleTraits {
  static HMODULE Invalid() { return nullptr; }
  static bool IsValid(HMODULE h) { return h != nullptr; }
  static void Close(HMODULE h) { ::FreeLibrary(h); }
};
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;

struct MappedViewTraits {
  static const void* Invalid() { return nullptr; }
  static bool IsValid(const void* p) { return p != nullptr; }
  static void Close(const void* p) { ::UnmapViewOfFile(p); }
};
using UniqueMappedView = UniqueResource<const void*, MappedViewTraits>;

// GDI objects (fonts, bitmaps, brushes): DeleteObject, once they are no longer selected.
template <typename Object>
struct GdiObjectTraits {
  static Object Invalid() { return nullptr; }
  static bool IsValid(Object h) { return h != nullptr; }
  static void Close(Object h) { ::DeleteObject(h); }
};
using UniqueFont = UniqueResource<HFONT, GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueResource<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueResource<HBRUSH, GdiObjectTraits<HBRUSH>>;

// Device contexts made with CreateCompatibleDC.
struct MemoryDcTraits {
  static HDC Invalid() { return nullptr; }
  static bool IsValid(HDC h) { return h != nullptr; }
  static void Close(HDC h) { ::DeleteDC(h); }
};
using UniqueMemoryDc = UniqueResource<HDC, MemoryDcTraits>;

}  // namespace qs
