// UTF-8 as the program reads it: whole characters only, whatever runs of
// ASCII come before a byte that is none.
#include "base/utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, ValidOnlyForWholeCharacters) {
  EXPECT_TRUE(Utf8::Valid("DM-\xC3\xA4.ut2"));
  // A stray continuation byte, a Latin-1 byte, a character cut short, an
  // overlong form, a surrogate.
  for (const char* bad : {"DM-\x80", "DM-\xA9", "DM-\xC3", "\xC0\xAF", "\xED\xA0\x80"})
    EXPECT_FALSE(Utf8::Valid(bad)) << bad;
  EXPECT_EQ(Utf8::Shown("DM-\x80-\xC3\xA4"), "DM-?-\xC3\xA4");
}

}  // namespace
