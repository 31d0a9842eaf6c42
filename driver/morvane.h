// The whole run of the program, from the banner to the closing prompt.
#pragma once

#include <string>
#include <vector>

// Shows the banner, lets the user choose an installation, empties its cache
// into the game folders (and those of the `argumente`, further installation
// folders, after any options), puts the new index in place of the old one,
// sums up what it did and waits for Enter. An option that asks for a text
// (--help, --version) shows it and ends the run there; -n shows what a run
// would do instead, changing nothing; --restore puts back what a run kept. Every failure is
// thrown as an Error and ends the run where it happens.
void morvane(std::vector<std::string> argumente);
