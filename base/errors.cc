// Error kinds and the source position that their messages carry.
#include "base/errors.h"

namespace {
const size_t kMaxMessage = 200;
}

std::string To_String(const Place& place) {
  const char* base = place.file;
  for (const char* p = place.file; *p; ++p)
    if (*p == '/' || *p == '\\') base = p + 1;
  return std::string(base) + ":" + std::to_string(place.line);
}

Error::Error(std::string name, std::string message)
    : name(std::move(name)), message(std::move(message)) {
  if (this->message.size() > kMaxMessage) this->message.resize(kMaxMessage);
}

Placed_Error::Placed_Error(std::string name, const std::string& detail, const Place& where)
    : Error(std::move(name), To_String(where) + (detail.empty() ? "" : " " + detail)) {}
