// Fuzzes the reader of Steam's VDF files, and the readings of the Lutris
// and Heroic files, over arbitrary files.
#include <cstdlib>
#include <string>

#include "platform/launcher_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (const std::string& library : Launcher_Files::Steam_Libraries(text))
    if (library.empty()) std::abort();
  Launcher_Files::Lutris_Prefix(text);
  Launcher_Files::Heroic_Prefixes(text);
  return 0;
}
