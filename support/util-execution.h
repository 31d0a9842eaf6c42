// Running the command-shell commands with which packages are copied and
// deleted and the new index gets its name.
#pragma once

#include <string>

namespace Util::Execution {

// Runs one command line ("COPY /Y ...", "DEL ...", "REN ...") and waits until
// it has ended. The command writes its own messages to the console, after
// everything written before. Returns its exit status: 0 when it was done.
int Execute(const std::string& command);

}  // namespace Util::Execution
