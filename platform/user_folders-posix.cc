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

// $HOME without a separator at its end; "" for the root or none.
std::string Home() {
  const char* home = std::getenv("HOME");
  std::string base(home ? home : "");
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

}  // namespace

std::vector<std::string> User_Folders() {
  std::vector<std::string> found;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return found;
  std::string base = Home();
  for (const char* name : kUser_Folders) {
    std::string folder = base + "/" + name;
    struct stat st;
    if (stat((folder + "/Cache").c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    found.push_back(folder);
  }
  return found;
}

std::string Places_Searched() {
  std::string places = Wine_Prefix() + "/system.reg";
  std::string launchers = Launcher_Places();
  if (!launchers.empty()) places += ", " + launchers;
  for (const char* name : kUser_Folders) places += ", " + Home() + "/" + name + "/Cache";
  return places;
}
