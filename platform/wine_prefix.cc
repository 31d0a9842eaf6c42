// Where the Wine prefix lies whose drives and registry the native build uses.
#include "platform/wine_prefix.h"

#include <cstdlib>

namespace {
std::string used;  // set by Use_Wine_Prefix
}

std::string Wine_Prefix() {
  if (!used.empty()) return used;
  if (Wine_Prefix_Chosen()) return std::getenv("WINEPREFIX");
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.wine";
}

void Use_Wine_Prefix(const std::string& prefix) {
  used = prefix;
}

bool Wine_Prefix_Chosen() {
  const char* prefix = std::getenv("WINEPREFIX");
  return prefix && *prefix;
}

std::string Home_Folder() {
  const char* home = std::getenv("HOME");
  std::string base(home ? home : "");
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}
