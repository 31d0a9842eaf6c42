// The whole run of the program, from the banner to the closing prompt.
#pragma once

#include <string>
#include <vector>

// Shows the banner, lets the user choose an installation, empties its cache
// into the game folders (and those of the `argumente`, further installation
// folders), puts the new index in place of the old one and waits for Enter.
// Every failure is thrown as an Error and ends the run where it happens.
void morvane(const std::vector<std::string>& argumente);
