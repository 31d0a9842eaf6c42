// A command shell for the Windows build's tests, started as COMSPEC names
// it: "cmd.exe /c <command>". MORVANE_TEST_SHELL says how it misbehaves:
//   short  COPY writes half of the source and says it copied one file;
//   none   COPY writes nothing and says the same;
//   wait   reads a line of its input first (a shell that asks a question).
// Everything else goes to the real cmd.exe, which does the work.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/util-execution.h"

namespace {

int Real_Shell(const std::string& line) {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  std::string shell = std::string(system) + "\\cmd.exe";
  std::vector<char> text(line.begin(), line.end());
  text.push_back('\0');
  STARTUPINFOA start = {};
  start.cb = sizeof start;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(shell.c_str(), text.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
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
    std::FILE* in = std::fopen(source.c_str(), "rb");
    std::FILE* out = std::fopen(target.c_str(), "wb");
    std::vector<char> bytes(1 << 20);
    size_t got = in ? std::fread(bytes.data(), 1, bytes.size(), in) : 0;
    if (out) std::fwrite(bytes.data(), 1, got / 2, out);
    if (in) std::fclose(in);
    if (out) std::fclose(out);
  }
  std::printf("        1 Datei(en) kopiert.\n");
  return 0;
}

}  // namespace

int main() {
  std::string line = GetCommandLineA();
  size_t at = line.find(" /c ");
  std::string command = at == std::string::npos ? "" : line.substr(at + 4);
  const char* mode = std::getenv("MORVANE_TEST_SHELL");
  std::string how = mode ? mode : "";
  if (how == "wait") {
    char answer[256];
    if (std::fgets(answer, sizeof answer, stdin)) std::printf("(eine Antwort gelesen)\n");
  }
  Util::Execution::Command words = Util::Execution::Parse(command);
  if (words.verb == "copy" && words.arguments.size() == 2 && (how == "short" || how == "none"))
    return Claimed_Copy(words.arguments[0], words.arguments[1], how == "short");
  return Real_Shell(line);
}
