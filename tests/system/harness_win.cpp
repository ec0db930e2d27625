#include "harness_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <system_error>

#include "builder/pe_section_writer.h"
#include "builder/settings_writer.h"
#include "core/payload_format.h"
#include "tests/support/settings_fixture.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

// The test program's output goes to a pipe, where it would be held back in a buffer: a test
// program that dies would then take with it everything it printed, the name of the test that
// was running included. Unbuffered, the output gets as far as the program did.
[[maybe_unused]] const bool kOutputUnbuffered = [] {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  return true;
}();

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteBytes(const fs::path& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

// Wine maps the Unix root to drive Z:.
fs::path FromBuildPath(const std::wstring& path) {
  if (!path.empty() && path[0] == L'/') {
    std::wstring windows = L"Z:" + path;
    std::replace(windows.begin(), windows.end(), L'/', L'\\');
    return windows;
  }
  return path;
}

std::wstring EnvironmentVariable(const wchar_t* name) {
  const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(::GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

bool SameVariableName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

// The parent's environment with `changes` added or replaced, as a CreateProcessW block.
std::vector<wchar_t> EnvironmentBlock(
    const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
  std::vector<std::wstring> entries;
  if (wchar_t* strings = ::GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
      std::wstring_view text(entry);
      // Entries such as "=C:=C:\dir" carry the per-drive folders; keep them.
      const size_t equals = text.find(L'=', 1);
      const std::wstring_view name = text.substr(0, equals);
      const bool replaced = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
        return SameVariableName(change.first, name);
      });
      if (!replaced) entries.emplace_back(text);
    }
    ::FreeEnvironmentStringsW(strings);
  }
  for (const auto& [name, value] : changes) entries.push_back(name + L"=" + value);
  std::vector<wchar_t> block;
  for (const std::wstring& entry : entries) {
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

std::string SafeFolderName(std::string name) {
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.') c = '_';
  }
  return name;
}

}  // namespace

// ---- Text ----

std::wstring Utf8ToWide(std::string_view text) {
  if (text.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string WideToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                        nullptr, nullptr);
  return narrow;
}

// ---- Making installers ----

