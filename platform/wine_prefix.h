// Where the Wine prefix lies whose drives and registry the native build uses.
#pragma once

#include <string>

// $WINEPREFIX, or $HOME/.wine when it is unset or empty.
std::string Wine_Prefix();
