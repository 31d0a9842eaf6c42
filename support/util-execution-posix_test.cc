// The commands COPY /Y, DEL and REN as this platform carries them out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "base/paths.h"
#include "platform/host_files.h"
#include "support/util-execution.h"
#include "tests/scoped_environment.h"
#include "tests/test_util.h"

using Util::Execution::Execute;

namespace {

struct Outcome {
  int status;
  std::string output;
};

Outcome Execute_Captured(const std::string& command) {
  Captured_Output out;
  int status = Execute(command);
  return {status, out.Finish()};
}

std::vector<std::string> Names_In(const std::string& folder) {
  std::vector<std::string> names;
  for (auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(Execute, CopyReplacesTheTargetWhole) {
  Temp_Folder dir;
  Make_Folder(dir / "Maps");
  Write_File(dir / "a.uxx", "new content");
  Write_File(dir / "Maps/DM-X.ut2", "old");
  // The file it replaces differs: it is kept, in the run's folder, under
  // its own folder and name; a second one of that name is numbered. One the
  // copy holds already is replaced without a word.
  std::string kept =
      "alte Fassung gesichert nach " + Util::Execution::Keep_Path(dir.path + "\\Maps\\DM-X.ut2");
  for (std::string old : {"old", "older one", "new content"}) {
    Write_File(dir / "Maps/DM-X.ut2", old);
    Outcome run =
        Execute_Captured("COPY /Y \"" + dir / "a.uxx\" \"" + dir.path + "\\Maps\\DM-X.ut2\"");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "        1 Datei(en) kopiert.\n" +
                              (old == "old"         ? kept + "\n"
                               : old == "older one" ? kept.substr(0, kept.size() - 4) + " (2).ut2\n"
                                                    : ""));
    EXPECT_EQ(Read_File(dir / "Maps/DM-X.ut2"), "new content");
  }
  EXPECT_EQ(Read_File(dir / "a.uxx"), "new content");
  EXPECT_EQ(Names_In(dir / "Maps"), Names{"DM-X.ut2"});
  std::string stamp = Names_In(dir / "Morvane-Sicherung").at(0);
  EXPECT_EQ(Names_In(dir / "Morvane-Sicherung/" + stamp + "/Maps"),
            (Names{"DM-X (2).ut2", "DM-X.ut2"}));
  EXPECT_EQ(Read_File(dir / "Morvane-Sicherung/" + stamp + "/Maps/DM-X.ut2"), "old");
  EXPECT_EQ(Read_File(dir / "Morvane-Sicherung/" + stamp + "/Maps/DM-X (2).ut2"), "older one");
}

TEST(Execute, AFileMadeAfterItsTargetWasLookedAtIsKeptNotReplaced) {
  Temp_Folder dir;
  Make_Folder(dir / "Cache");
  Write_File(dir / "Cache/a.uxx", "package");
  // In the package's own installation (a move) and in a further one (a copy).
  for (std::string target : {"\\Maps\\DM-X.ut2", "\\Kopie\\Maps\\DM-X.ut2"}) {
    SCOPED_TRACE(target);
    std::string host = dir.path + target;
    std::replace(host.begin() + dir.path.size(), host.end(), '\\', '/');
    Make_Folder(Folder_Part(host));
    ASSERT_EQ(Host_Files::Look(dir.path + target), Host_Files::Kind::absent);
    // Another program puts a file there within the same tick of the
    // folder's clock: nothing tells the program that the folder changed.
    struct stat folder;
    ASSERT_EQ(stat(Folder_Part(host).c_str(), &folder), 0);
    Write_File(host, "the player's");
    timespec times[2] = {folder.st_atim, folder.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, Folder_Part(host).c_str(), times, 0), 0);
    Outcome run = Execute_Captured("COPY /Y \"" + dir.path + "\\Cache\\a.uxx\" \"" + dir.path +
                                   target + "\"");
    EXPECT_EQ(run.output, "        1 Datei(en) kopiert.\nalte Fassung gesichert nach " +
                              Util::Execution::Keep_Path(dir.path + target) + "\n");
    EXPECT_EQ(Read_File(host), "package");
    std::string kept = Util::Execution::Keep_Path(dir.path + target);
    std::replace(kept.begin() + dir.path.size(), kept.end(), '\\', '/');
    EXPECT_EQ(Read_File(kept), "the player's");
  }
}

TEST(Execute, CopyFailuresLeaveTheTargetAlone) {
  Temp_Folder dir;
  Make_Folder(dir / "Maps");
  Write_File(dir / "a.uxx", "content");
  Write_File(dir / "Maps/keep.ut2", "old");

  Outcome missing = Execute_Captured("COPY /Y \"" + dir / "b.uxx\" \"" + dir / "Maps/x.ut2\"");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.output,
            "Das System kann die angegebene Datei nicht finden.\n        0 Datei(en) kopiert.\n");

