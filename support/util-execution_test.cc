// The command texts: built for the shell and read back to the same paths.
#include "support/util-execution.h"

#include <gtest/gtest.h>

#include "tests/test_util.h"

using namespace Util::Execution;

using Words = std::vector<std::string>;

TEST(Command_Texts, EveryBuiltCommandParsesBackToItsPaths) {
  for (std::string path : {"C:\\UT2004\\Cache\\K.uxx", "relativ.u",
                           "C:\\Program Files (x86)\\UT 2004\\Maps\\DM-A  B.ut2",
                           "D:\\M\xfcll\\Caf\xe9 \xa7.ut2", "E:\\UT\\\\Maps\\x.u"}) {
    Command copy = Parse(Copy_Command(path, path + " 2"));
    EXPECT_EQ(copy.verb, "copy");
    EXPECT_EQ(copy.switches, Words{"/y"});
    EXPECT_EQ(copy.arguments, (Words{path, path + " 2"}));
    Command del = Parse(Delete_Command(path));
    EXPECT_EQ(del.verb, "del");
    EXPECT_EQ(del.switches, Words{});
    EXPECT_EQ(del.arguments, Words{path});
    Command ren = Parse(Rename_Command(path, "cache.ini"));
    EXPECT_EQ(ren.verb, "ren");
    EXPECT_EQ(ren.arguments, (Words{path, "cache.ini"}));
  }
}

TEST(Command_Texts, TheShellTakes8191CharactersAtMost) {
  EXPECT_TRUE(Fits_Shell(std::string(8191, 'x')));
  Captured_Output out;
  EXPECT_FALSE(Fits_Shell(std::string(8192, 'x')));
  EXPECT_EQ(out.Finish(), "Die Eingabezeile ist zu lang.\n");
}

TEST(Command_Texts, TheMoveIsTheCopyWithinTheCachesOwnInstallation) {
  std::string cached = "C:\\UT2004\\Cache\\K.uxx";
  EXPECT_TRUE(Is_Move(cached, "C:\\UT2004\\Maps\\DM-A.ut2"));
  EXPECT_TRUE(Is_Move(cached, "c:\\ut2004\\SYSTEM\\Core.u"));
  EXPECT_FALSE(Is_Move(cached, "D:\\UT2004\\Maps\\DM-A.ut2"));
  EXPECT_FALSE(Is_Move(cached, "C:\\UT2004 Kopie\\Maps\\DM-A.ut2"));
  EXPECT_FALSE(Is_Move(cached, "C:\\UT2004\\\\Maps\\DM-A.ut2"));
}

TEST(Run_Names, OnlyTheTimeOrTheTimeWithANumber) {
  EXPECT_TRUE(Util::Execution::Is_Run_Name("2026-01-01_000000"));
  EXPECT_TRUE(Util::Execution::Is_Run_Name("2026-01-01_000000-12"));
  for (const char* name : {"2026-01-01_000000alt", "2026-01-01_000000-", "2026-01-01_000000-02",
                           "2026-01-01_000000-2x", "2026-01-01_00000", "2026-01-01-000000"})
    EXPECT_FALSE(Util::Execution::Is_Run_Name(name)) << name;
}
