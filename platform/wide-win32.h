// Windows: the program's UTF-8 text in the system's wide form (UTF-16) and
// back, for the wide calls (...W), which take every name whatever the code
// page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// UTF-8 text as UTF-16.
inline std::wstring Wide(std::string_view text) {
  if (text.empty()) return std::wstring();
  int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

// UTF-16 text as UTF-8.
inline std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string text(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

// A path for the wide calls. One too long for the system's usual limit
// (MAX_PATH, less room for a folder's 8.3 name) goes in the long-path form,
// "\\?\C:\..." or "\\?\UNC\server\...", made whole first: that form takes
// neither "/" nor "." nor "..".
inline std::wstring Wide_Path(std::string_view path) {
  std::wstring wide = Wide(path);
  if (wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\?\\")) return wide;
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  full.resize(size);
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}