bool SystemIs64Bit() {
#if defined(_WIN64)
  return true;
#else
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

fs::path StubPath() {
  std::wstring path = EnvironmentVariable(L"QUILLONET_STUB");
#ifdef QS_STUB_PATH
  if (path.empty()) path = Utf8ToWide(QS_STUB_PATH);
#endif
  return FromBuildPath(path);
}

fs::path SourcePath(std::string_view relative) {
  std::string path = std::string(QS_SOURCE_DIR) + "/" + std::string(relative);
  return FromBuildPath(Utf8ToWide(path));
}

const std::vector<uint8_t>& StubBytes() {
  static const std::vector<uint8_t> bytes = ReadBytes(StubPath());
  return bytes;
}

fs::path OtherBuildStubPath() {
  std::wstring path = EnvironmentVariable(L"QUILLONET_OTHER_STUB");
#ifdef QS_OTHER_STUB_PATH
  if (path.empty()) path = Utf8ToWide(QS_OTHER_STUB_PATH);
#endif
  return FromBuildPath(path);
}

bool ThirtyTwoBitProgramsRun(std::string& why) {
  wchar_t windows[MAX_PATH] = {};
  ::GetWindowsDirectoryW(windows, MAX_PATH);
  // A real 32-bit program of the system's own: its command interpreter in SysWOW64.
  const fs::path interpreter = fs::path(windows) / L"SysWOW64" / L"cmd.exe";
  RunOptions options;
  options.transcript = false;
  const RunResult result = RunProgram(interpreter, L"\"" + interpreter.wstring() + L"\" /c exit 7",
                                      fs::current_path(), options);
  if (result.exitCode == 7) return true;
  why = "32-bit programs do not run here (" + WideToUtf8(interpreter.wstring()) + " /c exit 7 " +
        (result.started ? "ended with " + std::to_string(result.exitCode)
                        : "did not start: error " + std::to_string(result.startError)) +
        ")";
  return false;
}

ProductSettings TestProduct(uint64_t productFlags) {
  ProductSettings settings = test_support::MinimalSettings();
  // No background window: its transcript records would stand between most tests and what they
  // read; the tests of the window ask for it.
  settings.ProductFlags = productFlags | kFlagNoBackgroundWindow;
  settings.DisplayName = u"Test Product";
  return settings;
}

std::vector<uint8_t> SettingsStream(uint64_t productFlags) {
  return SettingsStream(TestProduct(productFlags));
}

std::vector<uint8_t> SettingsStream(const ProductSettings& settings) {
  return builder::WriteSettingsStreamUnchecked(settings);
}

builder::PayloadFile MakeFile(std::string name, std::string_view content) {
  builder::PayloadFile file;
  file.name = std::move(name);
  file.dateTime = DateTime{2024, 5, 17, 12, 30, 0};
  file.content.assign(content.begin(), content.end());
  return file;
}

TestPayload MakePayload(const std::vector<builder::PayloadFile>& files,
                        const builder::ContainerOptions& options, uint64_t extraFlags,
                        const std::optional<std::vector<uint8_t>>& settings) {
  TestPayload payload;
  payload.productFlags = (options.compressBlocks ? kFlagCompressedBlocks : 0) | extraFlags;
  std::string error;
  const bool built =
      builder::BuildPayload(settings ? *settings : SettingsStream(payload.productFlags), files,
                            options, payload.section, error, &payload.layout);
  EXPECT_TRUE(built) << error;
  return payload;
}

std::vector<uint8_t> MakeInstaller(const TestPayload& payload, bool checksumImage,
                                   builder::SectionEnd end) {
  const std::vector<uint8_t>& stub = StubBytes();
  EXPECT_FALSE(stub.empty()) << "cannot read the stub " << StubPath().string();
  std::vector<uint8_t> installer;
  std::string error;
  EXPECT_TRUE(builder::BuildInstallerImage(stub, payload.section, checksumImage,
                                           payload.layout.installerChecksumOffset, installer, error,
                                           end))
      << error;
  return installer;
}

std::vector<uint8_t> MakeInstaller(const std::vector<uint8_t>& section) {
  TestPayload payload;
  payload.section = section;
  return MakeInstaller(payload, false);
}

// ---- Running programs ----

std::vector<TranscriptRecord> RunResult::Records(std::string_view kind) const {
  std::vector<TranscriptRecord> records;
  for (const TranscriptRecord& record : transcript) {
    if (record.kind == kind) records.push_back(record);
  }
  return records;
}

std::vector<std::string> RunResult::MessageTexts() const {
  std::vector<std::string> texts;
  for (const TranscriptRecord& record : Records("message")) texts.push_back(MessageText(record));
  return texts;
}

std::vector<std::string> RunResult::Items() const {
  std::vector<std::string> items;
  for (const TranscriptRecord& record : Records("item")) items.push_back(record.Field(0));
  return items;
}

std::ostream& operator<<(std::ostream& out, const RunResult& result) {
  if (!result.started) return out << "program not started (error " << result.startError << ")";
  out << "exit code " << result.exitCode << (result.timedOut ? " (timed out, killed)" : "")
      << (result.stopped ? " (stopped by the test)" : "");
  out << "; transcript:\n" << (result.transcriptText.empty() ? "(empty)\n" : result.transcriptText);
  return out;
}

std::wstring QuotedCommandLine(const fs::path& program, std::wstring_view arguments) {
  std::wstring line = L"\"" + program.wstring() + L"\"";
  if (!arguments.empty()) {
    line += L' ';
    line += arguments;
  }
  return line;
}

RunResult RunProgram(const fs::path& program, const std::wstring& commandLine,
                     const fs::path& folder, const RunOptions& options) {
  static std::atomic<int> runCounter{0};
  const std::wstring runName = L"run" + std::to_wstring(++runCounter);
  RunResult result;

  std::vector<std::pair<std::wstring, std::wstring>> environment;
  fs::path transcriptPath;
  if (options.transcript) {
    transcriptPath = folder / (runName + L"-transcript.txt");
    std::error_code ignored;
    fs::remove(transcriptPath, ignored);
    environment.emplace_back(Utf8ToWide(kTranscriptVariable), transcriptPath.wstring());
  }
  if (!options.answers.empty()) {
    const fs::path answersPath = folder / (runName + L"-answers.txt");
    std::string text;
    for (const std::string& line : options.answers) text += line + "\n";
    if (!WriteBytes(answersPath, text.data(), text.size())) {
      ADD_FAILURE() << "cannot write " << answersPath.string();
    }
    environment.emplace_back(Utf8ToWide(kAnswersVariable), answersPath.wstring());
  }
  environment.insert(environment.end(), options.environment.begin(), options.environment.end());
  std::vector<wchar_t> environmentBlock = EnvironmentBlock(environment);

  const fs::path workingFolder = options.workingFolder.empty() ? folder : options.workingFolder;
  std::wstring mutableCommandLine = commandLine;  // CreateProcessW may write to it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program.c_str(), mutableCommandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environmentBlock.data(), workingFolder.c_str(),
                        &startup, &process)) {
    result.startError = ::GetLastError();
    return result;
  }
  result.started = true;
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);

  const ULONGLONG deadline = ::GetTickCount64() + options.timeoutMs;
  const DWORD pollMs = options.stopWhen ? 1 : options.timeoutMs;
  for (;;) {
    if (::WaitForSingleObject(process.hProcess, pollMs) == WAIT_OBJECT_0) break;
    const bool stop = options.stopWhen && options.stopWhen();
    if (stop || !options.stopWhen || ::GetTickCount64() >= deadline) {
      (stop ? result.stopped : result.timedOut) = true;
      ::TerminateProcess(process.hProcess, 0xDEAD);
      ::WaitForSingleObject(process.hProcess, 10000);
      break;
    }
  }
  DWORD exitCode = 0;
  ::GetExitCodeProcess(process.hProcess, &exitCode);
  result.exitCode = exitCode;

  if (options.transcript) {
    const std::vector<uint8_t> text = ReadBytes(transcriptPath);
    result.transcriptText.assign(text.begin(), text.end());
    result.transcript = ParseTranscript(result.transcriptText);
  }
  return result;
}

