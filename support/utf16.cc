// UTF-16LE to and from UTF-8.
#include "support/utf16.h"

namespace Utf16 {

int To_Utf8(unsigned code, char* out) {
  if (code < 0x80) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  int length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
  static const unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  for (int k = length - 1; k > 0; --k, code >>= 6) out[k] = static_cast<char>(0x80 | (code & 0x3F));
  out[0] = static_cast<char>(kLead[length] | code);
  return length;
}

std::string From_Utf8(std::string_view text) {
  std::string out;
  auto unit = [&out](unsigned u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (size_t i = 0; i < text.size();) {
    unsigned char c = text[i];
    int length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (i + length > text.size()) length = 1;
    unsigned code = length == 1 ? c : c & (0x7F >> length);
    for (int k = 1; k < length; ++k) code = (code << 6) | (text[i + k] & 0x3F);
    i += length;
    if (code >= 0x10000) {
      unit(0xD800 + ((code - 0x10000) >> 10));
      unit(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      unit(code);
    }
  }
  return out;
}

}  // namespace Utf16
