// Linux: the native UT2004 (the community's build, and 3369) and UT2003 keep
// their cache in ~/.ut2004 and ~/.ut2003; OldUnreal's UT2004 started with
// -nohomedir keeps it in the game's own folder.
#include <sys/stat.h>

#include <cstdlib>
#include <set>
#include <utility>

#include "platform/host_text.h"
#include "platform/launchers.h"
#include "platform/user_folders.h"
#include "platform/wine_prefix.h"

namespace {

// Below $HOME, newest game first. The macOS builds would add
// "Library/Application Support/UT2004" here; they are not supported yet.
const char* const kUser_Folders[] = {".ut2004", ".ut2003"};

}  // namespace

std::vector<std::string> Native_Game_Folders() {
  std::vector<std::string> folders;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return folders;
  for (const char* name : kUser_Folders) folders.push_back(Home_Folder() + "/" + name);
  if (std::string game = Native_Game_Folder(); !game.empty()) folders.push_back(game);
  return folders;
}

std::vector<std::string> User_Folders() {
  std::vector<std::string> found;
  // Each once, however it is reached.
  std::set<std::pair<dev_t, ino_t>> seen;
  for (const std::string& folder : Native_Game_Folders()) {
    struct stat st;
    if (stat((folder + "/Cache").c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        !seen.insert({st.st_dev, st.st_ino}).second)
      continue;
    found.push_back(folder);
  }
  return found;
}

std::string Places_Searched() {
  // Without WINEPREFIX the launchers' prefixes are searched too: the home
  // is written "~", as in the list, so that the report stays short.
  bool launchers = Searches_Launchers();
  std::string home = launchers ? "~" : Home_Folder();
  std::string places = (launchers ? home + "/.wine" : Wine_Prefix()) + "/system.reg";
  if (launchers) places += ", " + Launcher_Places();
  for (const char* name : kUser_Folders) places += ", " + home + "/" + name + "/Cache";
  return places;
}
