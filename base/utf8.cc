// UTF-8: reading and writing characters, folding letter case.
#include "base/utf8.h"

#include <algorithm>

namespace Utf8 {

namespace {

// Each character beyond ASCII that folds to another, in order.
struct Fold_Row {
  unsigned code, folded;
};
const Fold_Row kFolds[] = {
#include "base/case_fold.inc"
};

// The character as names are compared in any letter case: by its simple
// upper case, as Windows and Wine compare them, written as the lower case
// that has that upper case.
unsigned Lower(unsigned c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
  const Fold_Row* end = kFolds + sizeof kFolds / sizeof kFolds[0];
  const Fold_Row* row = std::lower_bound(
      kFolds, end, c, [](const Fold_Row& r, unsigned code) { return r.code < code; });
  return row != end && row->code == c ? row->folded : c;
}

}  // namespace

long Next(std::string_view text, size_t& pos) {
  unsigned char lead = text[pos++];
  if (lead < 0x80) return lead;
  int more = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (lead >= 0xF5 || more < 0) return -1;
  long code = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) return -1;
    code = (code << 6) | (text[pos++] & 0x3F);
  }
  const long smallest[] = {0, 0x80, 0x800, 0x10000};
  if (code < smallest[more] || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) return -1;
  return code;
}

void Put(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
    return;
  }
  int length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
  static const unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  char bytes[4];
  for (int k = length - 1; k > 0; --k, code >>= 6)
    bytes[k] = static_cast<char>(0x80 | (code & 0x3F));
  bytes[0] = static_cast<char>(kLead[length] | code);
  out.append(bytes, length);
}

namespace {

// Where the first byte of `text` that is no ASCII character is, or its size.
size_t Ascii_Length(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i;
}

}  // namespace

bool Valid(std::string_view text) {
  for (size_t pos = Ascii_Length(text); pos < text.size();)
    if (Next(text, pos) < 0) return false;
  return true;
}

size_t Utf16_Length(std::string_view text) {
  size_t units = 0;
  for (size_t pos = 0; pos < text.size();) units += Next(text, pos) >= 0x10000 ? 2 : 1;
  return units;
}

namespace {

// The text with each character as `put` writes it: the character (-1 for
// bytes that are no character), its bytes, and the text to append to.
template <typename Put_Character>
std::string Each_Character(std::string_view text, Put_Character put) {
  std::string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    size_t start = pos;
    long code = Next(text, pos);
    put(code, text.substr(start, pos - start), out);
  }
  return out;
}

}  // namespace

std::string Fold(std::string_view text) {
  // Most names are ASCII, lowered byte by byte.
  std::string ascii(text);
  size_t i = 0;
  for (; i < ascii.size() && static_cast<unsigned char>(ascii[i]) < 0x80; ++i)
    if (ascii[i] >= 'A' && ascii[i] <= 'Z') ascii[i] = static_cast<char>(ascii[i] + 0x20);
  if (i == ascii.size()) return ascii;
  return Each_Character(text, [](long code, std::string_view bytes, std::string& out) {
    if (code < 0) {
      out.append(bytes);
    } else {
      Put(out, Lower(static_cast<unsigned>(code)));
    }
  });
}

std::string Shown(std::string_view text) {
  if (Valid(text)) return std::string(text);
  return Each_Character(text, [](long code, std::string_view bytes, std::string& out) {
    if (code < 0) {
      out += '?';
    } else {
      out.append(bytes);
    }
  });
}

}  // namespace Utf8
