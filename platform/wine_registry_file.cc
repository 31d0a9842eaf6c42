// Wine's registry file format: "WINE REGISTRY Version 2", then key lines
// "[Path\\To\\Key] time" each followed by its values ("name"="text",
// str(N):"...", dword:..., hex(N):..., @= for the default value).
#include "platform/wine_registry_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/digits.h"
#include "base/utf8.h"

namespace Wine_Registry {

namespace {

const int kString = 1, kExpandString = 2, kMultiString = 7;

bool Same_Name(std::string_view a, std::string_view b) {
  return Utf8::Fold(a) == Utf8::Fold(b);
}

bool Before(const std::string& a, const std::string& b) {
  std::string x = Utf8::Fold(a), y = Utf8::Fold(b);
  return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
    return static_cast<unsigned char>(p) < static_cast<unsigned char>(q);
  });
}

// Appends UTF-16 code units as text: a pair of surrogates is one character,
// a lone one is "?", as the system's conversion has it.
void Put_Utf16(std::string& out, const std::vector<unsigned>& units) {
  for (size_t i = 0; i < units.size(); ++i) {
    unsigned unit = units[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      Utf8::Put(out, 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00));
    } else if (unit >= 0xD800 && unit < 0xE000) {
      out += '?';
    } else {
      Utf8::Put(out, unit);
    }
  }
}

// Reads an escaped text from `line` at `pos` up to the unescaped `end`
// character (taken); false when the line ends first.
bool Unescape(std::string_view line, size_t& pos, char end, std::string& out) {
  std::vector<unsigned> escaped;  // \x and octal escapes are UTF-16 code units
  auto flush = [&] {
    Put_Utf16(out, escaped);
    escaped.clear();
  };
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == end) {
      flush();
      return true;
    }
    if (c != '\\' || pos == line.size()) {
      flush();
      out += c;
      continue;
    }
    c = line[pos++];
    const char* simple = "a\ab\bt\tn\nv\vf\fr\re\x1b";
    const char* found = nullptr;
    for (const char* s = simple; *s; s += 2)
      if (*s == c) found = s;
    if (found) {
      flush();
      out += found[1];
    } else if (c >= '0' && c <= '7') {
      unsigned code = c - '0';
      for (int n = 1; n < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++n)
        code = code * 8 + (line[pos++] - '0');
      escaped.push_back(code);
    } else if (c == 'x' && pos < line.size() && Digit_Value(line[pos]) < 16) {
      unsigned code = 0;
      for (int n = 0; n < 4 && pos < line.size() && Digit_Value(line[pos]) < 16; ++n)
        code = code * 16 + Digit_Value(line[pos++]);
      escaped.push_back(code);
    } else {
      flush();
      out += c;
    }
  }
  return false;
}

std::vector<std::string> Split_Path(std::string_view path) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find('\\', pos);
    if (end == std::string_view::npos) end = path.size();
    if (end > pos) parts.emplace_back(path.substr(pos, end - pos));
    pos = end + 1;
  }
  return parts;
}

// The lines of the text, each without its LF or CR LF.
std::vector<std::string_view> Lines_Of(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

// Raw bytes "hex:01,02,..." or "hex(N):...", continued on the next lines
// while a line ends in a backslash. `i` moves to the last line used.
std::string Hex_Bytes(const std::vector<std::string_view>& lines, size_t& i, size_t pos) {
  std::string bytes;
  std::string_view line = lines[i];
  for (;;) {
    while (pos < line.size()) {
      int high = Digit_Value(line[pos]);
      int low = pos + 1 < line.size() ? Digit_Value(line[pos + 1]) : 99;
      if (high < 16 && low < 16) {
        bytes += static_cast<char>(high * 16 + low);
        pos += 2;
      } else {
        ++pos;
      }
    }
    size_t last = line.find_last_not_of(" \t");
    if (last == std::string_view::npos || line[last] != '\\' || i + 1 >= lines.size()) break;
    line = lines[++i];
    pos = 0;
  }
  return bytes;
}

std::string Utf16_Bytes_To_Text(const std::string& bytes) {
  std::vector<unsigned> units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units.push_back(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1])
                                                               << 8);
  std::string out;
  Put_Utf16(out, units);
  return out;
}

