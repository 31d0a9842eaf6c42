// Without a Windows command shell, COPY /Y, DEL and REN are carried out here
// directly on the paths that the command text names, with the messages and
// exit statuses of the shell's commands. No other process is started.
#include <cerrno>
#include <csignal>

#include "base/paths.h"
#include "platform/host_files.h"
#include "support/text_files.h"
#include "support/util-execution.h"

namespace Util::Execution {

namespace {

const char kNotFound[] = "Das System kann die angegebene Datei nicht finden.";
const char kNoPath[] = "Das System kann den angegebenen Pfad nicht finden.";
const char kNoneCopied[] = "        0 Datei(en) kopiert.";
const char kOneCopied[] = "        1 Datei(en) kopiert.";

// What the shell says the file could not be, in its words for a failure
// it has no words of its own for.
const char kCopy[] = "kopiert";
const char kDelete[] = "geloescht";
const char kRename[] = "umbenannt";

// The shell's words for what went wrong.
std::string Cause(int error, const char* what) {
  switch (error) {
    case ENOENT:
      return kNotFound;
    case ENOTDIR:
      return kNoPath;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return "Zugriff verweigert.";
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "Auf dem Datentraeger ist nicht genug Speicherplatz vorhanden.";
    case EBUSY:
    case ETXTBSY:
      return "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess "
             "verwendet wird.";
    case ENAMETOOLONG:
      return "Der Dateiname oder die Erweiterung ist zu lang.";
    default:
      return std::string("Die Datei konnte nicht ") + what + " werden (Fehler " +
             std::to_string(error) + ").";
  }
}

int Copy_Failed(const std::string& cause) {
  Text_Files::Put_Line(cause);
  Text_Files::Put_Line(kNoneCopied);
  return 1;
}

int Copy(const std::string& source, const std::string& target) {
  // ENOENT: no source; ENOTDIR: no target folder.
  // What copies cut short left in the target's folder goes.
  Host_Files::Remove_Temporaries(Folder_Part(target));
  Host_Files::Kept kept;
  int error = Host_Files::Copy(
      source, target,
      Is_Move(source, target) ? Host_Files::Copy_Mode::move : Host_Files::Copy_Mode::copy,
      Keep_Path(target), &kept);
  if (kept.error != 0) return Report_Not_Kept(Cause(kept.error, kCopy));
  if (error != 0) return Copy_Failed(Cause(error, kCopy));
  Text_Files::Put_Line(kOneCopied);
  if (!kept.name.empty()) Report_Kept(kept.name);
  return 0;
}

int Delete(const std::string& name) {
  int error = Host_Files::Remove(name);
  if (error == 0) return 0;
  Text_Files::Put_Line(error == ENOTDIR ? kNotFound : Cause(error, kDelete));
  return 1;
}

// Gives a file a new name in its own folder; never replaces another file.
int Rename(const std::string& name, const std::string& new_name) {
  if (new_name.find_first_of("\\/:") != std::string::npos) {
    Text_Files::Put_Line(
        "Die Syntax fuer den Dateinamen, Verzeichnisnamen oder die Datentraegerbezeichnung ist "
        "falsch.");
    return 1;
  }
  int error = Host_Files::Rename(name, new_name);
  if (error == 0) return 0;
  if (error == ENOENT) {
    Text_Files::Put_Line(kNotFound);
  } else if (error == EEXIST) {
    Text_Files::Put_Line(
        "Eine doppelte Datei ist bereits vorhanden, oder die Datei wurde nicht gefunden.");
  } else {
    Text_Files::Put_Line(Cause(error, kRename));
  }
  return 1;
}

int Unsupported(const std::string& command) {
  Text_Files::Put_Line("Der Befehl wird nicht unterstuetzt: " + command);
  return 1;
}

}  // namespace

std::string Refusal(const std::string& target) {
  bool refused = Host_Files::Read_Only(target) || !Host_Files::May_Change(target);
  return refused ? Cause(EACCES, kCopy) : "";
}

std::string Delete_Refusal(const std::string& path) {
  return Host_Files::May_Change(path) ? "" : Cause(EACCES, kDelete);
}

std::string Keep_Refusal(const std::string& target) {
  int error = Keep_Error(Keep_Path(target));
  return error == 0 ? "" : Cause(error, kCopy);
}

int Execute(const std::string& command) {
  // A file-size limit must make a copy fail, not end the program.
  static bool once = (std::signal(SIGXFSZ, SIG_IGN), true);
  (void)once;
  // Carried out as the shell would: not at all.
  if (!Fits_Shell(command)) return 1;
  Command words = Parse(command);
  const std::string& verb = words.verb;
  if (verb == "copy" && words.arguments.size() == 2 &&
      (words.switches.empty() || (words.switches.size() == 1 && words.switches[0] == "/y")))
    return Copy(words.arguments[0], words.arguments[1]);
  if (verb == "del" && words.switches.empty() && words.arguments.size() == 1)
    return Delete(words.arguments[0]);
  if ((verb == "ren" || verb == "rename") && words.switches.empty() && words.arguments.size() == 2)
    return Rename(words.arguments[0], words.arguments[1]);
  return Unsupported(command);
}

}  // namespace Util::Execution
