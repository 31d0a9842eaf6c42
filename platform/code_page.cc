// 8-bit code pages of Windows to UTF-8, by tables from scripts/code_page_tables.
#include "platform/code_page.h"

#include "base/utf8.h"

namespace Code_Page {

namespace {

struct Table {
  int code_page;
  unsigned high[128];  // the characters of the bytes 0x80 to 0xFF
};

const Table kTables[] = {
#include "platform/code_pages.inc"
};

}  // namespace

std::string To_Utf8(int code_page, std::string_view text) {
  const Table* table = nullptr;
  for (const Table& t : kTables)
    if (t.code_page == code_page) table = &t;
  std::string out;
  out.reserve(text.size());
  for (unsigned char byte : text)
    Utf8::Put(out, byte < 0x80 ? byte : table ? table->high[byte - 0x80] : 0xFFFD);
  return out;
}

}  // namespace Code_Page
