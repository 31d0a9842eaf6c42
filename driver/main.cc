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
  // Every line of the dialogue comes before the report.
  std::fflush(stdout);
  Console_Write(stderr, report);
}

}  // namespace

int main(int argc, char** argv) {
  // Our lines and those of the commands must reach the console in order. A
  // pipe or a file gets the dialogue in pieces: it is written out after each
  // package, before a question, before a command that the shell runs and
  // before the error report. A terminal gets each line as it is made.
  std::setvbuf(stdout, nullptr, Is_Terminal(stdout) ? _IONBF : _IOFBF, 1 << 16);
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
