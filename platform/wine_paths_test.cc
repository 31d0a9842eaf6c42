// Finding Windows paths as Wine does, and the filter of the names seen.
#include "platform/wine_paths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/test_util.h"

using Wine_Paths::Absence;
using Wine_Paths::Find;

namespace {

timespec Changed_At(const std::string& folder) {
  struct stat st;
  stat(folder.c_str(), &st);
  return st.st_mtim;
}

// Another process writes in the same tick of the clock as the program: the
// folder's time does not move.
void Write_Behind_Its_Back(const std::string& folder, const std::string& name) {
  timespec before = Changed_At(folder);
  Write_File(folder + "/" + name, "x");
  timespec times[2] = {before, before};
  utimensat(AT_FDCWD, folder.c_str(), times, 0);
}

}  // namespace

TEST(Wine_Paths, NamesInAnyLetterCaseAddedAndRemoved) {
  Temp_Folder dir;
  Wine_Paths::Names names;
  Make_Folder(dir / "Maps");
  Write_File(dir / "Maps/DM-Deck.ut2", "map");

  Wine_Paths::Found found = Find(names, dir.path + "\\MAPS\\dm-deck.UT2");
  EXPECT_TRUE(found.exists && found.certain);
  EXPECT_EQ(found.path, dir / "Maps/DM-Deck.ut2");
  found = Find(names, dir.path + "\\maps\\Neu.u\\x");
  EXPECT_FALSE(found.exists);
  EXPECT_TRUE(found.certain);
  EXPECT_EQ(found.path, dir / "Maps/Neu.u/x");

  // The program's own new name is known without reading the folder again.
  Write_File(dir / "Maps/Neu.u", "new");
  Wine_Paths::Note_Made(names, dir / "Maps/Neu.u");
  EXPECT_EQ(Find(names, dir.path + "\\maps\\NEU.U").path, dir / "Maps/Neu.u");

  // Once removed, a name written in its place within the same tick is
  // not seen by the filter, only by reading.
  unlink((dir / "Maps/Neu.u").c_str());
  Wine_Paths::Note_Removed(names, dir / "Maps/Neu.u");
  Write_Behind_Its_Back(dir / "Maps", "NEU.u");
  EXPECT_FALSE(Find(names, dir.path + "\\Maps\\neu.u").exists);
  found = Find(names, dir.path + "\\Maps\\neu.u", Absence::read);
  EXPECT_TRUE(found.exists);
  EXPECT_EQ(found.path, dir / "Maps/NEU.u");

  // A folder whose time moved is read again.
  Write_File(dir / "Maps/ANDERS.U", "y");
  EXPECT_TRUE(Find(names, dir.path + "\\Maps\\anders.u").exists);
}

TEST(Wine_Paths, NamesThatAreNoUtf8MatchNothingAndOthersAnyCase) {
  Temp_Folder dir;
  Wine_Paths::Names names;
  Write_File(dir / "Caf\xE9.ut2", "raw byte");
  Write_File(dir / "\xC4\x80\xC5\x81\xD0\x96.ut2", "beyond Windows-1252");
  // A name on disk that is no UTF-8 is no name in another letter case.
  EXPECT_FALSE(Find(names, dir.path + "\\CAF\xC9.ut2").exists);
  EXPECT_FALSE(Find(names, dir.path + "\\CAF\xC3\x89.ut2").exists);
  // "ĀŁЖ" found as "āłж", the letters of every code page alike.
  Wine_Paths::Found found = Find(names, dir.path + "\\\xC4\x81\xC5\x82\xD0\xB6.UT2");
  EXPECT_TRUE(found.exists);
  EXPECT_EQ(found.path, dir / "\xC4\x80\xC5\x81\xD0\x96.ut2");
  EXPECT_EQ(Wine_Paths::Compare_Form("Caf\xC3\x89"), "caf\xC3\xA9");
}

TEST(Wine_Paths, AFullCounterOfTheFilterStaysFull) {
  Temp_Folder dir;
  Wine_Paths::Names names;
  Make_Folder(dir / "Maps");
  Write_File(dir / "Maps/DM-Deck.ut2", "map");
  EXPECT_TRUE(Find(names, dir.path + "\\Maps\\dm-deck.ut2").exists);
  // Counted in more often than a counter of four bits counts, then out as
  // often: a full counter no longer knows how many names it holds, so the
  // name that is still there is never taken for gone.
  for (int i = 0; i < 20; ++i) Wine_Paths::Note_Made(names, dir / "Maps/DM-Deck.ut2");
  for (int i = 0; i < 20; ++i) Wine_Paths::Note_Removed(names, dir / "Maps/DM-Deck.ut2");
  EXPECT_TRUE(Find(names, dir.path + "\\MAPS\\DM-DECK.UT2").exists);
}