// The value on line `i` (moving `i` past continuation lines), or nothing.
std::optional<Value> Parse_Value(const std::vector<std::string_view>& lines, size_t& i) {
  std::string_view line = lines[i];
  Value value;
  size_t pos = 0;
  if (line.starts_with("@=")) {
    pos = 2;
  } else {
    pos = 1;
    if (!Unescape(line, pos, '"', value.name) || pos >= line.size() || line[pos] != '=')
      return std::nullopt;
    ++pos;
  }
  std::string_view rest = line.substr(pos);
  if (rest.starts_with("str(")) {
    // Expand and multi strings: the text as stored, "\0" separating the parts.
    size_t close = rest.find("):\"");
    if (close == std::string_view::npos) return std::nullopt;
    pos += close + 2;
    rest = line.substr(pos);
  }
  if (rest.starts_with("\"")) {
    ++pos;
    if (!Unescape(line, pos, '"', value.data)) return std::nullopt;
    value.data += '\0';
    return value;
  }
  if (rest.starts_with("dword:")) {
    unsigned long number = 0;
    size_t digits = 0;
    for (size_t p = 6; p < rest.size() && digits < 8 && Digit_Value(rest[p]) < 16; ++p, ++digits)
      number = number * 16 + Digit_Value(rest[p]);
    if (digits == 0) return std::nullopt;
    for (int b = 0; b < 4; ++b) value.data += static_cast<char>((number >> (8 * b)) & 0xFF);
    return value;
  }
  if (rest.starts_with("hex")) {
    size_t colon = rest.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    int hex_type = 3;
    if (rest.substr(3).starts_with("("))
      hex_type = static_cast<int>(
          std::strtol(std::string(rest.substr(4, colon - 4)).c_str(), nullptr, 16));
    value.data = Hex_Bytes(lines, i, pos + colon + 1);
    if (hex_type == kString || hex_type == kExpandString || hex_type == kMultiString)
      value.data = Utf16_Bytes_To_Text(value.data);
    return value;
  }
  return std::nullopt;
}

// The parts of `path` as the file names them: in a 64-bit prefix a path
// below "Software" lies in its 32-bit view.
std::vector<std::string> Wanted_Parts(std::string_view path, bool win64) {
  std::vector<std::string> wanted = Split_Path(path);
  if (win64 && !wanted.empty() && Same_Name(wanted[0], "Software") &&
      !(wanted.size() > 1 && Same_Name(wanted[1], "Wow6432Node")))
    wanted.insert(wanted.begin() + 1, "Wow6432Node");
  return wanted;
}

// Where the first key line at or after `from` starts: a "[" at the start of
// a line. The text's size when there is none.
size_t Next_Key_Line(std::string_view text, size_t from) {
  while (from < text.size()) {
    const void* hit = std::memchr(text.data() + from, '[', text.size() - from);
    if (!hit) break;
    size_t at = static_cast<const char*>(hit) - text.data();
    if (at > 0 && text[at - 1] == '\n') return at;
    from = at + 1;
  }
  return text.size();
}

// The start of the wanted key's line as Wine writes it, as far as it is
// plain: letters, digits and a few marks, the parts joined by an escaped
// backslash.
std::string Plain_Start(const std::vector<std::string>& wanted) {
  std::string plain;
  for (const std::string& part : wanted) {
    if (!plain.empty()) plain += "\\\\";
    for (char c : part) {
      bool letter = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
      if (!letter && !(c && std::strchr(" _-.()", c))) return plain;
      plain += c;
    }
  }
  return plain;
}

// Whether a key line's name may start with `plain`: false only when a plain
// letter of the line differs from it (in any case); an escape or a byte
// beyond ASCII may stand for any letter, so the whole name must tell.
bool May_Start_With(std::string_view name, std::string_view plain) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  for (size_t i = 0; i < plain.size(); ++i) {
    if (i >= name.size()) return false;
    unsigned char c = name[i];
    if (c >= 0x80) return true;
    if (c == '\\') {
      // An escaped backslash between parts, as Wine writes it, or an escape.
      if (plain[i] != '\\' || i + 1 >= name.size() || name[i + 1] != '\\') return true;
      ++i;
      continue;
    }
    if (lower(c) != lower(plain[i])) return false;
  }
  return true;
}

// Wine's order of names: character by character in upper case (A-Z), then
// the shorter first. Its order of keys: part by part, a key before those
// below it.
long Upper(long c) {
  return c >= 'a' && c <= 'z' ? c - 32 : c;
}

int Compare_Names(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    long x = Upper(Utf8::Next(a, i)), y = Upper(Utf8::Next(b, j));
    if (x != y) return x < y ? -1 : 1;
  }
  return (i < a.size()) - (j < b.size());
}

int Compare_Paths(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  for (size_t p = 0; p < a.size() && p < b.size(); ++p)
    if (int order = Compare_Names(a[p], b[p])) return order;
  return (a.size() > b.size()) - (a.size() < b.size());
}

// A key's line in the file: where it starts and ends, and the key's parts.
struct Key_Line {
  uint64_t start = 0, end = 0;
  std::vector<std::string> parts;
};

const size_t kPage = 4096;

