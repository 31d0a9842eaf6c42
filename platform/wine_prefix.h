// Where the Wine prefix lies whose drives and registry the native build uses,
// and the home below which it and the other places of the games lie.
#pragma once

#include <string>
#include <vector>

// The prefix given to Use_Wine_Prefix; before that $WINEPREFIX, or
// $HOME/.wine when it is unset or empty.
std::string Wine_Prefix();

// From now on the drives and the registry are those of `prefix`.
void Use_Wine_Prefix(const std::string& prefix);

// Whether $WINEPREFIX names the prefix: the player chose one.
bool Wine_Prefix_Chosen();

// $HOME without a separator at its end; "" for the root or none.
std::string Home_Folder();

// Starts reading the registries of `prefixes` from the disk, several at a
// time on threads of their own, so that the list, which reads them one after
// the other, finds them read. Returns at once.
void Read_Registries_Ahead(std::vector<std::string> prefixes);
