// Reads one key out of the text of a Wine registry file (system.reg), as the
// 8-bit registry calls of Windows would show it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Wine_Registry {

struct Value {
  std::string name;
  std::string data;  // the bytes that an 8-bit value query gives, terminator included
};

struct Key {
  std::vector<std::string> sub_keys;  // ordered by name without regard to case
  std::vector<Value> values;
};

// Finds `path` (relative to HKEY_LOCAL_MACHINE, parts separated by
// backslashes, a trailing backslash allowed) in `file_text`, comparing names
// without regard to letter case. In a 64-bit prefix ("#arch=win64") a path
// below "Software" is looked up in the 32-bit view, below
// "Software\Wow6432Node". Texts come out in Windows-1252, with the best fit
// or "?" of Windows for each character the code page lacks. Nothing when the text is
// not a Wine registry file or holds no such key; lines that cannot be read
// are passed over.
std::optional<Key> Find_Key(std::string_view file_text, std::string_view path);

// The data of the named value (compared without regard to case), or nothing.
const Value* Find_Value(const Key& key, std::string_view name);

}  // namespace Wine_Registry
