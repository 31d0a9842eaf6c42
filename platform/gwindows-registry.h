// Read-only access to the registry: the subkeys of a key and a value's text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/registry_calls.h"

namespace GWindows::Registry {

using Root_Key = Registry_Calls::Root;
inline constexpr Root_Key HKEY_LOCAL_MACHINE = Registry_Calls::Root::Local_Machine;
inline constexpr Root_Key HKEY_CURRENT_USER = Registry_Calls::Root::Current_User;

// Subkey names; the name numbered i (from 1) is element i - 1.
using Key_Name_Array = std::vector<std::string>;

// A key that cannot be opened; the message is the system's text for the code.
struct Registry_Error : Error {
  explicit Registry_Error(std::string message)
      : Error("GWINDOWS.REGISTRY.REGISTRY_ERROR", std::move(message)) {}
};

// The names of the key's subkeys, in the platform's order. Registry_Error
// when the key cannot be opened.
Key_Name_Array Get_Sub_Keys(const std::string& key, Root_Key root);

// The same, but nothing when the key is not there (nor a registry holding
// it: a Wine prefix without system.reg). Registry_Error when it cannot be
// told, such as a registry that cannot be read.
std::optional<Key_Name_Array> Find_Sub_Keys(const std::string& key, Root_Key root);

// The named value's data up to its first zero byte: a string value without
// its terminator, empty when the value is missing or unreadable. A trailing
// backslash in `key` names the same key. Registry_Error when the key cannot
// be opened.
std::string Get_Value(const std::string& key, const std::string& name, Root_Key root);

// The same, but nothing when the key is not there.
std::optional<std::string> Find_Value(const std::string& key, const std::string& name,
                                      Root_Key root);

}  // namespace GWindows::Registry
