// Fuzzes the reader of Steam's VDF files (libraries and app manifests), and
// the readings of the Lutris and Heroic files and of a menu entry, over
// arbitrary files.
#include <cstdlib>
#include <string>

#include "platform/launcher_files.h"
#include "platform/steam_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (const std::string& library : Steam_Files::Libraries(text))
    if (library.empty()) std::abort();
  // A game's folder never leads out of steamapps/common.
  std::string installdir = Steam_Files::Installdir(text);
  if (installdir == ".." || installdir.find_first_of("/\\:") != std::string::npos) std::abort();
  std::string folder = Launcher_Files::Desktop_Game_Folder(text);
  if (!folder.empty() && folder[0] != '/') std::abort();
  Launcher_Files::Lutris_Prefix(text);
  Launcher_Files::Heroic_Prefixes(text);
  return 0;
}
