// Linux: the native UT2004 (the community's build, and 3369) and UT2003 keep
// their cache in ~/.ut2004 and ~/.ut2003.
#include <sys/stat.h>

#include <cstdlib>

#include "platform/host_text.h"
#include "platform/launchers.h"
#include "platform/user_folders.h"
#include "platform/wine_prefix.h"

namespace {

// Below $HOME, newest game first. The macOS builds would add
// "Library/Application Support/UT2004" here; they are not supported yet.
const char* const kUser_Folders[] = {".ut2004", ".ut2003"};

}  // namespace

std::vector<std::string> User_Folders() {
  std::vector<std::string> found;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return found;
  std::string base = Home_Folder();
  for (const char* name : kUser_Folders) {
    std::string folder = base + "/" + name;
    struct stat st;
    if (stat((folder + "/Cache").c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
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
