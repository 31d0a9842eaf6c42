// Windows-1252 and UTF-8.
#include "platform/cp1252.h"

#include <algorithm>

#include "platform/cp1252-best_fit.h"

namespace Cp1252 {

namespace {

// The characters of the bytes 0x80 to 0x9F; the five the code page leaves
// undefined stand for the control characters of the same number, as the
// conversions of Windows and Wine have it.
const unsigned kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

unsigned To_Unicode(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

void Put_Utf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

long Next_Utf8(std::string_view text, size_t& pos) {
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

char From_Unicode(unsigned code) {
  if (code < 0x80 || (code >= 0xA0 && code < 0x100)) return static_cast<char>(code);
  for (unsigned byte = 0; byte < 32; ++byte)
    if (kHigh[byte] == code) return static_cast<char>(0x80 + byte);
  return '?';
}

char Best_Fit(unsigned code) {
  char byte = From_Unicode(code);
  if (byte != '?' || code == '?') return byte;
  auto fit = std::lower_bound(std::begin(kBestFit), std::end(kBestFit), code,
                              [](const uint16_t* row, unsigned c) { return row[0] < c; });
  return fit != std::end(kBestFit) && (*fit)[0] == code ? static_cast<char>((*fit)[1]) : '?';
}

std::string To_Utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char byte : text) Put_Utf8(out, To_Unicode(byte));
  return out;
}

bool From_Utf8(std::string_view utf8, std::string& text) {
  text.clear();
  bool exact = true;
  for (size_t pos = 0; pos < utf8.size();) {
    long code = Next_Utf8(utf8, pos);
    char byte = code < 0 ? '?' : From_Unicode(static_cast<unsigned>(code));
    if (byte == '?' && code != '?') exact = false;
    text += byte;
  }
  return exact;
}

char Fold(char c) {
  unsigned char byte = c;
  if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
    return static_cast<char>(byte + 0x20);
  if (byte == 0x8A || byte == 0x8C || byte == 0x8E) return static_cast<char>(byte + 0x10);  // Š Œ Ž
  if (byte == 0x9F) return static_cast<char>(0xFF);                                         // Ÿ
  return c;
}

std::string Fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Fold(c);
  return out;
}

}  // namespace Cp1252
