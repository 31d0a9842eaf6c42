// Error kinds and the source position that their messages carry.
#include "support/errors.h"

#include <cstring>

namespace {
const size_t kMaxMessage = 200;
}

Error::Error(std::string name, std::string message)
    : name(std::move(name)), message(std::move(message)) {
  if (this->message.size() > kMaxMessage) this->message.resize(kMaxMessage);
}

std::string Here(const char* file, int line) {
  const char* base = file;
  for (const char* p = file; *p; ++p)
    if (*p == '/' || *p == '\\') base = p + 1;
  return std::string(base) + ":" + std::to_string(line);
}
