// Linux: the native UT2004 (the community's build, and 3369) and UT2003 keep
// their cache in ~/.ut2004 and ~/.ut2003.
#include <sys/stat.h>

#include <cstdlib>

#include "platform/host_text.h"
#include "platform/user_folders.h"

namespace {

// Below $HOME, newest game first. The macOS builds would add
// "Library/Application Support/UT2004" here; they are not supported yet.
const char* const kUser_Folders[] = {".ut2004", ".ut2003"};

}  // namespace

std::vector<std::string> User_Folders() {
  std::vector<std::string> found;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return found;
  std::string base(home);
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/") base.clear();
  for (const char* name : kUser_Folders) {
    std::string folder = base + "/" + name;
    struct stat st;
    if (stat((folder + "/Cache").c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    std::string text;
    Argument_Text(folder, text);
    found.push_back(text);
  }
  return found;
}
