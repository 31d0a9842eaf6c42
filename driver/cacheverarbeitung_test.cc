// The pass over a cache index: console, new index and the commands it
// gives, recorded rather than run.
#include <gtest/gtest.h>

#include <cstdio>

#include "base/errors.h"
#include "platform/host_text.h"
#include "tests/pass_fixture.h"

TEST(Cacheverarbeitung, CopiesToEveryExtraFolderThenDeletes) {
  Pass pass("[Cache]\n" + K1 + "=DM-A.ut2\n");
  pass.Package(K1);
  pass.Run({"D:\\UT2003", "E:\\UT\\"}, /*record=*/true);
  std::string source = "\"" + pass.cache + K1 + ".uxx\"";
  EXPECT_EQ(pass.commands,
            (std::vector<std::string>{"COPY /Y " + source + " \"" + pass.ut + "\\Maps\\DM-A.ut2\"",
                                      "COPY /Y " + source + " \"D:\\UT2003\\Maps\\DM-A.ut2\"",
                                      "COPY /Y " + source + " \"E:\\UT\\\\Maps\\DM-A.ut2\"",
                                      "DEL " + source}));
  EXPECT_EQ(pass.console, Echo(K1 + "=DM-A.ut2") + "kopiere nach " + pass.ut +
                              "\\Maps\\DM-A.ut2\nkopiere nach D:\\UT2003\\Maps\\DM-A.ut2\n"
                              "kopiere nach E:\\UT\\\\Maps\\DM-A.ut2\n");
  EXPECT_EQ(pass.new_index, "[Cache]\r\n");
}

TEST(Cacheverarbeitung, ACopyOnlyClaimedDoneKeepsTheLineAndThePackage) {
  // The shell says done; the disk holds an older map of another size.
  Pass pass("[Cache]\r\n" + K1 + "=DM-A.ut2\r\n");
  pass.Package(K1, "new map");
  Write_File(pass.dir / "UT2004/Maps/DM-A.ut2", "old");
  pass.copies_only_claimed = true;
  pass.Run({"D:\\UT2003"}, /*record=*/true);
  EXPECT_EQ(pass.commands.size(), 1u);  // no copy to D:, no DEL
  EXPECT_EQ(pass.console, Echo(K1 + "=DM-A.ut2") + "kopiere nach " + pass.ut +
                              "\\Maps\\DM-A.ut2\n!! Kopieren fehlgeschlagen -> Zeile bleibt "
                              "erhalten !!\n");
  EXPECT_EQ(pass.new_index, "[Cache]\r\n" + K1 + "=DM-A.ut2\r\n");
}

TEST(Cacheverarbeitung, HeaderLinesAndLineShapes) {
  std::string index =
      "[cache]\r\n [Cache]\r\n[Cache] \r\n[Cache]\r\n\r\n[Cache]\r\n\x81\x8d\x8f\x90\x9d\r\n" +
      std::string(34, 'k') + "=\r\n" + std::string(34, 'k') + "=z\r\n" + K1 + "=DM-A.UT2\r\n" + K2 +
      "=DM-A.ut2 \r\n";
  Pass pass(index);
  pass.Run({}, /*record=*/true);
  EXPECT_TRUE(pass.commands.empty());
  EXPECT_TRUE(pass.eintraege);
  const std::string unknown = "!! unbekannter Eintrag in Zeile -> Zeile wird ausgelassen !!\n";
  const std::string format = "!! Format derzeit nicht kompatibel !!\n";
  // Bytes the code page leaves undefined are shown as their codes.
  EXPECT_EQ(pass.console, Echo("") + unknown + Echo("[Cache]") + unknown +
                              Echo("\\x81\\x8D\\x8F\\x90\\x9D") + unknown +
                              Echo(std::string(34, 'k') + "=") + unknown +
                              Echo(std::string(34, 'k') + "=z") + format + Echo(K1 + "=DM-A.UT2") +
                              format + Echo(K2 + "=DM-A.ut2 ") + format);
  EXPECT_EQ(pass.new_index, index);
}

