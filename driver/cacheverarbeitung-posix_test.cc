// The pass over a cache index with the commands carried out for real by
// this platform's runner: packages on disk, the runner's messages in order.
#include <gtest/gtest.h>

#include "tests/pass_fixture.h"

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
    expected_console += Echo(line) + "kopiere nach " + "" + "%UT%\\" + types[i][1] + "\\" +
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
  expected_console += Echo(K2 + "=Readme.txt") + "!! Format derzeit nicht kompatibel !!\n";
  expected_console +=
      Echo("not an entry") + "!! unbekannter Eintrag in Zeile -> Zeile wird ausgelassen !!\n";
  expected_console += Echo(K3.substr(0, 32) + "=xy=Map.ut2") +
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

TEST(Cacheverarbeitung, AFailedCopyKeepsThePackageAndItsLine) {
  // K1's package is gone (moved by an earlier run), K2's target folder is
  // missing, K3 goes through; a failed copy to an extra folder does not hold
  // back the delete.
  Pass pass("[Cache]\r\n" + K1 + "=A.u\r\n" + K2 + "=B.ogg\r\n" + K3 + "=C.utx\r\n");
  std::filesystem::remove(pass.dir / "UT2004/Music");
  Write_File(pass.dir / "UT2004/Cache/" + K2 + ".uxx", "b");
  Write_File(pass.dir / "UT2004/Cache/" + K3 + ".uxx", "c");
  std::string extra = pass.dir / "Missing";
  pass.Run({extra});
  const std::string failed = "!! Kopieren fehlgeschlagen -> Zeile bleibt erhalten !!\n";
  EXPECT_EQ(pass.console,
            Echo(K1 + "=A.u") + "!! Datei fehlt im Cache -> Zeile wird entfernt !!\n" +
                Echo(K2 + "=B.ogg") + "kopiere nach " + pass.ut + "\\Music\\B.ogg\n" +
                "Das System kann den angegebenen Pfad nicht finden.\n"
                "        0 Datei(en) kopiert.\n" +
                failed + Echo(K3 + "=C.utx") + "kopiere nach " + pass.ut + "\\Textures\\C.utx\n" +
                "        1 Datei(en) kopiert.\n" + "kopiere nach " + extra + "/Textures/C.utx\n" +
                "Das System kann den angegebenen Pfad nicht finden.\n"
                "        0 Datei(en) kopiert.\n"
                "!! Kopieren in weitere Installation fehlgeschlagen !!\n");
  EXPECT_EQ(pass.new_index, "[Cache]\r\n" + K2 + "=B.ogg\r\n");
  EXPECT_EQ(Read_File(pass.dir / "UT2004/Cache/" + K2 + ".uxx"), "b");
  EXPECT_FALSE(Exists(pass.dir / "UT2004/Cache/" + K3 + ".uxx"));
  EXPECT_EQ(Read_File(pass.dir / "UT2004/Textures/C.utx"), "c");
}
