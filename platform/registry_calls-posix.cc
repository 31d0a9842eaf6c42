// The registry calls answered from the Wine prefix's system.reg, read afresh
// for every key that is opened. Texts are in UTF-8.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/registry_calls.h"
#include "platform/wine_prefix.h"
#include "platform/wine_registry_file.h"

namespace Registry_Calls {

namespace {

const long kFileNotFound = 2;
const long kAccessDenied = 5;
const long kReadFault = 30;
const long kMoreData = 234;

Wine_Registry::Key& Key_Of(Handle key) {
  return *static_cast<Wine_Registry::Key*>(key);
}

long Open_In(const std::string& text, const char* path, Handle* key) {
  std::optional<Wine_Registry::Key> found = Wine_Registry::Find_Key(text, path);
  if (!found) return kFileNotFound;
  *key = new Wine_Registry::Key(std::move(*found));
  return 0;
}

}  // namespace

long Open_Key(Root root, const char* path, Handle* key) {
  *key = nullptr;
  if (root != Root::Local_Machine) return kFileNotFound;
  std::FILE* file = std::fopen((Wine_Prefix() + "/system.reg").c_str(), "rb");
  // No prefix, or none with a registry: nothing is registered. Any other
  // failure is no answer, and never taken for one.
  if (!file)
    return errno == ENOENT || errno == ENOTDIR ? kFileNotFound
           : errno == EACCES                   ? kAccessDenied
                                               : kReadFault;
  // A file that does not begin as a registry holds no key: nothing more of
  // it is read, however large it is.
  char head[sizeof Wine_Registry::kHeader - 1] = {};
  if (std::fread(head, 1, sizeof head, file) != sizeof head ||
      std::memcmp(head, Wine_Registry::kHeader, sizeof head) != 0) {
    bool failed = std::ferror(file);
    std::fclose(file);
    return failed ? kReadFault : kFileNotFound;
  }
  std::rewind(file);
  // One beyond the bound cannot hold the list up: it is taken to hold its
  // keys in Wine's order and looked up by halves, a few pages read.
  struct stat st;
  if (fstat(fileno(file), &st) == 0 && st.st_size > Wine_Registry::kRead_Whole_Up_To) {
    bool failed = false;
    auto read = [file, &failed](uint64_t offset, size_t size) {
      std::string bytes(size, '\0');
      size_t got = 0;
      while (got < size && !failed) {
        ssize_t n =
            pread(fileno(file), bytes.data() + got, size - got, static_cast<off_t>(offset + got));
        if (n == 0) break;
        if (n < 0) failed = errno != EINTR;
        got += n > 0 ? n : 0;
      }
      bytes.resize(got);
      return bytes;
    };
    std::optional<Wine_Registry::Span> span = Wine_Registry::Locate(read, st.st_size, path);
    std::string text;
    if (span) text = read(0, span->header) + read(span->start, span->end - span->start);
    std::fclose(file);
    if (failed) return kReadFault;
    return span ? Open_In(text, path, key) : kFileNotFound;
  }
  std::string text;
  text.reserve(st.st_size + 1);
  char buffer[1 << 16];
  while (size_t got = std::fread(buffer, 1, sizeof buffer, file)) text.append(buffer, got);
  // A read that fails is no end of the file: a list cut short would
  // number the installations otherwise than the registry does.
  bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) return kReadFault;
  return Open_In(text, path, key);
}

void Query_Info_Key(Handle key, uint32_t* sub_keys, uint32_t* longest_sub_key,
                    uint32_t* largest_value) {
  const Wine_Registry::Key& k = Key_Of(key);
  size_t longest = 0, largest = 0;
  for (const std::string& name : k.sub_keys) longest = std::max(longest, name.size());
  for (const Wine_Registry::Value& value : k.values) largest = std::max(largest, value.data.size());
  if (sub_keys) *sub_keys = static_cast<uint32_t>(k.sub_keys.size());
  if (longest_sub_key) *longest_sub_key = static_cast<uint32_t>(longest);
  if (largest_value) *largest_value = static_cast<uint32_t>(largest);
}

long Enum_Key(Handle key, uint32_t index, char* name, uint32_t capacity) {
  const Wine_Registry::Key& k = Key_Of(key);
  if (index >= k.sub_keys.size()) return 259;  // no more items
  const std::string& sub_key = k.sub_keys[index];
  if (sub_key.size() + 1 > capacity) return kMoreData;
  std::memcpy(name, sub_key.c_str(), sub_key.size() + 1);
  return 0;
}

long Query_Value(Handle key, const char* name, unsigned char* data, uint32_t capacity) {
  const Wine_Registry::Value* value = Wine_Registry::Find_Value(Key_Of(key), name);
  if (!value) return kFileNotFound;
  if (value->data.size() > capacity) return kMoreData;
  std::memcpy(data, value->data.data(), value->data.size());
  return 0;
}

void Close_Key(Handle key) {
  delete static_cast<Wine_Registry::Key*>(key);
}

void Format_Message(uint32_t code, char* text, uint32_t capacity) {
  std::string message;
  if (code == kFileNotFound) {
    message = "The system cannot find the file specified.\r\n";
  } else if (code == kAccessDenied) {
    message = "Access is denied.\r\n";
  } else if (code == kReadFault) {
    message = "The system cannot read from the specified device.\r\n";
  } else {
    message = "The operation failed with system error " + std::to_string(code) + ".\r\n";
  }
  if (capacity == 0) return;
  size_t size = std::min<size_t>(message.size(), capacity - 1);
  std::memcpy(text, message.data(), size);
  text[size] = 0;
}

}  // namespace Registry_Calls
