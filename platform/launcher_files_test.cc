// Reading the launchers' files as they write them, and as they may be found
// broken.
#include "platform/launcher_files.h"

#include <gtest/gtest.h>

using namespace Launcher_Files;
using Paths = std::vector<std::string>;

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

TEST(LauncherFiles, TheNativeGamesFolderFromOldUnrealsMenuEntry) {
  EXPECT_EQ(Desktop_Game_Folder("[Desktop Entry]\nType=Application\nName=Unreal Tournament 2004\n"
                                "Exec=\"/home/p/.local/share/OldUnreal/UT2004/System/UT2004\" %u\n"
                                "Icon=/home/p/.local/share/OldUnreal/UT2004/Help/Unreal.ico\n"),
            "/home/p/.local/share/OldUnreal/UT2004");
  EXPECT_EQ(Desktop_Game_Folder("[Desktop Entry]\r\nExec=\"/g/U\\\\\"T 2004/System/UT2004\"\r\n"),
            "/g/U\"T 2004");
  EXPECT_EQ(Desktop_Game_Folder("[Desktop Entry]\nExec=/g/UT2004/System/UT2004 %u"), "/g/UT2004");
  for (const std::string& other : Paths{
           "[Desktop Action x]\nExec=/g/System/UT2004\n",
           "[Desktop Entry]\nExec=\"/g/System/UT2004",
           "[Desktop Entry]\nExec=/g/System/UT2004.exe\n", "[Desktop Entry]\nExec=g/System/UT2004",
           "Exec=/g/System/UT2004\n", "[Desktop Entry]\nExec=/System/UT2004-bin\n"})
    EXPECT_EQ(Desktop_Game_Folder(other), "") << other;
}
