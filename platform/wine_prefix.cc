// Where the Wine prefix lies whose drives and registry the native build uses.
#include "platform/wine_prefix.h"

#include <cstdlib>

std::string Wine_Prefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.wine";
}
