// The registry calls of Windows itself.
#include <windows.h>

#include "platform/registry_calls.h"

namespace Registry_Calls {

long Open_Key(Root, const char* path, Handle* key) {
  // The games are 32-bit programs: their installers write to the 32-bit view.
  HKEY opened = nullptr;
  LONG code = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_32KEY, &opened);
  *key = opened;
  return code;
}

void Query_Info_Key(Handle key, uint32_t* sub_keys, uint32_t* longest_sub_key,
                    uint32_t* largest_value) {
  DWORD count = 0, longest = 0, largest = 0;
  RegQueryInfoKeyA(static_cast<HKEY>(key), nullptr, nullptr, nullptr, &count, &longest, nullptr,
                   nullptr, nullptr, &largest, nullptr, nullptr);
  if (sub_keys) *sub_keys = count;
  if (longest_sub_key) *longest_sub_key = longest;
  if (largest_value) *largest_value = largest;
}

long Enum_Key(Handle key, uint32_t index, char* name, uint32_t capacity) {
  return RegEnumKeyA(static_cast<HKEY>(key), index, name, capacity);
}

long Query_Value(Handle key, const char* name, unsigned char* data, uint32_t capacity) {
  DWORD size = capacity;
  return RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, nullptr, data, &size);
}

void Close_Key(Handle key) {
  RegCloseKey(static_cast<HKEY>(key));
}

void Format_Message(uint32_t code, char* text, uint32_t capacity) {
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, text, capacity, nullptr);
}

}  // namespace Registry_Calls
