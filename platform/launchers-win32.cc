// Windows: the games are in the one registry; no launcher prefixes.
#include "platform/launchers.h"

std::vector<Launcher_Prefix> Launcher_Prefixes() {
  return {};
}

bool Searches_Launchers() {
  return false;
}

std::string Launcher_Places() {
  return "";
}

void Use_Prefix(const std::string&) {}

std::string Installation_Identity(const std::string& folder) {
  return folder;
}

std::string Place_On_This_Computer(const std::string&) {
  return "";
}
