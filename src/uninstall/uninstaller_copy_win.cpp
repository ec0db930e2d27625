#include "uninstall/uninstaller_copy_win.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "base/file_redirection_win.h"
#include "base/file_win.h"
#include "base/handle_win.h"
#include "base/system_error_win.h"
#include "base/text_win.h"
#include "core/install_steps_win.h"
#include "core/own_file_win.h"
#include "core/payload_entry.h"
#include "core/product_flags.h"
#include "core/product_win.h"
#include "core/target_path.h"
#include "files/deferred_operations_win.h"
#include "files/file_queries_win.h"
#include "files/file_writer_win.h"
#include "files/removal_record.h"
#include "uninstall/icon_file.h"

namespace qs {
namespace {

// What the project tool gives a product that names no uninstaller.
constexpr char16_t kDefaultUninstallerName[] = u"uninstall.exe";

// ---- Icon resources ----

// A resource type or name: a number, or a text that must outlive the enumeration that found it.
struct ResourceName {
  WORD id = 0;
  std::wstring text;

  static ResourceName Of(LPCWSTR name) {
    ResourceName result;
    if (IS_INTRESOURCE(name)) {
      result.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    } else {
      result.text = name;
    }
    return result;
  }
  LPCWSTR Get() const { return text.empty() ? MAKEINTRESOURCEW(id) : text.c_str(); }
  bool Is(LPCWSTR type) const { return text.empty() && IS_INTRESOURCE(type) && Get() == type; }
  bool operator==(const ResourceName&) const = default;
};

struct Resource {
  ResourceName type;
  ResourceName name;
  WORD language = 0;
  std::vector<uint8_t> data;
};

struct ResourceReader {
  HMODULE module;
  std::vector<Resource>* resources;
  const ResourceName* type = nullptr;
  const ResourceName* name = nullptr;
};

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context) {
  auto* reader = reinterpret_cast<ResourceReader*>(context);
  HRSRC found =
      ::FindResourceExW(reader->module, reader->type->Get(), reader->name->Get(), language);
  HGLOBAL loaded = found != nullptr ? ::LoadResource(reader->module, found) : nullptr;
  const auto* bytes =
      static_cast<const uint8_t*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
  if (bytes == nullptr) return TRUE;
  Resource& resource = reader->resources->emplace_back();
  resource.type = *reader->type;
  resource.name = *reader->name;
  resource.language = language;
  resource.data.assign(bytes, bytes + ::SizeofResource(reader->module, found));
  return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR context) {
  auto* reader = reinterpret_cast<ResourceReader*>(context);
  const ResourceName resourceName = ResourceName::Of(name);
  reader->name = &resourceName;
  ::EnumResourceLanguagesW(module, reader->type->Get(), resourceName.Get(), AddLanguage, context);
  reader->name = nullptr;
  return TRUE;
}

BOOL CALLBACK AddType(HMODULE module, LPWSTR type, LONG_PTR context) {
  auto* reader = reinterpret_cast<ResourceReader*>(context);
  const ResourceName resourceType = ResourceName::Of(type);
  reader->type = &resourceType;
  ::EnumResourceNamesW(module, resourceType.Get(), AddName, context);
  reader->type = nullptr;
  return TRUE;
}

// Every resource of the program, in the order of its resource directory. False when the file
// cannot be loaded as a program.
bool ReadProgramResources(const std::wstring& path, std::vector<Resource>& resources) {
  UniqueModule module(::LoadLibraryExW(Redirected(path), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return false;
  ResourceReader reader{module.Get(), &resources};
  ::EnumResourceTypesW(module.Get(), AddType, reinterpret_cast<LONG_PTR>(&reader));
  return true;
}

// Identifiers for `count` new images: those of the replaced group first, then the lowest ones
// no image that stays uses.
std::vector<uint16_t> NewImageIds(const std::vector<uint16_t>& replaced,
                                  const std::set<uint16_t>& taken, size_t count) {
  std::vector<uint16_t> ids;
  const auto unused = [&](uint16_t id) {
    return taken.count(id) == 0 && std::find(ids.begin(), ids.end(), id) == ids.end();
  };
  for (uint16_t id : replaced) {
    if (ids.size() < count && unused(id)) ids.push_back(id);
  }
  for (uint32_t id = 1; ids.size() < count && id <= 0xFFFF; ++id) {
    if (unused(static_cast<uint16_t>(id))) ids.push_back(static_cast<uint16_t>(id));
  }
  return ids;
}

// A resource update that is thrown away unless it is committed.
class ResourceUpdate {
 public:
  // The program keeps none of its resources but those put back.
  explicit ResourceUpdate(const std::wstring& path)
      : handle_(::BeginUpdateResourceW(Redirected(path), TRUE)) {}
  ~ResourceUpdate() {
    if (handle_ != nullptr) ::EndUpdateResourceW(handle_, TRUE);
  }
  ResourceUpdate(const ResourceUpdate&) = delete;
  ResourceUpdate& operator=(const ResourceUpdate&) = delete;

  bool Opened() const { return handle_ != nullptr; }
  bool Put(LPCWSTR type, LPCWSTR name, WORD language, ByteSpan data) {
    return ::UpdateResourceW(handle_, type, name, language, const_cast<uint8_t*>(data.data()),
                             static_cast<DWORD>(data.size())) != FALSE;
  }
  bool Commit() { return ::EndUpdateResourceW(std::exchange(handle_, nullptr), FALSE) != FALSE; }

 private:
  HANDLE handle_;
};

// ---- Files ----

std::u16string CannotWriteReport(const std::u16string& dest, DWORD error) {
  return std::u16string(AsU16(GetText(kTextCannotWriteFile))) + u" " + dest + u"\r\n" +
         SystemErrorU16(error) + u"\r\n\r\n";
}

// Held open by a running program (the old uninstaller still running) or otherwise locked.
bool IsInUse(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_USER_MAPPED_FILE;
}

// Same volume and file index. A program started from the uninstall data folder would otherwise
// try to replace itself with itself at the restart. `program` is the running program's own
// file, which the system names where it is: only `path` is mapped.
bool IsSameFile(const std::wstring& program, const std::wstring& path) {
  const auto identify = [](const wchar_t* name, BY_HANDLE_FILE_INFORMATION& info) {
    UniqueFileHandle file(::CreateFileW(name, 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::GetFileInformationByHandle(file.Get(), &info);
  };
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  return identify(program.c_str(), first) && identify(Redirected(path), second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

std::wstring FolderOfPath(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The copy goes to a temporary file beside the uninstaller in use, which replaces it at the
// restart.
void CopyForRestart(const std::wstring& source, const std::u16string& dest, InstallRun& run) {
  const std::wstring target(AsWide(dest));
  const std::wstring temporary = NewTemporaryFile(FolderOfPath(target), L"KWV");
  DWORD error = 0;
  if (temporary.empty()) {
    error = ::GetLastError();
  } else if (!::CopyFileW(source.c_str(), Redirected(temporary), FALSE)) {
    error = ::GetLastError();
    ::DeleteFileW(Redirected(temporary));
  }
  if (error != 0) {
    run.failureSummary += u"Failed to register '" + dest +
                          u"' for replacement because no temporary file could be created.\r\n" +
                          SystemErrorU16(error) + u"\r\n\r\n";
    return;
  }
  const std::u16string temporaryText(AsU16(temporary));
  if (ReplaceAtRestart(temporary, target)) {
    run.installLog += u"\"" + dest +
                      u"\" was successfully registered for replacement.\r\nTemporary file is \"" +
                      temporaryText + u"\"\r\nReboot will be required.\r\n\r\n";
    Product().ProductFlags |= kFlagRestartRequired;
    return;
  }
  error = ::GetLastError();
  run.failureSummary += u"Failed to register '" + dest +
                        u"' for replacement with temporary file '" + temporaryText + u"'\r\n" +
                        SystemErrorU16(error) + u"\r\n\r\n";
  ::DeleteFileW(Redirected(temporary));
}

void CopyRunningProgram(const std::u16string& dest, InstallRun& run) {
  const std::wstring source = ModuleFileName();
  const std::wstring target(AsWide(dest));
  if (IsSameFile(source, target)) return;
  // Copied whole beside the previous uninstaller first: a disk that fills up in the middle of
  // the copy leaves the previous one as it was.
  const std::wstring partial = PartialFilePath(target);
  bool exists = false;
  DWORD error = CheckReplaceable(target, exists);
  if (error == 0 && partial.size() >= MAX_PATH) {
    if (!::CopyFileW(source.c_str(), Redirected(target), FALSE)) error = ::GetLastError();
  } else if (error == 0) {
    if (::CopyFileW(source.c_str(), Redirected(partial), FALSE)) {
      error = MovePartialFileIntoPlace(partial, target);
    } else {
      error = ::GetLastError();
      ::DeleteFileW(Redirected(partial));
    }
  }
  if (error == 0) return;
  if (IsInUse(error)) {
    CopyForRestart(source, dest, run);
  } else {
    run.failureSummary += CannotWriteReport(dest, error);
  }
}

}  // namespace

bool WriteProductFile(InstallRun& run, std::u16string_view folder, std::u16string_view name,
                      ByteSpan bytes, std::u16string& path) {
  path = JoinPath(folder, name);
  CreateFolderPath(folder);
  UniqueFileHandle file(::CreateFileW(Redirected(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD error = file ? WriteAllBytes(file.Get(), bytes) : ::GetLastError();
  if (error != 0) {
    run.failureSummary += u"Failed to write \"" + path + u"\": " + SystemErrorU16(error) + u"\r\n";
    return false;
  }
  // The removal list is written to the record as it stands.
  RecordForRemoval(run.removalList, run.recordedFolders, path, RemovalEntry::kFile);
  return true;
}

bool WriteUninstallDataFile(InstallRun& run, std::u16string_view name, ByteSpan bytes,
                            std::u16string& path) {
  return WriteProductFile(run, run.uninstallDir, name, bytes, path);
}

std::u16string UninstallerPath(const InstallRun& run) {
  const std::u16string& name = Product().uninstallerName;
  return JoinPath(run.uninstallDir, name.empty() ? std::u16string(kDefaultUninstallerName) : name);
}

bool ReplaceProgramIcon(const std::wstring& path, ByteSpan icon, bool& opened) {
  opened = false;
  std::vector<Resource> resources;
  if (!ReadProgramResources(path, resources)) return false;
  ResourceUpdate update(path);
  if (!update.Opened()) return false;
  opened = true;

  std::vector<IconImage> images;
  if (!ParseIconFile(icon, images)) return false;

  // The first group is the one the shell shows for the file; it goes with its images. A
  // program without one gets group 1.
  ResourceName group{1, {}};
  WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  std::vector<uint16_t> replaced;
  for (const Resource& resource : resources) {
    if (!resource.type.Is(RT_GROUP_ICON)) continue;
    group = resource.name;
    language = resource.language;
    IconGroupIds(resource.data, replaced);
    break;
  }
  const auto goes = [&](const Resource& resource) {
    if (resource.type.Is(RT_GROUP_ICON)) return resource.name == group;
    return resource.type.Is(RT_ICON) && resource.name.text.empty() &&
           std::find(replaced.begin(), replaced.end(), resource.name.id) != replaced.end();
  };
  std::set<uint16_t> taken;
  for (const Resource& resource : resources) {
    if (goes(resource)) continue;
    if (resource.type.Is(RT_ICON) && resource.name.text.empty()) taken.insert(resource.name.id);
    if (!update.Put(resource.type.Get(), resource.name.Get(), resource.language, resource.data)) {
      return false;
    }
  }

  const std::vector<uint16_t> ids = NewImageIds(replaced, taken, images.size());
  if (ids.size() != images.size()) return false;
  for (size_t i = 0; i < images.size(); ++i) {
    if (!update.Put(RT_ICON, MAKEINTRESOURCEW(ids[i]), language, images[i].data)) return false;
  }
  if (!update.Put(RT_GROUP_ICON, group.Get(), language, IconGroupResource(images, ids))) {
    return false;
  }
  return update.Commit();
}

void WriteUninstaller(const PayloadContext& payload, InstallRun& run) {
  const ProductSettings& product = Product();
  const std::u16string dest = UninstallerPath(run);
  run.uninstallerPath = dest;
  // A product whose files all go elsewhere (fonts, drivers) has made no install folder yet.
  CreateFolderPath(run.uninstallDir);

  // Without the stripped copy (never made, or empty) the program's file serves as it is.
  if ((product.ProductFlags2 & kFlags2StrippedUninstaller) == 0 ||
      payload.strippedProgram.empty()) {
    CopyRunningProgram(dest, run);
    return;
  }
  bool deferred = false;
  if (!WriteInstalledFile(dest, payload.strippedProgram, DateTime{}, run, kAttributesUnchanged,
                          FileExists(std::wstring(AsWide(dest))), deferred)) {
    return;  // reported by the writer, or left for the restart
  }
  if (product.uninstallerIcon.empty()) return;
  bool opened = false;
  if (!ReplaceProgramIcon(std::wstring(AsWide(dest)), product.uninstallerIcon, opened)) {
    Log(run, opened ? u"Failed to replace uninstaller icon.\r\n"
                    : u"Failed to open uninstaller for icon replacement.\r\n");
  }
}

void WriteUninstallerIconFile(InstallRun& run) {
  const std::vector<uint8_t>& icon = Product().uninstallerIcon;
  std::u16string path;
  if (!icon.empty()) WriteUninstallDataFile(run, u"uninstall.ico", icon, path);
}

bool WriteProductIconFile(InstallRun& run, std::u16string& path) {
  const std::vector<uint8_t>& icon = Product().productIcon;
  if (icon.empty()) return false;
  return WriteUninstallDataFile(run, u"product.ico", icon, path);
}

}  // namespace qs
