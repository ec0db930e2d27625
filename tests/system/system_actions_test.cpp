// What the run starts outside itself: batches, programs, documents and the notification
// request, done for real inside this process under Wine, and recorded instead in a test run.
// The restart is only ever recorded.
// Winsock declares what windows.h would otherwise declare in its older form.
#include <winsock2.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "base/handle_win.h"
#include "base/system_library_win.h"
#include "core/installer_state_win.h"
#include "core/system_actions_factory_win.h"
#include "core/system_actions_win.h"
#include "harness_win.h"
#include "ui/transcript_file_win.h"
#include "uninstall/self_removal_win.h"

namespace qs::systest {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const fs::path& path, std::string_view text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The started process works on its own: wait for the file it writes.
// Waits until the started program has written the file and let go of it: not empty, and open
// to no one else (a program may write its line in more than one piece).
bool WaitForFile(const fs::path& path,
                 std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  std::error_code ignored;
  while (std::chrono::steady_clock::now() < end) {
    if (fs::exists(path, ignored) && fs::file_size(path, ignored) > 0) {
      UniqueFileHandle alone(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
      if (alone) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

class SystemActionsTest : public SystemTest {};

// The batch is given by its path in a folder with a space; it runs in its own folder, so
// the relative name of its output lands beside it.
TEST_F(SystemActionsTest, LaunchBatchStartsTheBatchInItsFolderWithoutWaiting) {
  const fs::path batch = Folder() / L"batch folder" / L"write marker.bat";
  WriteText(batch, "@echo off\r\necho batch ran> marker.txt\r\n");
  std::unique_ptr<SystemActions> actions = MakeRealSystemActions();
  ASSERT_TRUE(actions->LaunchBatch(batch.wstring()));
  const fs::path marker = batch.parent_path() / L"marker.txt";
  ASSERT_TRUE(WaitForFile(marker));
  EXPECT_EQ(ReadText(marker), "batch ran\r\n");
}

TEST_F(SystemActionsTest, StartProgramRunsTheCommandInTheGivenFolder) {
  std::unique_ptr<SystemActions> actions = MakeRealSystemActions();
  EXPECT_EQ(actions->StartProgram(L"cmd.exe /c echo started> started.txt", Folder().wstring()), 0u);
  ASSERT_TRUE(WaitForFile(Folder() / L"started.txt"));
  EXPECT_EQ(ReadText(Folder() / L"started.txt"), "started\r\n");
}

TEST_F(SystemActionsTest, StartAndOpenReportTheSystemErrorOfAMissingFile) {
  std::unique_ptr<SystemActions> actions = MakeRealSystemActions();
  const std::wstring missing = (Folder() / L"no such program.exe").wstring();
  const DWORD startError = actions->StartProgram(L"\"" + missing + L"\"", L"");
  EXPECT_TRUE(startError == ERROR_FILE_NOT_FOUND || startError == ERROR_PATH_NOT_FOUND)
      << startError;
  const DWORD openError = actions->OpenThroughShell(missing, Folder().wstring());
  EXPECT_TRUE(openError == ERROR_FILE_NOT_FOUND || openError == ERROR_PATH_NOT_FOUND) << openError;
}

TEST_F(SystemActionsTest, OpenThroughShellOpensADocumentByItsAssociation) {
  const fs::path batch = Folder() / L"opened.bat";
  WriteText(batch, "@echo off\r\necho opened> \"" + (Folder() / L"opened.txt").string() + "\"\r\n");
  std::unique_ptr<SystemActions> actions = MakeRealSystemActions();
  ASSERT_EQ(actions->OpenThroughShell(batch.wstring(), Folder().wstring()), 0u);
  ASSERT_TRUE(WaitForFile(Folder() / L"opened.txt"));
  EXPECT_EQ(ReadText(Folder() / L"opened.txt"), "opened\r\n");
}

// ---- The notification request, answered by a server of the test ----

// Winsock, loaded as the program loads its libraries.
struct Winsock {
  UniqueModule module = LoadSystemLibrary(L"ws2_32.dll");
  decltype(&::WSAStartup) startup = LibraryFunction<decltype(startup)>(module, "WSAStartup");
  decltype(&::socket) socket = LibraryFunction<decltype(socket)>(module, "socket");
  decltype(&::bind) bind = LibraryFunction<decltype(bind)>(module, "bind");
  decltype(&::listen) listen = LibraryFunction<decltype(listen)>(module, "listen");
  decltype(&::getsockname) getsockname =
      LibraryFunction<decltype(getsockname)>(module, "getsockname");
  decltype(&::select) select = LibraryFunction<decltype(select)>(module, "select");
  decltype(&::accept) accept = LibraryFunction<decltype(accept)>(module, "accept");
  decltype(&::recv) recv = LibraryFunction<decltype(recv)>(module, "recv");
  decltype(&::send) send = LibraryFunction<decltype(send)>(module, "send");
  decltype(&::closesocket) closesocket =
      LibraryFunction<decltype(closesocket)>(module, "closesocket");

  bool Loaded() const {
    return startup && socket && bind && listen && getsockname && select && accept && recv && send &&
           closesocket;
  }
  bool Readable(SOCKET s, int seconds) const {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval timeout{seconds, 0};
    return select(0, &set, nullptr, nullptr, &timeout) == 1;
  }
};

TEST_F(SystemActionsTest, NotificationRequestsTheAddressWithTheVersionEncoded) {
  Winsock ws;
  ASSERT_TRUE(ws.Loaded());
  WSADATA data;
  ASSERT_EQ(ws.startup(MAKEWORD(2, 2), &data), 0);
  const SOCKET server = ws.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(server, INVALID_SOCKET);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
  int length = sizeof address;
  ASSERT_EQ(ws.bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(ws.listen(server, 1), 0);
  ASSERT_EQ(ws.getsockname(server, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const int port = (address.sin_port & 0xFF) << 8 | (address.sin_port >> 8);

  ASSERT_TRUE(TranscriptPath().empty());  // this process does things for real
  StartNotificationRequest("http://127.0.0.1:" + std::to_string(port) + "/done?v=%version%",
                           u"2.0 beta");
  ASSERT_TRUE(GetInstallerState().notifierThread.Valid());

  std::string request;
  ASSERT_TRUE(ws.Readable(server, 30)) << "no request came";
  const SOCKET client = ws.accept(server, nullptr, nullptr);
  ASSERT_NE(client, INVALID_SOCKET);
  char buffer[1024];
  while (request.find("\r\n\r\n") == std::string::npos && ws.Readable(client, 30)) {
    const int received = ws.recv(client, buffer, sizeof buffer, 0);
    if (received <= 0) break;
    request.append(buffer, static_cast<size_t>(received));
  }
  const std::string answer = "HTTP/1.0 204 No Content\r\nConnection: close\r\n\r\n";
  ws.send(client, answer.data(), static_cast<int>(answer.size()), 0);
  ws.closesocket(client);
  ws.closesocket(server);

  EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /done?v=2.0%20beta HTTP/1.1");
  // The thread ends by itself once answered; the program's exit waits for it.
  EXPECT_EQ(::WaitForSingleObject(GetInstallerState().notifierThread.Get(), 30000), WAIT_OBJECT_0);
  GetInstallerState().notifierThread.Reset();
}

// ---- Recording ----

constexpr char kRecordingChild[] = "SystemActionsRecordingChild.RecordsEveryCall";

// Started by the test below with a transcript; skipped when run on its own. It asks once for
// everything the run can start outside itself, the restart included: with the transcript set
// nothing of it is done.
TEST(SystemActionsRecordingChild, RecordsEveryCall) {
  if (TranscriptPath().empty()) GTEST_SKIP() << "runs only as the child of a recording test";
  StartSystemActions();
  SystemActions& actions = System();
  EXPECT_TRUE(actions.Restart());
  EXPECT_EQ(actions.StartProgram(L"notepad.exe C:\\x.txt", L"C:\\Work"), 0u);
  EXPECT_EQ(actions.OpenThroughShell(L"C:\\Caf\u00E9\\readme.txt", L""), 0u);
  // A command in the "|" form is written to the batch in the code page.
  EXPECT_TRUE(UninstallThenReinstall("|setup.exe /u:\"App\""));
  StartNotificationRequest("", u"1.0");  // no address, no request
  StartNotificationRequest("http://example.com/?v=%version%", u"2.0 beta");
  std::error_code ignored;
  fs::remove(SelfRemovalFolder() + L"\\utrri.bat", ignored);
}

TEST_F(SystemActionsTest, TestRunsRecordInsteadOfDoing) {
  wchar_t self[MAX_PATH];
  ASSERT_NE(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  const std::wstring commandLine =
      QuotedCommandLine(self, L"--gtest_filter=" + Utf8ToWide(kRecordingChild));
  RunResult result = RunProgram(self, commandLine, Folder());
  ASSERT_EQ(result.exitCode, 0u) << result;

  const std::string batchPath = WideToUtf8(SelfRemovalFolder() + L"\\utrri.bat");
  const std::vector<TranscriptRecord> expected = {
      {"restart", {}},
      {"start", {"notepad.exe C:\\x.txt", "C:\\Work"}},
      {"open", {"C:\\Caf\xC3\xA9\\readme.txt", ""}},
      // The installer's own command line exactly as this test gave it.
      {"batch",
       {batchPath, "setup.exe /u:\"App\"\r\n" + WideToUtf8(commandLine) + "\r\ndel \"" + batchPath +
                       "\"\r\n"}},
      {"notify", {"http://example.com/?v=2.0%20beta"}},
  };
  ASSERT_EQ(result.transcript.size(), expected.size()) << result;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(result.transcript[i].kind, expected[i].kind) << i;
    EXPECT_EQ(result.transcript[i].fields, expected[i].fields) << i;
  }
}

}  // namespace
}  // namespace qs::systest
