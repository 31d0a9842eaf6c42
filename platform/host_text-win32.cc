// Windows: the console window takes the program's text as characters, and
// a console that is a pipe or a file gets it in UTF-8; the 8-bit index meets
// the system's code page, which the wide calls leave behind.
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/host_text.h"
#include "platform/wide-win32.h"

std::string Console_Text(std::string_view text) {
  // UTF-8, whatever the code page: a log written to a file keeps every name.
  return Narrow(Wide(text));
}

bool Is_Terminal(std::FILE* stream) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void Console_Write(std::FILE* stream, std::string_view text) {
  if (Is_Terminal(stream)) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    std::fflush(stream);
    std::wstring wide = Wide(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::string bytes = Console_Text(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

std::string Eight_Bit_Text(std::string_view bytes) {
  if (bytes.empty()) return std::string();
  int length = static_cast<int>(bytes.size());
  int size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
  std::wstring wide(size, L'\0');
  if (size > 0) {
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(), size);
    return Narrow(wide);
  }
  // Bytes that are no character of the code page (a lead byte without its
  // trail in 932, 936, 949, an unassigned pair) become U+FFFD in their
  // place, which no name may hold: the system would put a character of its
  // choosing there.
  for (size_t i = 0; i < bytes.size();) {
    int width = IsDBCSLeadByte(static_cast<BYTE>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
    wchar_t units[4];
    int got = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data() + i, width, units, 4);
    if (got > 0) {
      wide.append(units, got);
      i += width;
    } else {
      wide += L'\xFFFD';
      ++i;
    }
  }
  return Narrow(wide);
}

void Native_Game_Chosen() {}

std::vector<std::string> Program_Arguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!words) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Narrow(words[i]));
  LocalFree(words);
  return arguments;
}

const char kPlatform_Help[] = "Anleitung: LIESMICH.txt neben morvane.exe.";

const bool kSlashOptions = true;

bool Host_Path(std::string&) {
  return false;
}
