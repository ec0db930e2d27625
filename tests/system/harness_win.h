#pragma once
// Helpers of the system tests. They make real installers with the builder library from the
// freshly built stub, start them under Wine with an exact command line, wait for them, and read
// the transcript of what they showed.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "builder/container_writer.h"
#include "builder/pe_section_writer.h"
#include "core/product_settings.h"
#include "ui/transcript_format.h"

namespace qs::systest {

// ---- The system under test ----

// True on 64-bit Windows, whichever build the test program is: the 64-bit build runs only
// there, and a 32-bit one asks whether it runs under WOW64.
bool SystemIs64Bit();

// ---- Making installers ----

// The built stub: QUILLONET_STUB when set, else the path the build recorded. A Unix path
// ("/...") is taken as one on Wine's Z: drive.
std::filesystem::path StubPath();
// The stub's bytes, read once.
const std::vector<uint8_t>& StubBytes();
// The installer program of the other build (the 64-bit one for the 32-bit test program and
// the other way round): QUILLONET_OTHER_STUB when set, else the path the build expects.
std::filesystem::path OtherBuildStubPath();
// True when a 32-bit Windows program runs here (tried, not guessed); else `why` says what
// happened.
bool ThirtyTwoBitProgramsRun(std::string& why);
// A file of the source tree, such as "examples/hello/hello.toml", as Wine reaches it.
std::filesystem::path SourcePath(std::string_view relative);

// The smallest product the installer accepts ("Test Product", English with one text), with
// the given `ProductFlags`.
ProductSettings TestProduct(uint64_t productFlags);
// Its settings stream; `settings` is written unchecked, so damaged values reach the stub.
std::vector<uint8_t> SettingsStream(uint64_t productFlags);
std::vector<uint8_t> SettingsStream(const ProductSettings& settings);

// A payload file with the given content and defaults for everything else (kind 0, no flags,
// attributes left alone, a fixed date).
builder::PayloadFile MakeFile(std::string name, std::string_view content);

struct TestPayload {
  std::vector<uint8_t> section;
  builder::PayloadLayout layout;
  uint64_t productFlags = 0;
};

// Builds a payload. Unless `settings` is given, the settings stream carries `ProductFlags` with
// bit 5 matching options.compressBlocks, plus `extraFlags`.
TestPayload MakePayload(const std::vector<builder::PayloadFile>& files,
                        const builder::ContainerOptions& options = {}, uint64_t extraFlags = 0,
                        const std::optional<std::vector<uint8_t>>& settings = std::nullopt);

// The stub with `section` appended; with `checksumImage`, the installer-image checksum is stored
// in the header (at layout.installerChecksumOffset).
std::vector<uint8_t> MakeInstaller(const TestPayload& payload, bool checksumImage = false,
                                   builder::SectionEnd end = builder::SectionEnd::kPadded);
std::vector<uint8_t> MakeInstaller(const std::vector<uint8_t>& section);

// ---- Running programs ----

struct RunOptions {
  // Lines of the answers file (QUILLONET_ANSWERS); none: no answers file.
  std::vector<std::string> answers;
  // Further environment variables of the child (added or replaced).
  std::vector<std::pair<std::wstring, std::wstring>> environment;
  // Working folder of the child; empty: the test's folder.
  std::filesystem::path workingFolder;
  // How long to wait before the program is killed (and the run counts as timed out).
  uint32_t timeoutMs = 60000;
  // Asked every millisecond or so while the program runs; when it answers true the program is
  // killed where it stands (RunResult::stopped), as a user or a crash would stop it.
  std::function<bool()> stopWhen;
  // Record the user interface to a transcript (QUILLONET_TRANSCRIPT).
  bool transcript = true;
};

struct RunResult {
  bool started = false;
  uint32_t startError = 0;  // GetLastError of CreateProcessW when not started
  bool timedOut = false;
  bool stopped = false;   // killed because RunOptions::stopWhen answered true
  uint32_t exitCode = 0;  // the full code, from GetExitCodeProcess
  std::string transcriptText;
  std::vector<TranscriptRecord> transcript;

  std::vector<TranscriptRecord> Records(std::string_view kind) const;
  // The texts of all "message" records, in order.
  std::vector<std::string> MessageTexts() const;
  // The "item" texts, in order.
  std::vector<std::string> Items() const;
};

// For test failure output: exit code and the transcript.
std::ostream& operator<<(std::ostream& out, const RunResult& result);

// Fields of a "message" record.
inline const std::string& MessageIcon(const TranscriptRecord& r) {
  return r.Field(0);
}
inline const std::string& MessageButtons(const TranscriptRecord& r) {
  return r.Field(1);
}
inline const std::string& MessageCaption(const TranscriptRecord& r) {
  return r.Field(2);
}
inline const std::string& MessageText(const TranscriptRecord& r) {
  return r.Field(3);
}
inline const std::string& MessageAnswer(const TranscriptRecord& r) {
  return r.Field(4);
}

// Starts `program` with exactly `commandLine` (CreateProcessW; nothing is quoted or escaped),
// waits, and returns the full exit code. The transcript and answers files are made in
// `folder`.
RunResult RunProgram(const std::filesystem::path& program, const std::wstring& commandLine,
                     const std::filesystem::path& folder, const RunOptions& options = {});

// `"program"` followed by a space and `arguments` (nothing when empty).
std::wstring QuotedCommandLine(const std::filesystem::path& program, std::wstring_view arguments);

// Text conversions for tests.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
// The program's logs and failure summaries, UTF-16 inside, as the tests compare them.
inline std::string WideToUtf8(std::u16string_view text) {
  return WideToUtf8(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size()));
}

// ---- Fixture ----

// Each test gets its own folder under the prefix's temporary folder; it is removed after a
// passing test and kept (and named in the output) after a failing one.
class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const std::filesystem::path& Folder() const { return folder_; }

  // Writes `bytes` to `relativePath` inside the test's folder (folders are made) and returns
  // the full path.
  std::filesystem::path WriteFile(const std::filesystem::path& relativePath,
                                  const std::vector<uint8_t>& bytes);

  // Writes the installer as setup.exe and runs it as `"...\setup.exe" arguments`.
  RunResult RunInstaller(const std::vector<uint8_t>& installer, std::wstring_view arguments = {},
                         const RunOptions& options = {});
  // Runs an existing program as `"program" arguments`.
  RunResult Run(const std::filesystem::path& program, std::wstring_view arguments = {},
                const RunOptions& options = {});

 private:
  std::filesystem::path folder_;
};

// ---- Expectations ----

// The run ended by itself with `exitCode` after showing exactly one message: an error box with
// the caption "Error" whose text begins with `textStart`.
::testing::AssertionResult EndedWithError(const RunResult& result, uint32_t exitCode,
                                          std::string_view textStart);

// EndedWithError with exit code 1 and the corrupt-installer report, whose text ends with
// "Error code: N".
::testing::AssertionResult EndedWithCorruptReport(const RunResult& result, int error);

}  // namespace qs::systest
