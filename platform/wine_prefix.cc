// Where the Wine prefix lies whose drives and registry the native build uses.
#include "platform/wine_prefix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <thread>

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

void Read_Registries_Ahead(std::vector<std::string> prefixes) {
  const size_t kThreads = 4;
  auto shared = std::make_shared<const std::vector<std::string>>(std::move(prefixes));
  for (size_t t = 0; t < kThreads && t < shared->size(); ++t)
    std::thread([shared, t] {
      std::vector<char> buffer(1 << 20);
      for (size_t i = t; i < shared->size(); i += kThreads) {
        int fd = open(((*shared)[i] + "/system.reg").c_str(),
                      O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) continue;
        struct stat st;
        // As much as is read whole, and of a file alone (never a pipe).
        for (off_t done = 0; fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && done < (64 << 20);) {
          ssize_t n = read(fd, buffer.data(), buffer.size());
          if (n <= 0) break;
          done += n;
        }
        close(fd);
      }
    }).detach();
}
