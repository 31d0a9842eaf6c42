// Fuzzes the pass over an arbitrary cache index. Commands are recorded, not
// run; every command must quote each path, and name only the cache's own
// .uxx files as sources and targets inside the game folders.
#include <cstdlib>
#include <string>

#include "base/errors.h"
#include "driver/cacheverarbeitung.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

bool Starts(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

void Check(const std::string& command) {
  const std::string source = "\"C:\\UT\\Cache\\";
  std::string rest;
  if (Starts(command, "COPY /Y " + source)) {
    rest = command.substr(8 + source.size());
  } else if (Starts(command, "DEL " + source)) {
    rest = command.substr(4 + source.size());
  } else {
    std::abort();
  }
  // key (34 characters) + .uxx", then for a copy: "C:\UT\..." or "D:\X\..."
  if (rest.size() < 39 || rest.compare(34, 5, ".uxx\"") != 0) std::abort();
  if (rest.substr(0, 34).find_first_of("\"%!\\/:*?<>|") != std::string::npos) std::abort();
  std::string target = rest.substr(39);
  if (Starts(command, "DEL")) {
    if (!target.empty()) std::abort();
    return;
  }
  if (!Starts(target, " \"C:\\UT\\") && !Starts(target, " \"D:\\X\\")) std::abort();
  std::string name = target.substr(target.find('\\', 6) + 1);
  name = name.substr(name.find('\\') + 1);
  if (name.empty() || name.back() != '"') std::abort();
  name.pop_back();
  if (name.find_first_of("\"%!\\/:*?<>|") != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Quiet_Standard_Output();
  std::vector<char> keep;
  Text_Files::File cachedatei, tempdatei;
  Open_Bytes(cachedatei, data, size, keep);
  Text_Files::Attach(tempdatei, std::fopen("/dev/null", "wb"), Text_Files::Out_File, "/dev/null");
  int failing = size % 3;  // let some main copies fail
  Command_Runner record = [&](const std::string& command) {
    Check(command);
    return (failing = (failing + 1) % 3) == 0 ? 1 : 0;
  };
  try {
    // Every package is there, and so is every copy: the commands are what
    // is looked at.
    cacheverarbeitung("C:\\UT", "C:\\UT\\Cache\\", cachedatei, tempdatei, {"D:\\X"}, record,
                      [](const std::string&, Host_Files::Seen, int64_t* size) {
                        if (size) *size = 7;
                        return Host_Files::Kind::file;
                      });
  } catch (const IO_Exceptions::End_Error&) {
  }
  return 0;
}
