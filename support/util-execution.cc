// The command texts of both platforms: built for the shell and read back.
#include "support/util-execution.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "base/paths.h"
#include "base/utf8.h"
#include "platform/host_files.h"
#include "support/text_files.h"

namespace Util::Execution {

namespace {

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

// The installation of a path "<installation>\<folder>\<name>".
std::string Installation_Of(const std::string& path) {
  std::string folder = Folder_Part(path);
  if (!folder.empty()) folder.pop_back();
  return Folder_Part(folder);
}

std::vector<std::string> kept_paths;

// The date and time of now, in the form of a run folder's name.
std::string Now_Stamp() {
  std::time_t now = std::time(nullptr);
  char text[32] = "";
  std::strftime(text, sizeof text, "%Y-%m-%d_%H%M%S", std::localtime(&now));
  return text;
}

std::string run_name;

}  // namespace

const std::string& Run_Name(const std::string& sicherung) {
  if (!run_name.empty()) return run_name;
  // Never waits for the clock: a name taken already gets a number.
  std::string stamp = Now_Stamp();
  run_name = stamp;
  for (int n = 2;
       !sicherung.empty() && (Host_Files::Look(sicherung + run_name, Host_Files::Seen::read) !=
                                  Host_Files::Kind::absent ||
                              Host_Files::Is_Link(sicherung + run_name));
       ++n)
    run_name = stamp + "-" + std::to_string(n);
  return run_name;
}

void Continue_Run(const std::string& name) {
  run_name = name;
}

std::string Keep_Path(const std::string& target) {
  const std::string& stamp = Run_Name();
  std::string folder = Folder_Part(target);
  std::string name = target.substr(folder.size());
  std::string separator = folder.empty() ? "\\" : folder.substr(folder.size() - 1);
  if (!folder.empty()) folder.pop_back();
  std::string installation = Folder_Part(folder);
  std::string sub = folder.substr(installation.size());
  return installation + "Morvane-Sicherung" + separator + stamp + separator + sub + separator +
         name;
}

std::string Next_Keep(const std::string& target,
                      const std::function<bool(const std::string&)>& stands) {
  std::string keep = Keep_Path(target);
  for (int n = 1;; ++n) {
    std::string name = n == 1 ? keep : Numbered(keep, n);
    bool taken =
        stands ? stands(name)
               : Host_Files::Look(name) != Host_Files::Kind::absent || Host_Files::Is_Link(name);
    if (!taken) return name;
  }
}

bool Is_Run_Name(const std::string& name) {
  static const char kForm[] = "dddd-dd-dd_dddddd";
  const size_t length = sizeof kForm - 1;
  if (name.size() < length) return false;
  for (size_t i = 0; i < length; ++i)
    if (kForm[i] == 'd' ? !(name[i] >= '0' && name[i] <= '9') : name[i] != kForm[i]) return false;
  if (name.size() == length) return true;
  // A second run in the same second: "-2", "-3", ...
  std::string number = name.substr(length + 1);
  return name[length] == '-' && !number.empty() && number.size() <= 6 && number[0] != '0' &&
         std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void Report_Kept(const std::string& kept) {
  Text_Files::Put_Line("alte Fassung gesichert nach " + kept);
  kept_paths.push_back(kept);
}

int Report_Not_Kept(const std::string& reason, bool preview) {
  std::string why = reason;
  while (!why.empty() && (why.back() == '.' || why.back() == '\n' || why.back() == '\r'))
    why.pop_back();
  Text_Files::Put_Line(preview ? "!! alte Fassung koennte nicht in Morvane-Sicherung gesichert "
                                 "werden (" +
                                     why + ") -> wuerde nicht kopiert !!"
                               : "!! alte Fassung konnte nicht in Morvane-Sicherung gesichert "
                                 "werden (" +
                                     why + ") -> nicht kopiert !!");
  return 1;
}

int Keep_Error(const std::string& keep) {
  // Morvane-Sicherung, the run's folder in it, the type folder in that.
  std::vector<std::string> folders;
  for (std::string folder = keep; folders.size() < 3;) {
    folder = Folder_Part(folder);
    if (folder.empty()) break;
    folder.pop_back();
    folders.insert(folders.begin(), folder);
  }
  for (const std::string& folder : folders) {
    Host_Files::Kind kind = Host_Files::Look(folder, Host_Files::Seen::read);
    if (kind == Host_Files::Kind::absent) return Host_Files::May_Change(folder) ? 0 : EACCES;
    if (kind != Host_Files::Kind::folder) return ENOTDIR;
  }
  return 0;
}

int Kept_Count() {
  return static_cast<int>(kept_paths.size());
}

const std::vector<std::string>& Kept_Paths() {
  return kept_paths;
}

const std::string& Last_Kept() {
  static const std::string none;
  return kept_paths.empty() ? none : kept_paths.back();
}

std::string Shell_Line(const std::string& command) {
  return "cmd.exe /D /V:OFF /C " + command;
}

bool Fits_Shell(const std::string& command) {
  if (command.size() <= 8191) return true;
  Text_Files::Put_Line("Die Eingabezeile ist zu lang.");
  return false;
}

std::string Copy_Command(const std::string& source, const std::string& target) {
  return "COPY /Y " + Quoted(source) + " " + Quoted(target);
}

std::string Delete_Command(const std::string& path) {
  return "DEL " + Quoted(path);
}

std::string Rename_Command(const std::string& path, const std::string& new_name) {
  return "REN " + Quoted(path) + " " + new_name;
}

Command Parse(const std::string& text) {
  Command command;
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return command;
  size_t end = std::min(text.find_first_of(" \t", i), text.size());
  command.verb = Utf8::Fold(text.substr(i, end - i));
  i = end;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == text.size()) break;
    bool is_switch = text[i] == '/';
    bool quoted = false;
    std::string word;
    word.reserve(text.size() - i);
    for (; i < text.size() && (quoted || (text[i] != ' ' && text[i] != '\t')); ++i) {
      if (text[i] == '"') {
        quoted = !quoted;
      } else {
        word += text[i];
      }
    }
    if (is_switch) {
      command.switches.push_back(Utf8::Fold(word));
    } else {
      command.arguments.push_back(word);
    }
  }
  return command;
}

bool Is_Move(const std::string& source, const std::string& target) {
  std::string from = Installation_Of(source), to = Installation_Of(target);
  return from == to || Utf8::Fold(from) == Utf8::Fold(to);
}

}  // namespace Util::Execution
