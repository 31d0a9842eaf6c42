// Windows: every command goes to the command shell (cmd.exe) as it is.
#include <cstdio>
#include <cstdlib>

#include "support/util-execution.h"

namespace Util::Execution {

int Execute(const std::string& command) {
  std::fflush(stdout);
  return std::system(command.c_str());
}

}  // namespace Util::Execution
