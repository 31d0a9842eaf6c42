// Reads one key out of the text of a Wine registry file (system.reg), its
// names and texts in UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Wine_Registry {

// The first line of every registry file that Wine writes.
inline constexpr char kHeader[] = "WINE REGISTRY Version 2";

// Wine reads a registry's keys in any order, so a registry file is read
// whole up to this size; one larger than any Wine writes is looked up by
// halves (Locate), taken to hold its keys in Wine's order.
inline constexpr long kRead_Whole_Up_To = 64 << 20;

struct Value {
  std::string name;
  std::string data;  // a text in UTF-8, other data as stored; a terminator included
};

struct Key {
  std::vector<std::string> sub_keys;  // ordered by name without regard to case
  std::vector<Value> values;
};

// Finds `path` (relative to HKEY_LOCAL_MACHINE, parts separated by
// backslashes, a trailing backslash allowed) in `file_text`, comparing names
// without regard to letter case. In a 64-bit prefix ("#arch=win64") a path
// below "Software" is looked up in the 32-bit view, below
// "Software\Wow6432Node". Texts come out in UTF-8, whatever characters they
// hold (a lone surrogate as "?"). Nothing when the text is
// not a Wine registry file or holds no such key; lines that cannot be read
// are passed over.
std::optional<Key> Find_Key(std::string_view file_text, std::string_view path);

// The bytes of a file from `offset` on, at most `size` of them (fewer at its end).
using Reader = std::function<std::string(uint64_t offset, size_t size)>;

// Where a registry file holds a key and the keys below it: its header
// before `header`, the keys from `start` to `end`.
struct Span {
  uint64_t header = 0, start = 0, end = 0;
};

// Where a registry file of `file_size` bytes, its keys in the order in which
// Wine writes them, holds `path` (as for Find_Key): looked up by halves,
// reading a few pages, not the whole file. Nothing when it surely does not;
// the whole file when that cannot be told so (a file of another form).
std::optional<Span> Locate(const Reader& read, uint64_t file_size, std::string_view path);

// The data of the named value (compared without regard to case), or nothing.
const Value* Find_Value(const Key& key, std::string_view name);

}  // namespace Wine_Registry
