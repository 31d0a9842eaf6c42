// Reading the launchers' files as they write them, and as they may be found
// broken.
#include "platform/launcher_files.h"

#include <gtest/gtest.h>

using namespace Launcher_Files;
using Paths = std::vector<std::string>;

TEST(LauncherFiles, SteamLibrariesInBothFormsOfTheFile) {
  const char kNow[] =
      "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/p/.local/share/Steam\"\n"
      "\t\t\"label\"\t\t\"\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"381010537\"\n\t\t}\n\t}\n"
      "\t\"1\"\n\t{\n\t\t\"label\"\t\t\"Spiele \\\"extern\\\"\"\n"
      "\t\t\"path\"\t\t\"/mnt/Spiele \\\\ Steam\"\n\t}\n}\n";
  const char kBefore_2021[] =
      "\"LibraryFolders\"\r\n{\r\n\t\"TimeNextStatsReport\"\t\t\"1650000000\"\r\n"
      "\t\"ContentStatsID\"\t\t\"-123\"\r\n\t\"1\"\t\t\"/mnt/alt\" // a comment\r\n}\r\n";
  EXPECT_EQ(Steam_Libraries(kNow), (Paths{"/home/p/.local/share/Steam", "/mnt/Spiele \\ Steam"}));
  EXPECT_EQ(Steam_Libraries(kBefore_2021), Paths{"/mnt/alt"});
  std::string now = kNow;
  for (size_t cut = 0; cut < now.rfind('}'); ++cut)
    EXPECT_EQ(Steam_Libraries(now.substr(0, cut)), Paths{});
  EXPECT_EQ(Steam_Libraries("\"libraryfolders\" {" + std::string(100000, '{')), Paths{});
  EXPECT_EQ(Steam_Libraries("\"libraryfolders\" \"/x\""), Paths{});
  EXPECT_EQ(Steam_Libraries(std::string("\"libraryfolders\" { \"0\" { \0 } }", 30)), Paths{});
}

TEST(LauncherFiles, ALutrisGamesPrefix) {
  EXPECT_EQ(Lutris_Prefix("game:\n  exe: /g/ut/drive_c/UT2004/System/UT2004.exe\n"
                          "  prefix: /home/p/Games/ut2004\n  arch: win64\nsystem: {}\n"),
            "/home/p/Games/ut2004");
  EXPECT_EQ(Lutris_Prefix("game:\n  prefix: '~/Games/ut 2004'\n"), "~/Games/ut 2004");
  for (const std::string& broken :
       Paths{"game:\n  exe: /x\n", "game: [prefix: /x\n", "prefix: /x\n", "game: /x\n",
             "game:\n  prefix: [/x]\n", std::string(100000, '[') + "game"})
    EXPECT_EQ(Lutris_Prefix(broken), "") << broken.substr(0, 30);
}

TEST(LauncherFiles, HeroicGamesPrefixes) {
  EXPECT_EQ(Heroic_Prefixes("{\"Quail\": {\"winePrefix\": \"/home/p/Games/Heroic/Prefixes/UT\","
                            " \"wineVersion\": {\"name\": \"Wine-GE\"}}, \"version\": \"v0\","
                            " \"explicit\": true, \"Fig\": {\"winePrefix\": 3}}"),
            Paths{"/home/p/Games/Heroic/Prefixes/UT"});
  for (const std::string& broken :
       Paths{"{\"Quail\": {\"winePrefix\": ", "[]", "", std::string(100000, '[')})
    EXPECT_EQ(Heroic_Prefixes(broken), Paths{}) << broken.substr(0, 30);
}
