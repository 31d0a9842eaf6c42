// The pass over a cache index: console, new index and packages on disk.
#include "driver/cacheverarbeitung.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/errors.h"
#include "support/util-execution.h"
#include "tests/test_util.h"

namespace {

const std::string K1 = "0123456789ABCDEF0123456789ABCDEF-1";
const std::string K2 = "0123456789ABCDEF0123456789ABCDEF-2";
const std::string K3 = "0123456789ABCDEF0123456789ABCDEF-3";

// An installation in a throw-away folder, its index, and what a pass left.
struct Pass {
  Temp_Folder dir;
  std::string ut = dir / "UT2004";
  std::string cache = ut + "\\Cache\\";
  std::string console;
  std::string new_index;
  std::vector<std::string> commands;
  bool eintraege = false;

  explicit Pass(const std::string& index) {
    Make_Folder(dir / "UT2004/Cache");
    for (auto sub : {"Maps", "System", "Animations", "KarmaData", "Music", "Sounds", "StaticMeshes",
                     "Textures"})
      Make_Folder(dir / "UT2004/" + sub);
    Write_File(dir / "UT2004/Cache/cache.ini", index);
  }

  // Runs the pass with the real commands, or records them when `record`.
  void Run(const std::vector<std::string>& arguments = {}, bool record = false) {
    Text_Files::File cachedatei, tempdatei;
    Text_Files::Open(cachedatei, Text_Files::In_File, cache + "cache.ini");
    Text_Files::Create(tempdatei, Text_Files::Out_File, cache + "tempcache.ini");
    Captured_Output out;
    Command_Runner runner = [&](const std::string& command) {
      commands.push_back(command);
      return record ? 0 : Util::Execution::Execute(command);
    };
    try {
      eintraege = cacheverarbeitung(ut, cache, cachedatei, tempdatei, arguments, runner);
    } catch (...) {
      console = out.Finish();
      Text_Files::Close(tempdatei);
      new_index = Read_File(dir / "UT2004/Cache/tempcache.ini");
      throw;
    }
    console = out.Finish();
    Text_Files::Close(tempdatei);
    new_index = Read_File(dir / "UT2004/Cache/tempcache.ini");
  }
};

std::string Read(const std::string& line) {
  return "\nZeile eingelesen: " + line + "\n";
}

}  // namespace

TEST(Cacheverarbeitung, MovesEveryKnownTypeAndKeepsTheRest) {
  const char* types[][2] = {{"DM-Deck.ut2", "Maps"},      {"Core.u", "System"},
                            {"Jump.ukx", "Animations"},   {"Ragdoll.ka", "KarmaData"},
                            {"Theme.ogg", "Music"},       {"Boom.uax", "Sounds"},
                            {"Rock.usx", "StaticMeshes"}, {"Wall.utx", "Textures"}};
  std::string index = "[Options]\r\nSize=3\r\n\r\n[Cache]\r\n";
  std::string expected_index = "[Options]\r\nSize=3\r\n\r\n[Cache]\r\n";
  std::string expected_console;
  for (int i = 0; i < 8; ++i) {
    std::string key = K1.substr(0, 33) + char('a' + i);
    std::string line = key + "=" + types[i][0];
    index += line + "\r\n";
    expected_console += Read(line) + "kopiere nach " + "" + "%UT%\\" + types[i][1] + "\\" +
                        types[i][0] + "\n        1 Datei(en) kopiert.\n";
  }
  index += K2 + "=Readme.txt\r\nnot an entry\r\n" + K3.substr(0, 32) + "=xy=Map.ut2\r\n";
  Pass pass(index);
  for (int i = 0; i < 8; ++i)
    Write_File(pass.dir / "UT2004/Cache/" + K1.substr(0, 33) + char('a' + i) + ".uxx",
               std::string("package ") + types[i][0]);
  pass.Run();

  size_t at;
  while ((at = expected_console.find("%UT%")) != std::string::npos)
    expected_console.replace(at, 4, pass.ut);
  expected_console += Read(K2 + "=Readme.txt") + "!! Format derzeit nicht kompatibel !!\n";
  expected_console +=
      Read("not an entry") + "!! unbekannter Eintrag in Zeile -> Zeile wird ausgelassen !!\n";
  expected_console += Read(K3.substr(0, 32) + "=xy=Map.ut2") +
                      "!! unbekannter Eintrag in Zeile -> Zeile wird ausgelassen !!\n";
  EXPECT_EQ(pass.console, expected_console);
  expected_index += K2 + "=Readme.txt\r\nnot an entry\r\n" + K3.substr(0, 32) + "=xy=Map.ut2\r\n";
  EXPECT_EQ(pass.new_index, expected_index);
  EXPECT_TRUE(pass.eintraege);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Read_File(pass.dir / "UT2004/" + types[i][1] + "/" + types[i][0]),
              std::string("package ") + types[i][0]);
    EXPECT_FALSE(Exists(pass.dir / "UT2004/Cache/" + K1.substr(0, 33) + char('a' + i) + ".uxx"));
  }
}

