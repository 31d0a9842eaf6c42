// A command shell for the Windows build's tests, started as COMSPEC names
// it: "cmd.exe /D /V:OFF /C <command>". MORVANE_TEST_SHELL says how it
// misbehaves:
//   short  COPY writes half of the source and says it copied one file;
//   none   COPY writes nothing and says the same;
//   wait   reads a line of its input first (a shell that asks a question);
//   line   says the command line it was started on, then does the work;
//   noren  refuses every REN, as a shell that cannot reach the file.
// Started as a program of its own with MORVANE_TEST_SHELL=hold:<path>, it
// holds that file open as a running game does (no one may delete or
// replace it), says "held" and waits for a line of its input; with
// share:<path> it lets others read, write and delete it meanwhile.
// Everything else goes to the real cmd.exe, which does the work.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/wide-win32.h"
#include "support/util-execution.h"

namespace {

int Real_Shell(std::wstring line) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring shell = std::wstring(system) + L"\\cmd.exe";
  line.push_back(L'\0');
  STARTUPINFOW start = {};
  start.cb = sizeof start;
  PROCESS_INFORMATION process;
  if (!CreateProcessW(shell.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &start, &process))
    return 9009;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(status);
}

// A copy that claims to be done: half of the source's bytes, or none.
int Claimed_Copy(const std::string& source, const std::string& target, bool half) {
  if (half) {
    std::FILE* in = _wfopen(Wide(source).c_str(), L"rb");
    std::FILE* out = _wfopen(Wide(target).c_str(), L"wb");
    std::vector<char> bytes(1 << 20);
    size_t got = in ? std::fread(bytes.data(), 1, bytes.size(), in) : 0;
    if (out) std::fwrite(bytes.data(), 1, got / 2, out);
    if (in) std::fclose(in);
    if (out) std::fclose(out);
    // As COPY does, the copy takes the source's read-only attribute.
    DWORD attributes = GetFileAttributesW(Wide(source).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
      SetFileAttributesW(Wide(target).c_str(), FILE_ATTRIBUTE_READONLY);
  }
  std::printf("        1 Datei(en) kopiert.\n");
  return 0;
}

}  // namespace

int main() {
  std::wstring wide = GetCommandLineW();
  std::string line = Narrow(wide);
  size_t at = line.find(" /C ");
  std::string command = at == std::string::npos ? "" : line.substr(at + 4);
  const char* mode = std::getenv("MORVANE_TEST_SHELL");
  std::string how = mode ? mode : "";
  if (how == "line") std::printf("(Shell: %s)\n", line.c_str());
  if (how.starts_with("hold:") || how.starts_with("share:")) {
    bool shared = how.starts_with("share:");
    HANDLE held = CreateFileW(
        Wide(how.substr(how.find(':') + 1)).c_str(), GENERIC_READ,
        shared ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::printf(held == INVALID_HANDLE_VALUE ? "not held\n" : "held\n");
    std::fflush(stdout);
    char answer[16];
    std::fgets(answer, sizeof answer, stdin);
    return 0;
  }
  if (how == "wait") {
    char answer[256];
    if (std::fgets(answer, sizeof answer, stdin)) std::printf("(eine Antwort gelesen)\n");
  }
  Util::Execution::Command words = Util::Execution::Parse(command);
  if (words.verb == "ren" && how == "noren") {
    std::printf("Access denied.\n");
    return 1;
  }
  if (words.verb == "copy" && words.arguments.size() == 2 && (how == "short" || how == "none"))
    return Claimed_Copy(words.arguments[0], words.arguments[1], how == "short");
  return Real_Shell(wide);
}