  Outcome no_folder = Execute_Captured("COPY /Y \"" + dir / "a.uxx\" \"" + dir / "Music/x.ogg\"");
  EXPECT_EQ(no_folder.status, 1);
  EXPECT_EQ(no_folder.output,
            "Das System kann den angegebenen Pfad nicht finden.\n        0 Datei(en) kopiert.\n");
  EXPECT_FALSE(Exists(dir / "Music"));

  chmod((dir / "Maps/keep.ut2").c_str(), 0444);
  Outcome read_only = Execute_Captured("COPY /Y \"" + dir / "a.uxx\" \"" + dir / "Maps/keep.ut2\"");
  EXPECT_EQ(read_only.status, 1);
  EXPECT_EQ(read_only.output, "Zugriff verweigert.\n        0 Datei(en) kopiert.\n");
  EXPECT_EQ(Read_File(dir / "Maps/keep.ut2"), "old");
  EXPECT_EQ(Names_In(dir / "Maps"), Names{"keep.ut2"});

  // Only a file is copied: a device (here one that ends at once) would
  // never end, a pipe would block.
  ASSERT_EQ(symlink("/dev/null", (dir / "device.uxx").c_str()), 0);
  EXPECT_EQ(Execute_Captured("COPY /Y \"" + dir / "device.uxx\" \"" + dir / "Maps/d.u\"").status,
            1);
  EXPECT_EQ(Names_In(dir / "Maps"), Names{"keep.ut2"});
}

TEST(Execute, QuotedPathsKeepTheirBlanksAndCaseIsFound) {
  Temp_Folder dir;
  Make_Folder(dir / "Program Files/UT2004/System");
  Write_File(dir / "Program Files/UT2004/System/Core.U", "old");
  Write_File(dir / "k e y.uxx", "pkg");
  std::string base = dir.path + "\\program files\\ut2004";
  Outcome run = Execute_Captured("copy \"" + dir / "k e y.uxx\" \"" + base + "\\SYSTEM\\core.u\"");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(Read_File(dir / "Program Files/UT2004/System/Core.U"), "pkg");
  EXPECT_EQ(Names_In(dir / "Program Files/UT2004/System"), Names{"Core.U"});

  // Names beyond ASCII: UTF-8 in the program and on disk, as Wine has them,
  // and their letters too compared in any case.
  Make_Folder(dir / "M\xc3\xbcll/Maps");
  Write_File(dir / "M\xc3\xbcll/Maps/Caf\xc3\xa9.ut2", "old");
  std::string maps = dir.path + "\\M\xc3\x9cLL\\maps\\";
  EXPECT_EQ(
      Execute_Captured("COPY /Y \"" + dir / "k e y.uxx\" \"" + maps + "CAF\xc3\x89.UT2\"").status,
      0);
  EXPECT_EQ(
      Execute_Captured("COPY /Y \"" + dir / "k e y.uxx\" \"" + maps + "N\xc3\xa9u.ut2\"").status,
      0);
  EXPECT_EQ(Names_In(dir / "M\xc3\xbcll/Maps"), (Names{"Caf\xc3\xa9.ut2", "N\xc3\xa9u.ut2"}));
  EXPECT_EQ(Read_File(dir / "M\xc3\xbcll/Maps/Caf\xc3\xa9.ut2"), "pkg");
}

