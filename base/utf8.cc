// UTF-8: reading and writing characters, folding letter case.
#include "base/utf8.h"

namespace Utf8 {

namespace {

// The lower-case letter of a capital, or the character itself.
unsigned Lower(unsigned c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c < 0x100) return c;
  if (c == 0x130) return 'i';
  if (c == 0x178) return 0xFF;
  // Latin Extended-A: pairs of capital and small, the capital first, but
  // for the ranges that start with a small letter.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c % 2 == 0 ? c + 1 : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 == 1 ? c + 1 : c;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;  // Greek
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;  // Cyrillic
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return c % 2 == 0 ? c + 1 : c;
  return c;
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

bool Valid(std::string_view text) {
  for (size_t pos = 0; pos < text.size();)
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
  return Each_Character(text, [](long code, std::string_view bytes, std::string& out) {
    if (code < 0) {
      out += '?';
    } else {
      out.append(bytes);
    }
  });
}

}  // namespace Utf8
