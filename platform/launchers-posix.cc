// Linux: each launcher's prefixes, found where the launcher keeps them. The
// folders are read one level deep, never followed further, and the files
// are read only when they are regular files of modest size, so that no
// link loop, pipe or huge file can hold the list up.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

#include "platform/host_text.h"
#include "platform/launcher_files.h"
#include "platform/launchers.h"
#include "platform/steam_files.h"
#include "platform/wine_paths.h"
#include "platform/wine_prefix.h"

namespace {

const off_t kLargest_File = 1 << 20;  // a launcher's file beyond this is no real one

// Below $HOME.
const char kSteam[][56] = {".steam/steam", ".local/share/Steam",
                           ".var/app/com.valvesoftware.Steam/.local/share/Steam"};
const char kLutris[][48] = {".config/lutris/games", ".local/share/lutris/games",
                            ".var/app/net.lutris.Lutris/config/lutris/games",
                            ".var/app/net.lutris.Lutris/data/lutris/games"};
const char kHeroic[][64] = {".config/heroic/GamesConfig",
                            ".var/app/com.heroicgameslauncher.hgl/config/heroic/GamesConfig"};
// Folders whose every subfolder may be a prefix, per launcher.
const std::pair<const char*, const char*> kDefault_Folders[] = {
    {"Lutris", "Games"},
    {"Heroic", "Games/Heroic/Prefixes"},
    {"Heroic", "Games/Heroic/Prefixes/default"},
    {"Bottles", ".local/share/bottles/bottles"},
    {"Bottles", ".var/app/com.usebottles.bottles/data/bottles/bottles"},
    {"PlayOnLinux", ".PlayOnLinux/wineprefix"},
};

// The names in `folder`, sorted, without "." and "..": none when it
// cannot be read.
std::vector<std::string> Names_In(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// The whole of a regular file of at most kLargest_File bytes; "" for
// anything else. Opened without waiting, so that a pipe cannot hold it.
std::string Small_File(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return "";
  std::string text;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kLargest_File) {
    text.resize(st.st_size);
    size_t got = 0;
    ssize_t n = 0;
    while (got < text.size() && (n = read(fd, text.data() + got, text.size() - got)) > 0) got += n;
    if (n < 0) got = 0;  // a failed read is no file
    text.resize(got);
  }
  close(fd);
  return text;
}

// `folder` as the list shows it: the home written "~".
std::string Shown(const std::string& home, const std::string& folder) {
  if (!folder.starts_with(home + "/")) return folder;
  return "~/" + folder.substr(folder.find_first_not_of('/', home.size()));  // a home ending in "/"
}

// The player's Steam libraries, each once: each of Steam's folders and the
// libraries that its libraryfolders.vdf lists, in that order.
std::vector<std::string> Steam_Libraries(const std::string& home) {
  std::vector<std::string> libraries;
  std::set<std::pair<dev_t, ino_t>> seen;
  for (const char* root : kSteam) {
    std::string base = home + "/" + root;
    std::vector<std::string> here{base};
    for (const char* file : {"/steamapps/libraryfolders.vdf", "/config/libraryfolders.vdf"})
      for (std::string library : Steam_Files::Libraries(Small_File(base + file)))
        if (Host_Path(library) && library[0] == '/') here.push_back(library);
    for (const std::string& library : here) {
      struct stat st;
      if (stat(library.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
          seen.insert({st.st_dev, st.st_ino}).second)
        libraries.push_back(library);
    }
  }
  return libraries;
}

// Whether `folder` holds a Wine registry.
bool Has_Registry(const std::string& folder) {
  struct stat reg;
  return stat((folder + "/system.reg").c_str(), &reg) == 0 && S_ISREG(reg.st_mode);
}

// The prefixes that each launcher's files name, in the order found.
struct Search {
  std::string home;
  std::vector<Launcher_Prefix> found;
  std::set<std::pair<dev_t, ino_t>> seen;

  // Taken when it holds a registry and is not the same folder as one taken.
  void Take(const char* launcher, std::string folder) {
    if (!Host_Path(folder) || folder[0] != '/') return;  // "~/..." is the home
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !Has_Registry(folder)) return;
    if (!seen.insert({st.st_dev, st.st_ino}).second) return;
    found.push_back({launcher, folder, Shown(home, folder)});
  }

  void Steam() {
    for (const std::string& library : Steam_Libraries(home)) {
      std::string compatdata = library + "/steamapps/compatdata";
      for (const std::string& app : Names_In(compatdata))
        Take("Steam", compatdata + "/" + app + "/pfx");
    }
  }

  // Each prefix that the launcher's files of that `ending` in `folder` name.
  void Configured(const char* launcher, const char* folder, const char* ending,
                  std::vector<std::string> (*prefixes)(const std::string& text)) {
    std::string base = home + "/" + folder;
    for (const std::string& name : Names_In(base))
      if (name.ends_with(ending))
        for (const std::string& prefix : prefixes(Small_File(base + "/" + name)))
          Take(launcher, prefix);
  }

  static std::vector<std::string> Lutris_Prefixes(const std::string& yaml) {
    return {Launcher_Files::Lutris_Prefix(yaml)};
  }

  // The subfolders of the launcher's folders of prefixes.
  void Defaults(const std::string& launcher) {
    for (const auto& [owner, folder] : kDefault_Folders)
      if (owner == launcher)
        for (const std::string& name : Names_In(home + "/" + folder))
          Take(owner, home + "/" + folder + "/" + name);
  }

  // Each launcher's own files first, then its folders of prefixes, so that
  // a prefix is named after the launcher that keeps it.
  void All() {
    struct stat st;
    if (stat(Wine_Prefix().c_str(), &st) == 0) seen.insert({st.st_dev, st.st_ino});
    Steam();
    for (const char* folder : kLutris) Configured("Lutris", folder, ".yml", Lutris_Prefixes);
    Defaults("Lutris");
    for (const char* folder : kHeroic)
      Configured("Heroic", folder, ".json", Launcher_Files::Heroic_Prefixes);
    Defaults("Heroic");
    Defaults("Bottles");
    Defaults("PlayOnLinux");
  }
};

}  // namespace

