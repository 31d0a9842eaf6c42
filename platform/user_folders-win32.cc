// Windows: the games keep their cache in the installation folder.
#include "platform/user_folders.h"

std::vector<std::string> User_Folders() {
  return {};
}

std::vector<std::string> Native_Game_Folders() {
  return {};
}

std::string Places_Searched() {
  return "";
}
