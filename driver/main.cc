// The program's entry: runs morvane and turns any error into the error
// report on standard error and exit status 1.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "base/errors.h"
#include "driver/morvane.h"
#include "platform/host_text.h"

namespace {

// "raised NAME : message" after a line end; carriage returns are left out.
void Report(const std::string& name, const std::string& message) {
  std::string report = "\nraised " + name;
  if (!message.empty()) report += " : " + message;
  report += "\n";
  std::erase(report, '\r');
  Console_Write(stderr, report);
}

}  // namespace

int main(int argc, char** argv) {
  // Our lines and those of the commands must reach the console in order.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  std::vector<std::string> argumente = Program_Arguments(argc, argv);
  try {
    // Open files are closed as the run unwinds, before the report.
    morvane(argumente);
    return 0;
  } catch (const Error& error) {
    Report(error.name, error.message);
  } catch (const std::bad_alloc&) {
    Report("STORAGE_ERROR", "");
  } catch (const std::exception& error) {
    Report("PROGRAM_ERROR", error.what());
  }
  return 1;
}