// The first key line that starts at or after `from` and before `until`.
std::optional<Key_Line> Key_Line_At(const Reader& read, uint64_t from, uint64_t until) {
  Key_Line key;
  bool found = from == 0 && read(0, 1) == "[";
  // A line starts after a line end: from the byte before `from` on, the
  // pages overlapping by one byte.
  for (uint64_t at = from == 0 ? 0 : from - 1; !found && at < until;) {
    std::string page = read(at, kPage);
    if (page.size() < 2) return std::nullopt;
    size_t hit = page.find("\n[");
    if (hit != std::string::npos) {
      key.start = at + hit + 1;
      found = true;
    }
    at += page.size() - 1;
  }
  if (!found || key.start >= until) return std::nullopt;
  // The whole line, however it falls over the pages.
  std::string line = read(key.start, kPage);
  while (line.find('\n') == std::string::npos && line.size() < 16 * kPage) {
    std::string more = read(key.start + line.size(), kPage);
    if (more.empty()) break;
    line += more;
  }
  line = line.substr(0, line.find('\n'));
  key.end = key.start + line.size() + 1;
  size_t pos = 1;
  std::string name;
  Unescape(line, pos, ']', name);
  key.parts = Split_Path(name);
  return key;
}

}  // namespace

std::optional<Span> Locate(const Reader& read, uint64_t file_size, std::string_view path) {
  std::string head = read(0, kPage);
  size_t keys = head.find("\n[");
  // A file of another form, or a header longer than a page: the whole
  // file tells.
  if (!head.starts_with(kHeader) || keys == std::string::npos) return Span{0, 0, file_size};
  bool win64 = head.substr(0, keys).find("\n#arch=win64") != std::string::npos;
  std::vector<std::string> wanted = Wanted_Parts(path, win64);
  auto under = [&wanted](const Key_Line& key) {
    if (key.parts.size() < wanted.size()) return false;
    for (size_t p = 0; p < wanted.size(); ++p)
      if (!Same_Name(key.parts[p], wanted[p])) return false;
    return true;
  };
  // The first key at or after `wanted`: every key line that starts before
  // `low` comes before it, none that starts at or after `high` does.
  uint64_t low = keys + 1, high = file_size;
  while (high - low > kPage) {
    uint64_t middle = low + (high - low) / 2;
    std::optional<Key_Line> key = Key_Line_At(read, middle, high);
    if (!key)
      high = middle;
    else if (Compare_Paths(key->parts, wanted) < 0)
      low = key->end;
    else
      high = key->start;
  }
  std::optional<Key_Line> key = Key_Line_At(read, low, file_size);
  while (key && Compare_Paths(key->parts, wanted) < 0) key = Key_Line_At(read, key->end, file_size);
  if (!key || !under(*key)) return std::nullopt;
  // The keys below it follow it.
  Span span{keys + 1, key->start, file_size};
  while ((key = Key_Line_At(read, key->end, file_size)))
    if (!under(*key)) {
      span.end = key->start;
      break;
    }
  return span;
}

std::optional<Key> Find_Key(std::string_view file_text, std::string_view path) {
  if (!file_text.starts_with(kHeader)) return std::nullopt;
  size_t keys = Next_Key_Line(file_text, 0);
  bool win64 = file_text.substr(0, keys).find("\n#arch=win64") != std::string_view::npos;
  std::vector<std::string> wanted = Wanted_Parts(path, win64);
  std::string plain = Plain_Start(wanted);

  // Every key line of the file is looked at, wherever it stands: Wine reads
  // keys in any order. One that cannot be below the key is passed over by
  // its first letters alone.
  Key key;
  bool found = false;
  for (size_t at = keys, next; at < file_text.size(); at = next) {
    next = Next_Key_Line(file_text, at + 1);
    std::string_view section = file_text.substr(at, next - at);
    std::string_view line = section.substr(0, section.find('\n'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!May_Start_With(line.substr(1), plain)) continue;
    size_t pos = 1;
    std::string name;
    if (!Unescape(line, pos, ']', name)) continue;
    std::vector<std::string> parts = Split_Path(name);
    if (parts.size() < wanted.size()) continue;
    bool under = true;
    for (size_t p = 0; p < wanted.size() && under; ++p) under = Same_Name(parts[p], wanted[p]);
    if (!under) continue;
    found = true;
    if (parts.size() > wanted.size()) {
      const std::string& child = parts[wanted.size()];
      bool known = false;
      for (const std::string& sub : key.sub_keys) known = known || Same_Name(sub, child);
      if (!known) key.sub_keys.push_back(child);
      continue;
    }
    std::vector<std::string_view> lines = Lines_Of(section);
    for (size_t i = 1; i < lines.size(); ++i) {
      if (!lines[i].starts_with("\"") && !lines[i].starts_with("@=")) continue;
      std::optional<Value> value = Parse_Value(lines, i);
      if (value && !Find_Value(key, value->name)) key.values.push_back(std::move(*value));
    }
  }
  if (!found) return std::nullopt;
  std::stable_sort(key.sub_keys.begin(), key.sub_keys.end(), Before);
  return key;
}

const Value* Find_Value(const Key& key, std::string_view name) {
  for (const Value& value : key.values)
    if (Same_Name(value.name, name)) return &value;
  return nullptr;
}

}  // namespace Wine_Registry