TEST(Cacheverarbeitung, AnIndexThatEndsWithItsSection) {
  for (std::string index : {"[A]\r\n[Cache]", "[A]\r\n[Cache]\r\n", "[A]\n[Cache]\n\n"}) {
    Pass pass(index);
    pass.Run();
    EXPECT_EQ(pass.console, "");
    EXPECT_EQ(pass.new_index, "[A]\r\n[Cache]\r\n");
    EXPECT_FALSE(pass.eintraege);
  }
}

TEST(Cacheverarbeitung, NoSectionOrNoLinesIsEndError) {
  Pass pass("[A]\r\nx=1\r\n");
  EXPECT_THROW(pass.Run(), IO_Exceptions::End_Error);
  EXPECT_EQ(pass.new_index, "[A]\r\nx=1\r\n");
  EXPECT_EQ(Read_File(pass.dir / "UT2004/Cache/cache.ini"), "[A]\r\nx=1\r\n");
  Pass empty("");
  EXPECT_THROW(empty.Run(), IO_Exceptions::End_Error);
  EXPECT_EQ(empty.new_index, "\r\n");
}

TEST(Cacheverarbeitung, LongLinesAndLfOnlyIndexes) {
  std::string long_name = std::string(300, 'n') + ".u";
  std::string header_line(150, 'h');
  Pass pass(header_line + "\n[Cache]\n" + K1 + "=" + long_name + "\n" + std::string(100, 'x') +
            "\n");
  pass.Package(K1);
  pass.Run({}, /*record=*/true);
  EXPECT_EQ(pass.commands.size(), 2u);
  EXPECT_EQ(pass.new_index, header_line + "\r\n[Cache]\r\n" + std::string(100, 'x') + "\r\n");
}

TEST(Cacheverarbeitung, UnsafeNamesRunNoCommand) {
  std::string index = "[Cache]\r\n";
  std::vector<std::string> lines = {K1 + "=..\\..\\Windows\\evil.u",
                                    K1 + "=../../evil.u",
                                    K1 + "=%PATH%.u",
                                    K1 + "=a!b!.u",
                                    K1 + "=a\"b.u",
                                    K1 + "=C:x.u",
                                    K1 + "=a\tb.u",
                                    K1 + "=a*b.u",
                                    K1.substr(0, 33) + "%=x.u",
                                    K1 + "=a\x7f.u",
                                    K1 + "=\x1b[8m.u"};
  // Each character on its own, the edges of the control range, and the
  // bytes that Windows-1252 leaves undefined.
  for (char c : std::string("\"%!\\/:*?<>|\x01\x1f\x7f\x81\x8d\x8f\x90\x9d"))
    lines.push_back(K1 + "=a" + c + "b.u");
  for (auto& line : lines) index += line + "\r\n";
  index += K2 + "=Ok \xe9t\xe9.u\r\n";
  Pass pass(index);
  pass.Package(K2);
  pass.Run({}, /*record=*/true);
  std::string expected;
  // Control characters are shown escaped, never obeyed by the terminal.
  for (auto line : lines) {
    std::string echoed;
    for (unsigned char c : line) {
      bool hidden =
          c < 32 || c == 127 || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      echoed += hidden ? std::string(hex) : std::string(1, static_cast<char>(c));
    }
    expected += Echo(echoed) + "!! unsicherer Dateiname -> Zeile wird ausgelassen !!\n";
  }
  expected +=
      Echo(K2 + "=Ok \xe9t\xe9.u") + "kopiere nach " + pass.ut + "\\System\\Ok \xe9t\xe9.u\n";
  // The 8-bit index is read in the code page of the system (1252 here).
  EXPECT_EQ(pass.console, Console_Text(Eight_Bit_Text(expected)));
  EXPECT_EQ(pass.commands.size(), 2u);
  std::string kept = "[Cache]\r\n";
  for (auto& line : lines) kept += line + "\r\n";
  EXPECT_EQ(pass.new_index, kept);
}
