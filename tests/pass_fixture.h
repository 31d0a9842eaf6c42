// A cache index pass in a throw-away installation folder, for the tests of
// the pass: its console, its new index and the commands it ran.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "driver/cacheverarbeitung.h"
#include "support/util-execution.h"
#include "tests/test_util.h"

inline const std::string K1 = "0123456789ABCDEF0123456789ABCDEF-1";
inline const std::string K2 = "0123456789ABCDEF0123456789ABCDEF-2";
inline const std::string K3 = "0123456789ABCDEF0123456789ABCDEF-3";

// An installation in a throw-away folder, its index, and what a pass left.
struct Pass {
  Temp_Folder dir;
  std::string ut = dir / "UT2004";
  std::string cache = ut + "\\Cache\\";
  std::string console;
  std::string new_index;
  std::vector<std::string> commands;
  bool eintraege = false;
  // Recorded copies are claimed done but never made, as a shell may do.
  bool copies_only_claimed = false;

  explicit Pass(const std::string& index) {
    Make_Folder(dir / "UT2004/Cache");
    for (const Typ& typ : typtabelle)
      Make_Folder(dir / "UT2004/" + std::string(typ.subpfad.substr(1, typ.subpfad.size() - 2)));
    Write_File(dir / "UT2004/Cache/cache.ini", index);
  }

  // A package in the cache under `key`.
  void Package(const std::string& key, const std::string& bytes = "package") {
    Write_File(dir / "UT2004/Cache/" + key + ".uxx", bytes);
  }

  // Runs the pass with the real commands, or records them when `record`
  // (and then carries out only the DELs; a copy recorded stands at its
  // target, as far as the pass can see, as a file of its source's size).
  void Run(const std::vector<std::string>& arguments = {}, bool record = false) {
    Text_Files::File cachedatei, tempdatei;
    Text_Files::Open(cachedatei, Text_Files::In_File, cache + "cache.ini");
    Text_Files::Create(tempdatei, Text_Files::Out_File, cache + "tempcache.ini");
    Captured_Output out;
    std::map<std::string, std::string> copied;  // target: source
    Command_Runner runner = [&](const std::string& command) {
      commands.push_back(command);
      if (!record || command.starts_with("DEL ")) return Util::Execution::Execute(command);
      Util::Execution::Command words = Util::Execution::Parse(command);
      if (words.verb == "copy" && !copies_only_claimed)
        copied[words.arguments.at(1)] = words.arguments.at(0);
      return 0;
    };
    Looker looker = [&](const std::string& path, Host_Files::Seen seen, int64_t* size) {
      auto copy = copied.find(path);
      return Host_Files::Look(copy == copied.end() ? path : copy->second, seen, size);
    };
    try {
      eintraege = cacheverarbeitung(ut, cache, cachedatei, tempdatei, arguments, runner, looker);
    } catch (...) {
      console = out.Finish();
      Text_Files::Close(tempdatei);
      new_index = Read_File(dir / "UT2004/Cache/tempcache.ini");
      throw;
    }
    console = out.Finish();
    Text_Files::Close(tempdatei);
    new_index = Read_File(dir / "UT2004/Cache/tempcache.ini");
  }
};

// What the pass shows on the console for an index line it has read.
inline std::string Echo(const std::string& line) {
  return "\nZeile eingelesen: " + line + "\n";
}
