// The registry calls of Windows itself, the wide ones: a name or folder in
// any language comes out whole, whatever the system's code page.
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/registry_calls.h"
#include "platform/wide-win32.h"

namespace Registry_Calls {

namespace {

// Copies text with its zero byte into `out`; false when it does not fit.
bool Put(const std::string& text, char* out, uint32_t capacity) {
  if (text.size() + 1 > capacity) return false;
  std::memcpy(out, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace

long Open_Key(Root root, const char* path, Handle* key) {
  // The games are 32-bit programs: their installers write to the 32-bit view.
  HKEY opened = nullptr;
  LONG code = RegOpenKeyExW(root == Root::Current_User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                            Wide(path).c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &opened);
  *key = opened;
  return code;
}

void Query_Info_Key(Handle key, uint32_t* sub_keys, uint32_t* longest_sub_key,
                    uint32_t* largest_value) {
  DWORD count = 0, longest = 0, largest = 0;
  RegQueryInfoKeyW(static_cast<HKEY>(key), nullptr, nullptr, nullptr, &count, &longest, nullptr,
                   nullptr, nullptr, &largest, nullptr, nullptr);
  // In UTF-8 a unit of UTF-16 (two bytes) takes at most three bytes.
  if (sub_keys) *sub_keys = count;
  if (longest_sub_key) *longest_sub_key = longest * 3;
  if (largest_value) *largest_value = largest / 2 * 3 + 2;
}

long Enum_Key(Handle key, uint32_t index, char* name, uint32_t capacity) {
  std::vector<wchar_t> wide(capacity + 1, L'\0');
  LONG code = RegEnumKeyW(static_cast<HKEY>(key), index, wide.data(), capacity + 1);
  if (code != ERROR_SUCCESS) return code;
  return Put(Narrow(wide.data()), name, capacity) ? 0 : ERROR_MORE_DATA;
}

long Query_Value(Handle key, const char* name, unsigned char* data, uint32_t capacity) {
  DWORD type = 0, size = 0;
  std::wstring value_name = Wide(name);
  LONG code =
      RegQueryValueExW(static_cast<HKEY>(key), value_name.c_str(), nullptr, &type, nullptr, &size);
  if (code != ERROR_SUCCESS) return code;
  std::vector<unsigned char> bytes(size + 2, 0);
  code = RegQueryValueExW(static_cast<HKEY>(key), value_name.c_str(), nullptr, &type, bytes.data(),
                          &size);
  if (code != ERROR_SUCCESS) return code;
  std::string out(reinterpret_cast<const char*>(bytes.data()), size);
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
    out = Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(bytes.data()), size / 2));
  if (out.size() > capacity) return ERROR_MORE_DATA;
  std::memcpy(data, out.data(), out.size());
  return 0;
}

void Close_Key(Handle key) {
  RegCloseKey(static_cast<HKEY>(key));
}

void Format_Message(uint32_t code, char* text, uint32_t capacity) {
  wchar_t wide[512] = L"";
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, wide,
                 512, nullptr);
  std::string message = Narrow(wide);
  if (capacity == 0) return;
  if (message.size() >= capacity) message.resize(capacity - 1);
  std::memcpy(text, message.c_str(), message.size() + 1);
}

}  // namespace Registry_Calls