TEST(Execute, NamesMadeOnTheWayAreFoundInAnyCase) {
  Temp_Folder dir;
  Make_Folder(dir / "Maps");
  Write_File(dir / "a.uxx", "first");
  Write_File(dir / "b.uxx", "second");
  std::string maps = dir.path + "\\Maps\\";
  EXPECT_EQ(Execute_Captured("COPY /Y \"" + dir / "a.uxx\" \"" + maps + "DM-X.ut2\"").status, 0);
  EXPECT_EQ(Execute_Captured("COPY /Y \"" + dir / "b.uxx\" \"" + maps + "dm-x.UT2\"").status, 0);
  EXPECT_EQ(Names_In(dir / "Maps"), Names{"DM-X.ut2"});
  EXPECT_EQ(Read_File(dir / "Maps/DM-X.ut2"), "second");
  // A file that another program puts there is seen as well.
  Write_File(dir / "Maps/Other.UT2", "theirs");
  EXPECT_EQ(Execute_Captured("COPY /Y \"" + dir / "a.uxx\" \"" + maps + "other.ut2\"").status, 0);
  EXPECT_EQ(Names_In(dir / "Maps"), (Names{"DM-X.ut2", "Other.UT2"}));
  EXPECT_EQ(Read_File(dir / "Maps/Other.UT2"), "first");
}

TEST(Execute, DeleteAndRename) {
  Temp_Folder dir;
  Write_File(dir / "a.uxx", "x");
  EXPECT_EQ(Execute_Captured("DEL \"" + dir / "A.UXX\"").output, "");
  EXPECT_FALSE(Exists(dir / "a.uxx"));
  Outcome again = Execute_Captured("DEL \"" + dir / "a.uxx\"");
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.output, "Das System kann die angegebene Datei nicht finden.\n");

  Write_File(dir / "tempcache.ini", "new");
  Write_File(dir / "cache.ini", "old");
  Outcome taken = Execute_Captured("REN \"" + dir / "tempcache.ini\" cache.ini");
  EXPECT_EQ(taken.status, 1);
  EXPECT_EQ(taken.output,
            "Eine doppelte Datei ist bereits vorhanden, oder die Datei wurde nicht gefunden.\n");
  EXPECT_EQ(Read_File(dir / "cache.ini"), "old");
  std::filesystem::remove(dir / "cache.ini");
  Outcome done = Execute_Captured("REN \"" + dir / "tempcache.ini\" cache.ini");
  EXPECT_EQ(done.status, 0);
  EXPECT_EQ(done.output, "");
  EXPECT_EQ(Names_In(dir.path), Names{"cache.ini"});
  EXPECT_EQ(Read_File(dir / "cache.ini"), "new");
  Outcome gone = Execute_Captured("REN \"" + dir / "tempcache.ini\" cache.ini");
  EXPECT_EQ(gone.status, 1);
  EXPECT_EQ(gone.output, "Das System kann die angegebene Datei nicht finden.\n");
  // REN's new name is a name in the same folder, never a path.
  Make_Folder(dir / "sub");
  for (const char* elsewhere : {"sub/moved.ini", "sub\\moved.ini", "C:moved.ini"}) {
    Outcome refused = Execute_Captured("REN \"" + dir / "cache.ini\" " + elsewhere);
    EXPECT_EQ(refused.status, 1) << elsewhere;
    EXPECT_EQ(refused.output,
              "Die Syntax fuer den Dateinamen, Verzeichnisnamen oder die Datentraegerbezeichnung "
              "ist falsch.\n");
  }
  EXPECT_EQ(Names_In(dir.path), (Names{"cache.ini", "sub"}));
  EXPECT_EQ(Names_In(dir / "sub"), Names{});
}

TEST(Execute, DriveLettersGoThroughThePrefix) {
  Temp_Folder dir;
  Make_Folder(dir / "drive_c/UT2004/Cache");
  Make_Folder(dir / "dosdevices");
  std::filesystem::create_directory_symlink("../drive_c", dir / "dosdevices/c:");
  Write_File(dir / "drive_c/UT2004/Cache/K.uxx", "p");
  {
    Scoped_Environment wineprefix("WINEPREFIX", dir.path);
    EXPECT_EQ(Execute_Captured("DEL \"C:\\UT2004\\Cache\\K.uxx\"").status, 0);
  }
  EXPECT_FALSE(Exists(dir / "drive_c/UT2004/Cache/K.uxx"));
}

TEST(Execute, OtherCommandsAreRefused) {
  Temp_Folder dir;
  Write_File(dir / "a", "x");
  for (std::string command :
       std::vector<std::string>{"MOVE a b", "COPY /Y", "DEL /Q \"" + dir / "a\"", "", "echo hi"}) {
    Outcome run = Execute_Captured(command);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "Der Befehl wird nicht unterstuetzt: " + command + "\n");
  }
  EXPECT_TRUE(Exists(dir / "a"));
}