TEST(Cacheverarbeitung, CopiesToEveryExtraFolderThenDeletes) {
  Pass pass("[Cache]\n" + K1 + "=DM-A.ut2\n");
  pass.Run({"D:\\UT2003", "E:\\UT\\"}, /*record=*/true);
  std::string source = "\"" + pass.cache + K1 + ".uxx\"";
  EXPECT_EQ(pass.commands,
            (std::vector<std::string>{"COPY /Y " + source + " \"" + pass.ut + "\\Maps\\DM-A.ut2\"",
                                      "COPY /Y " + source + " \"D:\\UT2003\\Maps\\DM-A.ut2\"",
                                      "COPY /Y " + source + " \"E:\\UT\\\\Maps\\DM-A.ut2\"",
                                      "DEL " + source}));
  EXPECT_EQ(pass.console, Read(K1 + "=DM-A.ut2") + "kopiere nach " + pass.ut +
                              "\\Maps\\DM-A.ut2\nkopiere nach D:\\UT2003\\Maps\\DM-A.ut2\n"
                              "kopiere nach E:\\UT\\\\Maps\\DM-A.ut2\n");
  EXPECT_EQ(pass.new_index, "[Cache]\r\n");
}

TEST(Cacheverarbeitung, HeaderLinesAndLineShapes) {
  std::string index = "[cache]\r\n [Cache]\r\n[Cache] \r\n[Cache]\r\n\r\n[Cache]\r\n" +
                      std::string(34, 'k') + "=\r\n" + std::string(34, 'k') + "=z\r\n" + K1 +
                      "=DM-A.UT2\r\n" + K2 + "=DM-A.ut2 \r\n";
  Pass pass(index);
  pass.Run({}, /*record=*/true);
  EXPECT_TRUE(pass.commands.empty());
  EXPECT_TRUE(pass.eintraege);
  const std::string unknown = "!! unbekannter Eintrag in Zeile -> Zeile wird ausgelassen !!\n";
  const std::string format = "!! Format derzeit nicht kompatibel !!\n";
  EXPECT_EQ(pass.console, Read("") + unknown + Read("[Cache]") + unknown +
                              Read(std::string(34, 'k') + "=") + unknown +
                              Read(std::string(34, 'k') + "=z") + format + Read(K1 + "=DM-A.UT2") +
                              format + Read(K2 + "=DM-A.ut2 ") + format);
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

TEST(Cacheverarbeitung, UnsafeNamesRunNoCommand) {
  std::string index = "[Cache]\r\n";
  std::vector<std::string> lines = {K1 + "=..\\..\\Windows\\evil.u",
                                    K1 + "=%PATH%.u",
                                    K1 + "=a!b!.u",
                                    K1 + "=a\"b.u",
                                    K1 + "=C:x.u",
                                    K1 + "=a\tb.u",
                                    K1 + "=a*b.u",
                                    K1.substr(0, 33) + "%=x.u",
                                    K1 + "=a\x7f.u"};
  for (auto& line : lines) index += line + "\r\n";
  index += K2 + "=Ok \xe9t\xe9.u\r\n";
  Pass pass(index);
  Write_File(pass.dir / "UT2004/Cache/" + K2 + ".uxx", "ok");
  pass.Run();
  std::string expected;
  for (auto& line : lines)
    expected += Read(line) + "!! unsicherer Dateiname -> Zeile wird ausgelassen !!\n";
  expected += Read(K2 + "=Ok \xe9t\xe9.u") + "kopiere nach " + pass.ut +
              "\\System\\Ok \xe9t\xe9.u\n        1 Datei(en) kopiert.\n";
  EXPECT_EQ(pass.console, expected);
  EXPECT_EQ(pass.commands.size(), 2u);
  std::string kept = "[Cache]\r\n";
  for (auto& line : lines) kept += line + "\r\n";
  EXPECT_EQ(pass.new_index, kept);
  EXPECT_EQ(Read_File(pass.dir / "UT2004/System/Ok \xe9t\xe9.u"), "ok");
}

TEST(Cacheverarbeitung, AFailedCopyKeepsThePackageAndItsLine) {
  // K1's package is missing, K2's target folder is missing, K3 goes through;
  // a failed copy to an extra folder does not hold back the delete.
  Pass pass("[Cache]\r\n" + K1 + "=A.u\r\n" + K2 + "=B.ogg\r\n" + K3 + "=C.utx\r\n");
  std::filesystem::remove(pass.dir / "UT2004/Music");
  Write_File(pass.dir / "UT2004/Cache/" + K2 + ".uxx", "b");
  Write_File(pass.dir / "UT2004/Cache/" + K3 + ".uxx", "c");
  std::string extra = pass.dir / "Missing";
  pass.Run({extra});
  const std::string failed = "!! Kopieren fehlgeschlagen -> Zeile bleibt erhalten !!\n";
  EXPECT_EQ(pass.console,
            Read(K1 + "=A.u") + "kopiere nach " + pass.ut + "\\System\\A.u\n" +
                "Das System kann die angegebene Datei nicht finden.\n"
                "        0 Datei(en) kopiert.\n" +
                failed + Read(K2 + "=B.ogg") + "kopiere nach " + pass.ut + "\\Music\\B.ogg\n" +
                "Das System kann den angegebenen Pfad nicht finden.\n"
                "        0 Datei(en) kopiert.\n" +
                failed + Read(K3 + "=C.utx") + "kopiere nach " + pass.ut + "\\Textures\\C.utx\n" +
                "        1 Datei(en) kopiert.\n" + "kopiere nach " + extra + "\\Textures\\C.utx\n" +
                "Das System kann den angegebenen Pfad nicht finden.\n"
                "        0 Datei(en) kopiert.\n");
  EXPECT_EQ(pass.new_index, "[Cache]\r\n" + K1 + "=A.u\r\n" + K2 + "=B.ogg\r\n");
  EXPECT_EQ(Read_File(pass.dir / "UT2004/Cache/" + K2 + ".uxx"), "b");
  EXPECT_FALSE(Exists(pass.dir / "UT2004/Cache/" + K3 + ".uxx"));
  EXPECT_EQ(Read_File(pass.dir / "UT2004/Textures/C.utx"), "c");
}

TEST(Cacheverarbeitung, LongLinesAndLfOnlyIndexes) {
  std::string long_name = std::string(300, 'n') + ".u";
  std::string header_line(150, 'h');
  Pass pass(header_line + "\n[Cache]\n" + K1 + "=" + long_name + "\n" + std::string(100, 'x') +
            "\n");
  pass.Run({}, /*record=*/true);
  EXPECT_EQ(pass.commands.size(), 2u);
  EXPECT_EQ(pass.new_index, header_line + "\r\n[Cache]\r\n" + std::string(100, 'x') + "\r\n");
}
