// For the Linux-only tests: an environment variable set for as long as the
// object lives, then put back as it was, however the test ends.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

struct Scoped_Environment {
  Scoped_Environment(const char* name, const std::string& value) : name(name) {
    if (const char* now = std::getenv(name)) before = now;
    setenv(name, value.c_str(), 1);
  }
  ~Scoped_Environment() {
    if (before) {
      setenv(name, before->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  Scoped_Environment(const Scoped_Environment&) = delete;
  Scoped_Environment& operator=(const Scoped_Environment&) = delete;

  const char* name;
  std::optional<std::string> before;
};
