// Fuzzes the reader of Wine's registry file over arbitrary files.
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/wine_registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  // Looked up by halves, as a large file is: what it names lies in the file.
  auto read = [text](uint64_t offset, size_t count) {
    return std::string(offset < text.size() ? text.substr(offset, count) : "");
  };
  for (std::string_view path : {"Software\\Unreal Technology\\Installed Apps", "", "A\\b"})
    if (auto span = Wine_Registry::Locate(read, text.size(), path))
      if (span->header > span->start || span->start > span->end || span->end > text.size())
        std::abort();
  for (std::string_view path :
       {"Software\\Unreal Technology\\Installed Apps",
        "Software\\Unreal Technology\\Installed Apps\\UT2004\\", "", "\\"}) {
    auto key = Wine_Registry::Find_Key(text, path);
    if (!key) continue;
    for (const std::string& name : key->sub_keys)
      if (name.empty() || name.find('\\') != std::string::npos) std::abort();
    Wine_Registry::Find_Value(*key, "Folder");
  }
  return 0;
}
