// Finding the installed games and letting the user choose one.
#pragma once

#include <string>

// Lists the installations registered under HKEY_LOCAL_MACHINE\SOFTWARE\Unreal
// Technology\Installed Apps, asks for the number of one and returns its
// "Folder" value unchanged (empty when it has none). The rest of the answer
// line is taken. Registry_Error when the key is missing, Data_Error or
// End_Error for an answer that is no number, Constraint_Error for a number
// outside the list.
std::string utinstallationen();
