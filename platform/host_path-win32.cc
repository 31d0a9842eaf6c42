// Windows: paths are handed to the file calls as they are.
#include "platform/host_path.h"

std::string Host_Path(const std::string& path) {
  return path;
}

void Note_Change(const std::string&) {}
