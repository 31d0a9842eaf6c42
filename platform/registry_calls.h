// The six platform calls on which registry access is built, in the form of
// the Windows calls, with names and texts in UTF-8 (sizes in its bytes). On
// Windows they are the real, wide calls; elsewhere they are answered from
// the Wine prefix's registry file.
#pragma once

#include <cstdint>

namespace Registry_Calls {

using Handle = void*;
// The native build reads the machine's part of a prefix's registry only
// (system.reg): a key of the user's part is not there.
enum class Root { Local_Machine, Current_User };

// RegOpenKey: 0 and a handle for an existing key, a system error code otherwise.
long Open_Key(Root root, const char* path, Handle* key);
// RegQueryInfoKey: the outputs that are not null are written when known.
void Query_Info_Key(Handle key, uint32_t* sub_keys, uint32_t* longest_sub_key,
                    uint32_t* largest_value);
// RegEnumKey: the name of subkey `index`, zero-terminated, into `name`.
long Enum_Key(Handle key, uint32_t index, char* name, uint32_t capacity);
// RegQueryValueEx: the named value's data bytes into `data`, a text in UTF-8.
long Query_Value(Handle key, const char* name, unsigned char* data, uint32_t capacity);
// RegCloseKey.
void Close_Key(Handle key);
// FormatMessage from the system's table: the text for `code`, zero-terminated.
void Format_Message(uint32_t code, char* text, uint32_t capacity);

}  // namespace Registry_Calls
