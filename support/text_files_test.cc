// Text files, the index line reader and the console line reader.
#include "support/text_files.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/host_text.h"
#include "support/ustrings.h"
#include "support/util-files-text_io.h"
#include "tests/test_util.h"

using Text_Files::File;
using Util::Files::Text_IO::Get_Line;

namespace {

// All lines that a loop testing End_Of_File before each read gets.
std::vector<std::string> Lines_Of(const std::string& bytes, std::string* after = nullptr) {
  Temp_Folder dir;
  Write_File(dir / "f", bytes);
  File file;
  Text_Files::Open(file, Text_Files::In_File, dir / "f");
  std::vector<std::string> lines;
  while (!Text_Files::End_Of_File(file)) lines.push_back(Get_Line(file));
  if (after) {
    try {
      *after = "[" + Get_Line(file) + "]";
    } catch (const IO_Exceptions::End_Error&) {
      *after = "End_Error";
    }
  }
  return lines;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(LineReader, EndsAndTerminators) {
  std::string after;
  EXPECT_EQ(Lines_Of("a\r\nb\r\n", &after), (Lines{"a", "b"}));
  EXPECT_EQ(after, "End_Error");
  EXPECT_EQ(Lines_Of("a\nb", &after), (Lines{"a", "b"}));
  EXPECT_EQ(after, "End_Error");
  // A final empty line is never reached; the lone terminator reads as "".
  EXPECT_EQ(Lines_Of("a\r\n\r\n", &after), (Lines{"a"}));
  EXPECT_EQ(after, "[]");
  EXPECT_EQ(Lines_Of("", &after), Lines{});
  EXPECT_EQ(after, "End_Error");
  // Blanks stay; a CR not before LF is an ordinary character.
  EXPECT_EQ(Lines_Of("  x \r\na\rb\r\n\r\nc\r"), (Lines{"  x ", "a\rb", "", "c\r"}));
  EXPECT_EQ(Lines_Of(std::string("\x00\xff=\n", 4)), (Lines{std::string("\x00\xff=", 3)}));
}

TEST(LineReader, LongLinesComeWhole) {
  std::string l100(100, 'a'), l250(250, 'b'), l200(200, 'c');
  EXPECT_EQ(Lines_Of(l100 + "\r\nnext\r\n"), (Lines{l100, "next"}));
  EXPECT_EQ(Lines_Of(l250 + "\r\n" + l200), (Lines{l250, l200}));
  std::string after;
  EXPECT_EQ(Lines_Of(l100 + "\r\n", &after), Lines{l100});
  EXPECT_EQ(after, "[]");
  EXPECT_EQ(Lines_Of(l100, &after), Lines{l100});
  EXPECT_EQ(after, "End_Error");
  std::string huge(3'000'000, 'x');
  EXPECT_EQ(Lines_Of(huge + "\nz"), (Lines{huge, "z"}));
}

TEST(TextFiles, OpenFileCreatesAMissingFileButNoFolder) {
  Temp_Folder dir;
  File file;
  Util::Files::Text_IO::Open_File(file, Text_Files::In_File, dir / "cache.ini");
  EXPECT_TRUE(Exists(dir / "cache.ini"));
  EXPECT_THROW(Get_Line(file), IO_Exceptions::End_Error);
  Text_Files::Close(file);
  EXPECT_EQ(Read_File(dir / "cache.ini"), "");

  File other;
  EXPECT_THROW(Util::Files::Text_IO::Open_File(other, Text_Files::In_File, dir / "no/cache.ini"),
               IO_Exceptions::Name_Error);
  EXPECT_FALSE(Exists(dir / "no"));
  EXPECT_FALSE(Text_Files::Is_Open(other));
}

TEST(TextFiles, WritingEndsLinesInCrLf) {
  Temp_Folder dir;
  Write_File(dir / "old", "former content\r\n");
  {
    File file;
    Text_Files::Create(file, Text_Files::Out_File, dir / "old");
    EXPECT_EQ(Read_File(dir / "old"), "");
    Text_Files::Put_Line(file, "[Cache]");
    Text_Files::Put_Line(file, "");
    Text_Files::Close(file);
  }
  EXPECT_EQ(Read_File(dir / "old"), "[Cache]\r\n\r\n");
  {
    File file;
    Text_Files::Create(file, Text_Files::Out_File, dir / "empty");
    Text_Files::Close(file);
  }
  EXPECT_EQ(Read_File(dir / "empty"), "\r\n");
  {
    File file;  // closed at the end of the scope, as after an error
    Text_Files::Create(file, Text_Files::Out_File, dir / "open");
    Text_Files::Put(file, "half");
  }
  EXPECT_EQ(Read_File(dir / "open"), "half\r\n");
}

TEST(TextFiles, DeleteRemovesAndFailuresHaveTheirKind) {
  Temp_Folder dir;
  Write_File(dir / "f", "x\r\n");
  File file;
  Text_Files::Open(file, Text_Files::In_File, dir / "f");
  Text_Files::Delete(file);
  EXPECT_FALSE(Exists(dir / "f"));
  EXPECT_FALSE(Text_Files::Is_Open(file));
  EXPECT_THROW(Text_Files::Open(file, Text_Files::In_File, dir / "f"), IO_Exceptions::Name_Error);
  EXPECT_THROW(Text_Files::Create(file, Text_Files::Out_File, dir / "no/f"),
               IO_Exceptions::Name_Error);
  EXPECT_THROW(Text_Files::Create(file, Text_Files::Out_File, dir.path), IO_Exceptions::Use_Error);
  try {
    Text_Files::Open(file, Text_Files::In_File, dir / "f");
    FAIL();
  } catch (const Error& error) {
    EXPECT_EQ(error.name, "IO_EXCEPTIONS.NAME_ERROR");
    EXPECT_TRUE(error.message.starts_with("text_files.cc:")) << error.message;
  }
}

TEST(TextFiles, FindsNamesInAnyLetterCase) {
  Temp_Folder dir;
  Make_Folder(dir / "Cache");
  Write_File(dir / "Cache/Cache.INI", "[Cache]\r\n");
  File file;
  Text_Files::Open(file, Text_Files::In_File, dir.path + "\\CACHE\\cache.ini");
  EXPECT_EQ(Get_Line(file), "[Cache]");
}

TEST(ConsoleLines, PiecesOf1024AndTheEndOfInput) {
  Temp_Folder dir;
  std::string l1024(1024, 'a'), l3000(3000, 'b');
  Write_File(dir / "in", "\n" + l1024 + "\n" + l3000 + "\r\nlast");
  File file;
  Text_Files::Open(file, Text_Files::In_File, dir / "in");
  std::string target = "old";
  ustrings::Get_Line(file, target);
  EXPECT_EQ(target, "");
  ustrings::Get_Line(file, target);
  EXPECT_EQ(target, l1024);
  ustrings::Get_Line(file, target);
  EXPECT_EQ(target, l3000);
  ustrings::Get_Line(file, target);
  EXPECT_EQ(target, "last");
  EXPECT_THROW(ustrings::Get_Line(file, target), IO_Exceptions::End_Error);
  EXPECT_EQ(target, "last");

  // Input that ends right after a full piece is the end of input.
  Write_File(dir / "cut", l1024 + l1024);
  File cut;
  Text_Files::Open(cut, Text_Files::In_File, dir / "cut");
  EXPECT_THROW(ustrings::Get_Line(cut, target), IO_Exceptions::End_Error);
  EXPECT_EQ(target, "last");
}

TEST(Console, LinesGoToStandardOutputAtOnce) {
  Captured_Output out;
  Text_Files::Put("a");
  Text_Files::Put_Line("b");
  Text_Files::New_Line();
  ustrings::Put_Line("\xc3\xa9t\xc3\xa9 \xc5\x81");
  // UTF-8 on Linux; on Windows the code page, "?" for what it lacks.
  EXPECT_EQ(out.Finish(), Console_Text("ab\n\n\xc3\xa9t\xc3\xa9 \xc5\x81\n"));
}

TEST(TextFiles, AnUnmarkedIndexIsUtf8OnlyWhenItIsUtf8Throughout) {
  auto encoding = [](const std::string& bytes) {
    Temp_Folder dir;
    Write_File(dir / "f", bytes);
    File file;
    Text_Files::Open(file, Text_Files::In_File, dir / "f");
    Text_Files::Encoding found = Text_Files::Take_Byte_Order_Mark(file);
    Text_Files::Close(file);
    return found;
  };
  using Text_Files::Encoding;
  EXPECT_EQ(encoding("[Cache]\r\na=DM-Caf\xc3\xa9.ut2\r\n"), Encoding::utf8_unmarked);
  EXPECT_EQ(encoding("[Cache]\r\na=DM-Caf\xe9.ut2\r\n"), Encoding::eight_bit);
  EXPECT_EQ(encoding("[Cache]\r\na=DM-Cafe.ut2\r\n"), Encoding::eight_bit);
  // A character across the first 64 KiB read, and one cut by the file's end.
  std::string start = "[Cache]\r\na=" + std::string((1 << 16) - 12, 'x');
  EXPECT_EQ(encoding(start + "\xc3\xa9\r\n"), Encoding::utf8_unmarked);
  EXPECT_EQ(encoding(start + "x\xe2\x82\xac\r\n"), Encoding::utf8_unmarked);
  EXPECT_EQ(encoding(start + "\xc3"), Encoding::eight_bit);
  EXPECT_EQ(encoding(start + "\xc3\xa9\r\nb=\xe9\r\n"), Encoding::eight_bit);
}
