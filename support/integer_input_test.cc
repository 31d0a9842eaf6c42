// The console's number reader: what each answer gives and what stays unread.
#include "support/integer_input.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "tests/test_util.h"

namespace {

// The number read from `input` and the next line's rest, or the error's name.
std::string Answer(const std::string& input) {
  Temp_Folder dir;
  Write_File(dir / "in", input);
  Text_Files::File file;
  Text_Files::Open(file, Text_Files::In_File, dir / "in");
  try {
    int32_t value = Get_Integer(file);
    std::string rest;
    for (int c; (c = Text_Files::Get_Character(file)) != EOF && c != '\n';) rest += char(c);
    return std::to_string(value) + "|" + rest;
  } catch (const Error& error) {
    return error.name;
  }
}

}  // namespace

TEST(IntegerInput, AnswersThatSelect) {
  EXPECT_EQ(Answer("2\n"), "2|");
  EXPECT_EQ(Answer("  \t2\n"), "2|");
  EXPECT_EQ(Answer("+2\n"), "2|");
  EXPECT_EQ(Answer("02\n"), "2|");
  EXPECT_EQ(Answer("2 foo bar\n"), "2| foo bar");
  EXPECT_EQ(Answer("2x\n"), "2|x");
  EXPECT_EQ(Answer("2E0\n"), "2|");
  EXPECT_EQ(Answer("1_0\n"), "10|");
  EXPECT_EQ(Answer("2e5\n"), "200000|");
  EXPECT_EQ(Answer("16#1F#\n"), "31|");
  EXPECT_EQ(Answer("2:101:e1\n"), "10|");
  EXPECT_EQ(Answer("\n\r\n \f\n2\r\n"), "2|\r");
  EXPECT_EQ(Answer("-1\n"), "-1|");
  EXPECT_EQ(Answer("0\n"), "0|");
  EXPECT_EQ(Answer("2147483647\n"), "2147483647|");
  EXPECT_EQ(Answer("-2147483648\n"), "-2147483648|");
  EXPECT_EQ(Answer("1__2\n"), "IO_EXCEPTIONS.DATA_ERROR");
  EXPECT_EQ(Answer("0e99999\n"), "0|");
}

TEST(IntegerInput, AnswersThatAreRefused) {
  for (const char* bad :
       {"abc\n", "2e\n", "2#\n", "2:\n", "2147483648\n", "1e10\n", "+\n", "-x\n", "1_\n", "17#1#\n",
        "2#2#\n", "16#1F\n", "2e-1\n", "\r2\n", "99999999999999999999999\n"})
    EXPECT_EQ(Answer(bad), "IO_EXCEPTIONS.DATA_ERROR") << bad;
  EXPECT_EQ(Answer(""), "IO_EXCEPTIONS.END_ERROR");
  EXPECT_EQ(Answer("  \n\n"), "IO_EXCEPTIONS.END_ERROR");
}

TEST(IntegerInput, LiteralValues) {
  EXPECT_EQ(Integer_Value("16#FF#E1"), 4080);
  EXPECT_EQ(Integer_Value("1_000_000"), 1000000);
  EXPECT_EQ(Integer_Value("16:ff:"), 255);
  EXPECT_EQ(Integer_Value("16#ff:"), std::nullopt);
  EXPECT_EQ(Integer_Value(""), std::nullopt);
  EXPECT_EQ(Integer_Value("_1"), std::nullopt);
}
