// Reading Steam's files as Steam writes them, and as they may be found
// broken or made to lead elsewhere.
#include "platform/steam_files.h"

#include <gtest/gtest.h>

using namespace Steam_Files;
using Paths = std::vector<std::string>;

TEST(SteamFiles, LibrariesInBothFormsOfTheFile) {
  const char kNow[] =
      "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/p/.local/share/Steam\"\n"
      "\t\t\"label\"\t\t\"\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"381010537\"\n\t\t}\n\t}\n"
      "\t\"1\"\n\t{\n\t\t\"label\"\t\t\"Spiele \\\"extern\\\"\"\n"
      "\t\t\"path\"\t\t\"/mnt/Spiele \\\\ Steam\"\n\t}\n}\n";
  const char kBefore_2021[] =
      "\"LibraryFolders\"\r\n{\r\n\t\"TimeNextStatsReport\"\t\t\"1650000000\"\r\n"
      "\t\"ContentStatsID\"\t\t\"-123\"\r\n\t\"1\"\t\t\"/mnt/alt\" // a comment\r\n}\r\n";
  EXPECT_EQ(Libraries(kNow), (Paths{"/home/p/.local/share/Steam", "/mnt/Spiele \\ Steam"}));
  EXPECT_EQ(Libraries(kBefore_2021), Paths{"/mnt/alt"});
  std::string now = kNow;
  for (size_t cut = 0; cut < now.rfind('}'); ++cut)
    EXPECT_EQ(Libraries(now.substr(0, cut)), Paths{});
  EXPECT_EQ(Libraries("\"libraryfolders\" {" + std::string(100000, '{')), Paths{});
  EXPECT_EQ(Libraries("\"libraryfolders\" \"/x\""), Paths{});
  EXPECT_EQ(Libraries(std::string("\"libraryfolders\" { \"0\" { \0 } }", 30)), Paths{});
}

TEST(SteamFiles, TheGamesFolderFromItsManifestAndNoneThatLeadsOut) {
  const std::string kManifest =
      "\"AppState\"\n{\n\t\"appid\"\t\t\"13230\"\n\t\"Universe\"\t\t\"1\"\n"
      "\t\"name\"\t\t\"Unreal Tournament 2004: Editor's Choice Edition\"\n"
      "\t\"StateFlags\"\t\t\"4\"\n\t\"installdir\"\t\t\"Unreal Tournament 2004\"\n"
      "\t\"UserConfig\"\n\t{\n\t\t\"language\"\t\t\"german\"\n\t}\n}\n";
  EXPECT_EQ(Installdir(kManifest), "Unreal Tournament 2004");
  auto with = [&](const std::string& dir) {
    std::string text = kManifest;
    return text.replace(text.find("Unreal Tournament 2004\""), 22, dir);
  };
  EXPECT_EQ(Installdir(with("UT2004 (alt)")), "UT2004 (alt)");
  for (const std::string& out : Paths{"..", ".", "", "../../../..", "/home/p", "C:\\\\Windows",
                                      "a/../..", "D:", "UT\\\\..", "UT\t2004", "UT2004 ", "UT."})
    EXPECT_EQ(Installdir(with(out)), "") << out;
  EXPECT_EQ(Installdir("\"AppState\" { \"installdir\" { } }"), "");
  EXPECT_EQ(Installdir(kManifest.substr(0, kManifest.find("UserConfig"))), "");
}
