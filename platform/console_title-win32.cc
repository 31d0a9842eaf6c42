// Windows: the console window's title, read at the start and given back at
// the end. It is no part of the output, whatever that is.
#include <windows.h>

#include "platform/console_title.h"
#include "platform/wide-win32.h"

namespace {

std::wstring old_title;

}  // namespace

bool Console_Title_Begin() {
  wchar_t title[1024] = {};
  SetLastError(ERROR_SUCCESS);
  DWORD length = GetConsoleTitleW(title, 1024);
  if (length == 0 && GetLastError() != ERROR_SUCCESS) return false;
  old_title.assign(title, length < 1024 ? length : 1023);
  return true;
}

void Console_Title(const std::string& text) {
  SetConsoleTitleW(Wide(text).c_str());
}

void Console_Title_End() {
  SetConsoleTitleW(old_title.c_str());
}
