// Where the Wine prefix lies whose drives and registry the native build uses.
#include "platform/wine_prefix.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "platform/wine_registry_file.h"

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

namespace {

// What one thread reads ahead: every `step`th prefix from `first` on.
struct Ahead {
  std::shared_ptr<const std::vector<std::string>> prefixes;
  size_t first, step;
};

void* Read_Ahead(void* argument) {
  std::unique_ptr<Ahead> ahead(static_cast<Ahead*>(argument));
  std::vector<char> buffer(1 << 20);
  for (size_t i = ahead->first; i < ahead->prefixes->size(); i += ahead->step) {
    int fd = open(((*ahead->prefixes)[i] + "/system.reg").c_str(),
                  O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) continue;
    // As much as is read whole, and of a file alone (never a pipe).
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
      for (off_t done = 0; done < Wine_Registry::kRead_Whole_Up_To;) {
        ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n <= 0) break;
        done += n;
      }
    close(fd);
  }
  return nullptr;
}

// The threads reading ahead, waited for when the program ends, however it
// ends: by then the list has read every registry itself, so they are done
// or nearly so, and none is cut off with what it holds.
struct Readers {
  std::vector<pthread_t> running;
  ~Readers() {
    for (pthread_t thread : running) pthread_join(thread, nullptr);
  }
} readers;

}  // namespace

void Read_Registries_Ahead(std::vector<std::string> prefixes) {
  const size_t kThreads = 4;
  auto shared = std::make_shared<const std::vector<std::string>>(std::move(prefixes));
  for (size_t t = 0; t < kThreads && t < shared->size(); ++t) {
    // A thread that cannot be started leaves its registries to the list.
    auto* ahead = new Ahead{shared, t, kThreads};
    pthread_t thread;
    if (pthread_create(&thread, nullptr, Read_Ahead, ahead) != 0) {
      delete ahead;
    } else {
      readers.running.push_back(thread);
    }
  }
}
