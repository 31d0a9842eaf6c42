// Windows: the games are in the one registry, and no launcher makes Wine
// prefixes. Steam's games are found by Steam's own files as well, in the
// libraries of the Steam that the registry names.
#include <algorithm>
#include <cstdio>
#include <set>

#include "base/utf8.h"
#include "platform/gwindows-registry.h"
#include "platform/host_files.h"
#include "platform/launchers.h"
#include "platform/steam_files.h"

namespace {

const int64_t kLargest_File = 1 << 20;  // a Steam file beyond this is no real one

// The whole of a regular file of at most kLargest_File bytes; "" for
// anything else.
std::string Small_File(const std::string& path) {
  int64_t size = -1;
  if (Host_Files::Look(path, Host_Files::Seen::read, &size) != Host_Files::Kind::file ||
      size > kLargest_File)
    return "";
  int error = 0;
  std::FILE* file = Host_Files::Open(path, "rb", &error);
  if (!file) return "";
  std::string text(static_cast<size_t>(size), '\0');
  text.resize(std::fread(text.data(), 1, text.size(), file));
  if (std::ferror(file)) text.clear();  // a failed read is no file
  std::fclose(file);
  return text;
}

// A folder as Steam writes it ("c:/program files (x86)/steam", or escaped
// in its files) in Windows' own form, without a separator at its end.
std::string Windows_Form(std::string folder) {
  std::replace(folder.begin(), folder.end(), '/', '\\');
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

// Steam's folder: the user's Steam, else the one installed for every user
// (the 32-bit view, as Steam writes it); "" for none.
std::string Steam_Folder() {
  using namespace GWindows::Registry;
  std::optional<std::string> folder =
      Find_Value("Software\\Valve\\Steam", "SteamPath", HKEY_CURRENT_USER);
  if (!folder || folder->empty())
    folder = Find_Value("SOFTWARE\\Valve\\Steam", "InstallPath", HKEY_LOCAL_MACHINE);
  return folder ? Windows_Form(*folder) : "";
}

}  // namespace

std::vector<Launcher_Prefix> Launcher_Prefixes() {
  return {};
}

std::vector<Steam_Game> Steam_Games() {
  std::vector<Steam_Game> games;
  std::string steam = Steam_Folder();
  if (steam.empty()) return games;
  std::vector<std::string> libraries{steam};
  for (const char* file : {"\\steamapps\\libraryfolders.vdf", "\\config\\libraryfolders.vdf"})
    for (const std::string& library : Steam_Files::Libraries(Small_File(steam + file)))
      libraries.push_back(Windows_Form(library));
  std::set<std::string> seen;
  for (const std::string& library : libraries) {
    if (!seen.insert(Installation_Identity(library)).second) continue;
    std::string installdir =
        Steam_Files::Installdir(Small_File(library + "\\steamapps\\appmanifest_13230.acf"));
    std::string folder = library + "\\steamapps\\common\\" + installdir;
    if (!installdir.empty() && Host_Files::Look(folder + "\\") == Host_Files::Kind::folder)
      games.push_back({library, folder, ""});
  }
  return games;
}

std::string Native_Game_Folder() {
  return "";
}

std::string Prefix_Of(std::string&) {
  return "";
}

bool Searches_Launchers() {
  return false;
}

std::string Launcher_Places() {
  return "";
}

void Use_Prefix(const std::string&) {}

std::string Installation_Identity(const std::string& folder) {
  // Where the folder lies on its disk; of one that is not there, its name as
  // Windows compares names.
  Host_Files::Identity identity = Host_Files::Identify(folder);
  if (identity.size >= 0)
    return std::to_string(identity.volume) + ":" + std::to_string(identity.file);
  return Utf8::Fold(Windows_Form(folder));
}

std::string Place_On_This_Computer(const std::string&) {
  return "";
}
