// Where the Wine prefix lies whose drives and registry the native build uses.
#pragma once

#include <string>

// The prefix given to Use_Wine_Prefix; before that $WINEPREFIX, or
// $HOME/.wine when it is unset or empty.
std::string Wine_Prefix();

// From now on the drives and the registry are those of `prefix`.
void Use_Wine_Prefix(const std::string& prefix);

// Whether $WINEPREFIX names the prefix: the player chose one.
bool Wine_Prefix_Chosen();
