// The program's options: --help, --version, and "--", after which every
// argument is a folder.
#pragma once

#include <string>
#include <vector>

// Takes the options out of `argumente`, leaving the folders of further
// installations. True when an option asked for a text (--help, -h, /? on
// Windows; --version), which is then shown: the run ends there. An
// unknown option (one that starts with "-", or on Windows "/" and a
// letter) is a Name_Error naming it.
bool optionen(std::vector<std::string>& argumente);