// ---- Fixture ----

void SystemTest::SetUp() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name =
      SafeFolderName(std::string(test->test_suite_name()) + "." + test->name() + "-" +
                     std::to_string(::GetCurrentProcessId()));
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  folder_ = fs::path(temp) / "quillonet-tests" / name;
  std::error_code error;
  fs::remove_all(folder_, error);
  fs::create_directories(folder_, error);
  ASSERT_FALSE(error) << "cannot make " << folder_.string() << ": " << error.message();
  ASSERT_FALSE(StubBytes().empty()) << "cannot read the stub " << StubPath().string();
}

void SystemTest::TearDown() {
  if (HasFailure()) {
    std::printf("test files kept in %s\n", folder_.string().c_str());
    return;
  }
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

fs::path SystemTest::WriteFile(const fs::path& relativePath, const std::vector<uint8_t>& bytes) {
  const fs::path path = folder_ / relativePath;
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  EXPECT_TRUE(WriteBytes(path, bytes.data(), bytes.size())) << "cannot write " << path.string();
  return path;
}

RunResult SystemTest::RunInstaller(const std::vector<uint8_t>& installer,
                                   std::wstring_view arguments, const RunOptions& options) {
  return Run(WriteFile(L"setup.exe", installer), arguments, options);
}

RunResult SystemTest::Run(const fs::path& program, std::wstring_view arguments,
                          const RunOptions& options) {
  return RunProgram(program, QuotedCommandLine(program, arguments), folder_, options);
}

// ---- Expectations ----

::testing::AssertionResult EndedWithError(const RunResult& result, uint32_t exitCode,
                                          std::string_view textStart) {
  if (!result.started || result.timedOut || result.exitCode != exitCode) {
    return ::testing::AssertionFailure() << "expected exit code " << exitCode << ", got " << result;
  }
  const std::vector<TranscriptRecord> messages = result.Records("message");
  if (messages.size() != 1) {
    return ::testing::AssertionFailure() << "expected exactly one message, got " << result;
  }
  const TranscriptRecord& message = messages[0];
  if (MessageIcon(message) != "error" || MessageCaption(message) != "Error") {
    return ::testing::AssertionFailure()
           << "expected an error box captioned \"Error\", got " << result;
  }
  if (MessageText(message).compare(0, textStart.size(), textStart) != 0) {
    return ::testing::AssertionFailure()
           << "expected a message beginning \"" << textStart << "\", got " << result;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult EndedWithCorruptReport(const RunResult& result, int error) {
  ::testing::AssertionResult ended =
      EndedWithError(result, 1, "This installation program is corrupt.");
  if (!ended) return ended;
  const std::string expectedEnd = "\r\n\r\nError code: " + std::to_string(error);
  const std::vector<TranscriptRecord> messages = result.Records("message");
  const std::string& text = MessageText(messages[0]);
  if (text.size() < expectedEnd.size() ||
      text.compare(text.size() - expectedEnd.size(), expectedEnd.size(), expectedEnd) != 0) {
    return ::testing::AssertionFailure()
           << "expected \"Error code: " << error << "\", got " << result;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace qs::systest