bool Searches_Launchers() {
  return !Wine_Prefix_Chosen() && !Home_Folder().empty();
}

std::vector<Launcher_Prefix> Launcher_Prefixes() {
  if (!Searches_Launchers()) return {};
  Search search;
  search.home = Home_Folder();
  search.All();
  std::vector<std::string> folders;
  for (const Launcher_Prefix& prefix : search.found) folders.push_back(prefix.folder);
  Read_Registries_Ahead(folders);
  return search.found;
}

std::vector<Steam_Game> Steam_Games() {
  std::vector<Steam_Game> games;
  if (!Searches_Launchers()) return games;
  std::string home = Home_Folder();
  for (const std::string& library : Steam_Libraries(home)) {
    std::string installdir =
        Steam_Files::Installdir(Small_File(library + "/steamapps/appmanifest_13230.acf"));
    std::string folder = library + "/steamapps/common/" + installdir;
    struct stat st;
    if (installdir.empty() || stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    // Proton's prefix for the game; without one the game's folder alone.
    std::string prefix = library + "/steamapps/compatdata/13230/pfx";
    games.push_back({Shown(home, library), folder, Has_Registry(prefix) ? prefix : ""});
  }
  return games;
}

std::string Native_Game_Folder() {
  std::string home = Home_Folder();
  const char* data = std::getenv("XDG_DATA_HOME");
  // A relative $XDG_DATA_HOME counts as unset, as the desktop menus take it.
  std::string folder = data && data[0] == '/' ? data : home.empty() ? "" : home + "/.local/share";
  if (folder.empty()) return "";
  return Launcher_Files::Desktop_Game_Folder(
      Small_File(folder + "/applications/OldUnreal-UT2004.desktop"));
}

std::string Launcher_Places() {
  return Searches_Launchers()
             ? "den Wine-Umgebungen von Steam, Lutris, Heroic, Bottles und PlayOnLinux, den "
               "Bibliotheken von Steam"
             : "";
}

void Use_Prefix(const std::string& prefix) {
  Use_Wine_Prefix(prefix);
}

namespace {

// The host path `path` with its links resolved: of one that is not there,
// the folder above it that is, and the names below.
std::string Resolved(const std::string& host_path) {
  std::string path = host_path, below;
  while (!path.empty()) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      std::string resolved = real + below;
      free(real);
      return resolved;
    }
    size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) break;
    below = path.substr(cut) + below;
    path.resize(cut);
  }
  return host_path;
}

}  // namespace

std::string Installation_Identity(const std::string& folder) {
  Wine_Paths::Names names;
  Wine_Paths::Found found = Wine_Paths::Find(names, folder);
  struct stat st;
  if (stat(found.path.c_str(), &st) == 0)
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  return Resolved(found.path);
}

std::string Place_On_This_Computer(const std::string& folder) {
  Wine_Paths::Names names;
  std::string place = Resolved(Wine_Paths::Find(names, folder).path);
  std::vector<std::string> homes = {Home_Folder()};
  if (char* real = homes[0].empty() ? nullptr : realpath(homes[0].c_str(), nullptr)) {
    homes.push_back(real);  // the home as its links lead
    free(real);
  }
  for (const std::string& home : homes)
    if (home.size() > 1 && place.starts_with(home + "/")) return "~" + place.substr(home.size());
  return place;
}

std::string Prefix_Of(std::string& folder) {
  // Below a prefix's drive_c, whichever part of the path that is, where the
  // folder's links lead.
  std::string path = Resolved(folder);
  for (size_t cut = path.rfind("/drive_c"); cut != std::string::npos && cut > 0;
       cut = path.rfind("/drive_c", cut - 1)) {
    size_t end = cut + 8;
    if ((end < path.size() && path[end] != '/') || !Has_Registry(path.substr(0, cut))) continue;
    std::string rest = path.substr(end);
    std::replace(rest.begin(), rest.end(), '/', '\\');
    folder = "C:" + rest;
    return path.substr(0, cut);
  }
  const std::string common = "/steamapps/common/";
  size_t library = path.rfind(common);
  if (library == std::string::npos || path.find('/', library + common.size()) != std::string::npos)
    return "";
  std::string proton = path.substr(0, library) + "/steamapps/compatdata/13230/pfx";
  return Has_Registry(proton) ? proton : "";
}
