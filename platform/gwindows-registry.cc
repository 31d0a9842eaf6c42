// Read-only access to the registry over the platform's six calls.
#include "platform/gwindows-registry.h"

#include "platform/gwindows-errors.h"

namespace GWindows::Registry {

namespace {

const long kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND

// What opening a key that is not there gives.
enum class Absent { error, nothing };

// The key opened; null when it is not there and that gives nothing.
Registry_Calls::Handle Open(const std::string& key, Root_Key root, Absent absent = Absent::error) {
  Registry_Calls::Handle handle = nullptr;
  long code = Registry_Calls::Open_Key(root, key.c_str(), &handle);
  if (code == kFileNotFound && absent == Absent::nothing) return nullptr;
  if (code != 0) throw Registry_Error(GWindows::Errors::Error_To_String(code));
  return handle;
}

Key_Name_Array Sub_Keys(Registry_Calls::Handle handle) {
  uint32_t count = 0, longest = 0;
  Registry_Calls::Query_Info_Key(handle, &count, &longest, nullptr);
  // Cleared once: every name the platform writes ends in a zero byte.
  std::vector<char> name(size_t{longest} + 1, 0);
  Key_Name_Array names(count);
  for (uint32_t k = 0; k < count; ++k) {
    Registry_Calls::Enum_Key(handle, k, name.data(), longest + 1);
    names[k] = name.data();
  }
  Registry_Calls::Close_Key(handle);
  return names;
}

std::string Value(Registry_Calls::Handle handle, const std::string& name) {
  uint32_t largest = 0;
  Registry_Calls::Query_Info_Key(handle, nullptr, nullptr, &largest);
  // One byte more than the platform may fill, so the text always ends.
  std::vector<unsigned char> data(size_t{largest} + 2, 0);
  Registry_Calls::Query_Value(handle, name.c_str(), data.data(), largest + 1);
  Registry_Calls::Close_Key(handle);
  return reinterpret_cast<const char*>(data.data());
}

}  // namespace

Key_Name_Array Get_Sub_Keys(const std::string& key, Root_Key root) {
  return Sub_Keys(Open(key, root));
}

std::optional<Key_Name_Array> Find_Sub_Keys(const std::string& key, Root_Key root) {
  Registry_Calls::Handle handle = Open(key, root, Absent::nothing);
  if (!handle) return std::nullopt;
  return Sub_Keys(handle);
}

std::string Get_Value(const std::string& key, const std::string& name, Root_Key root) {
  return Value(Open(key, root), name);
}

std::optional<std::string> Find_Value(const std::string& key, const std::string& name,
                                      Root_Key root) {
  Registry_Calls::Handle handle = Open(key, root, Absent::nothing);
  if (!handle) return std::nullopt;
  return Value(handle, name);
}

}  // namespace GWindows::Registry
