// The installation folder in the machine's real search path, inside this process. The fixture
// keeps the "Path" value as it was (or its absence) and puts it back after each test.
#include <windows.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/handle_win.h"
#include "base/registry_view_win.h"
#include "base/system_edit_lock_win.h"
#include "files/search_path_win.h"
#include "harness_win.h"
#include "prefix_lock.h"

namespace qs::systest {
namespace {

constexpr wchar_t kEnvironment[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

struct PathValue {
  DWORD type = REG_EXPAND_SZ;
  std::wstring text;
  bool operator==(const PathValue&) const = default;
};

class MachineSearchPath : public ::testing::Test {
 protected:
  PrefixLock lock_{L"MachinePath"};  // first: held from before SetUp to after TearDown

  void SetUp() override {
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironment, 0,
                              InProgramView(KEY_QUERY_VALUE | KEY_SET_VALUE), key_.Receive()),
              ERROR_SUCCESS);
    original_ = Read();
    ASSERT_TRUE(original_.has_value());
    originalValue_ = *original_;
  }

  void TearDown() override {
    if (!original_) return;
    if (originalValue_) {
      Write(*originalValue_);
    } else {
      ::RegDeleteValueW(key_.Get(), L"Path");
    }
  }

  // The value, or nothing when there is none; the outer nothing when it cannot be read.
  std::optional<std::optional<PathValue>> Read() const {
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = ::RegQueryValueExW(key_.Get(), L"Path", nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return std::optional<PathValue>();
    if (status != ERROR_SUCCESS) return std::nullopt;
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    status = ::RegQueryValueExW(key_.Get(), L"Path", nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &size);
    if (status != ERROR_SUCCESS) return std::nullopt;
    PathValue value{type, std::wstring(data.data())};
    return std::optional<PathValue>(value);
  }
  std::optional<PathValue> Current() const {
    std::optional<std::optional<PathValue>> value = Read();
    EXPECT_TRUE(value.has_value());
    return value.value_or(std::nullopt);
  }

  void Write(const PathValue& value) {
    ::RegSetValueExW(key_.Get(), L"Path", 0, value.type,
                     reinterpret_cast<const BYTE*>(value.text.c_str()),
                     static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t)));
  }
  void SetPath(const std::wstring& text, DWORD type = REG_SZ) { Write({type, text}); }
  void DeletePath() { ::RegDeleteValueW(key_.Get(), L"Path"); }

 private:
  UniqueRegKey key_;
  std::optional<std::optional<PathValue>> original_;
  std::optional<PathValue> originalValue_;
};

constexpr wchar_t kFolder[] = L"C:\\Program Files\\Quillonet Test App";

TEST_F(MachineSearchPath, AddedOnceAndRemovedExactly) {
  SetPath(L"C:\\windows\\system32;C:\\windows");
  UpdateSearchPath(kFolder, true);
  const PathValue added{REG_EXPAND_SZ,
                        L"C:\\windows\\system32;C:\\windows;C:\\Program Files\\Quillonet Test App"};
  EXPECT_EQ(Current(), added);
  UpdateSearchPath(kFolder, true);
  UpdateSearchPath(L"c:\\program files\\quillonet test app", true);
  EXPECT_EQ(Current(), added);
  // The last entry goes with the ";" before it.
  UpdateSearchPath(kFolder, false);
  EXPECT_EQ(Current(), (PathValue{REG_EXPAND_SZ, L"C:\\windows\\system32;C:\\windows"}));
}

// Another installer's edit of the machine's lists holds the lock: this one waits for it instead
// of writing back a value read before the other's change.
TEST_F(MachineSearchPath, EditWaitsForAnotherInstallersEdit) {
  SetPath(L"C:\\windows", REG_EXPAND_SZ);
  UniqueHandle taken(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread other([&taken, &release] {
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kSystemEditMutexName);
    ::WaitForSingleObject(mutex, INFINITE);
    ::SetEvent(taken.Get());
    ::WaitForSingleObject(release.Get(), INFINITE);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
  });
  ASSERT_EQ(::WaitForSingleObject(taken.Get(), 10000), WAIT_OBJECT_0);
  std::thread edit([] { UpdateSearchPath(kFolder, true); });
  ::Sleep(1000);
  EXPECT_EQ(Current(), (PathValue{REG_EXPAND_SZ, L"C:\\windows"}));
  ::SetEvent(release.Get());
  edit.join();
  other.join();
  EXPECT_EQ(Current(), (PathValue{REG_EXPAND_SZ, L"C:\\windows;" + std::wstring(kFolder)}));
}

TEST_F(MachineSearchPath, Removal) {
  struct Case {
    const char* name;
    std::wstring before;
    std::wstring after;
    std::wstring folder = kFolder;
  };
  const std::wstring folder = kFolder;
  const Case cases[] = {
      {"Middle", L"C:\\windows;" + folder + L";D:\\Tools", L"C:\\windows;D:\\Tools"},
      {"LastWithoutSeparator", L"C:\\windows;" + folder, L"C:\\windows"},
      {"OtherCase", L"C:\\windows;C:\\PROGRAM FILES\\quillonet test app;D:\\x",
       L"C:\\windows;D:\\x"},
      // The system's case folding, letters outside ASCII included.
      {"OtherCaseOutsideAscii", L"C:\\windows;C:\\\u00C4pp;D:\\x", L"C:\\windows;D:\\x",
       L"c:\\\u00E4PP"},
      // Folders that only contain the entry's text are other folders.
      {"InsideAnotherEntry", L"D:\\x\\" + folder + L";C:\\windows",
       L"D:\\x\\" + folder + L";C:\\windows"},
      {"PrefixOfAnotherEntry", L"C:\\windows;" + folder + L" 2", L"C:\\windows;" + folder + L" 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetPath(c.before, REG_EXPAND_SZ);
    UpdateSearchPath(c.folder, false);
    EXPECT_EQ(Current(), (PathValue{REG_EXPAND_SZ, c.after}));
  }
}

// An empty search path is never changed, and a missing one is not made.
TEST_F(MachineSearchPath, EmptyPathUntouched) {
  SetPath(L"", REG_SZ);
  UpdateSearchPath(kFolder, true);
  EXPECT_EQ(Current(), (PathValue{REG_SZ, L""}));
  UpdateSearchPath(kFolder, false);
  EXPECT_EQ(Current(), (PathValue{REG_SZ, L""}));
  DeletePath();
  UpdateSearchPath(kFolder, true);
  EXPECT_EQ(Current(), std::nullopt);
}

// A search path longer than any buffer is read and written back whole.
TEST_F(MachineSearchPath, LongPathKeptWhole) {
  std::wstring longPath;
  for (int i = 0; i < 600; ++i) longPath += L"C:\\Tools\\Folder" + std::to_wstring(i) + L";";
  ASSERT_GT(longPath.size(), 2 * 4096u);
  SetPath(longPath + kFolder, REG_EXPAND_SZ);
  UpdateSearchPath(kFolder, true);
  EXPECT_EQ(Current(), (PathValue{REG_EXPAND_SZ, longPath + kFolder}));
  UpdateSearchPath(kFolder, false);
  longPath.pop_back();
  EXPECT_EQ(Current(), (PathValue{REG_EXPAND_SZ, longPath}));
  UpdateSearchPath(kFolder, true);
  EXPECT_EQ(Current(), (PathValue{REG_EXPAND_SZ, longPath + L";" + kFolder}));
}

}  // namespace
}  // namespace qs::systest
