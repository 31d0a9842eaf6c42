// Without a Windows command shell, COPY /Y, DEL and REN are carried out here
// directly on the paths that the command text names, with the messages and
// exit statuses of the shell's commands. No other process is started.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <vector>

#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include "platform/host_path.h"
#include "support/text_files.h"
#include "support/util-execution.h"

namespace Util::Execution {

namespace {

const char kNotFound[] = "Das System kann die angegebene Datei nicht finden.";
const char kNoPath[] = "Das System kann den angegebenen Pfad nicht finden.";
const char kNoneCopied[] = "        0 Datei(en) kopiert.";
const char kOneCopied[] = "        1 Datei(en) kopiert.";

struct Words {
  std::vector<std::string> switches;   // lower case, with their "/"
  std::vector<std::string> arguments;  // quotes removed
};

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
  return text;
}

// Splits the text after the command word at blanks; double quotes hold
// blanks together and are removed; an unquoted word that starts with "/" is a switch.
Words Split(const std::string& text) {
  Words words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == text.size()) break;
    bool is_switch = text[i] == '/';
    bool quoted = false;
    std::string word;
    for (; i < text.size() && (quoted || (text[i] != ' ' && text[i] != '\t')); ++i) {
      if (text[i] == '"') {
        quoted = !quoted;
      } else {
        word += text[i];
      }
    }
    if (is_switch) {
      words.switches.push_back(Lower(word));
    } else {
      words.arguments.push_back(word);
    }
  }
  return words;
}

// The shell's words for what went wrong.
std::string Cause(int error) {
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
      return "Die Datei konnte nicht kopiert werden (Fehler " + std::to_string(error) + ").";
  }
}

std::string Folder_Of(const std::string& host_path) {
  size_t slash = host_path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : host_path.substr(0, slash);
}

bool Copy_Bytes(int from, int to) {
#if defined(__linux__)
  for (;;) {
    ssize_t done = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
    if (done == 0) return true;
    if (done < 0) {
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
      return false;
    }
  }
  if (lseek(from, 0, SEEK_SET) < 0 || lseek(to, 0, SEEK_SET) < 0 || ftruncate(to, 0) < 0)
    return false;
#endif
  char buffer[1 << 16];
  for (;;) {
    ssize_t got = read(from, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) return false;
    for (ssize_t put = 0; put < got;) {
      ssize_t n = write(to, buffer + put, got - put);
      if (n < 0) return false;
      put += n;
    }
  }
}

int Copy_Failed(const std::string& cause) {
  Text_Files::Put_Line(cause);
  Text_Files::Put_Line(kNoneCopied);
  return 1;
}

// The copy lands in a new file beside the target and then takes the
// target's name, so that a copy that fails half way leaves the old target
// whole and nothing else behind.
int Copy(const std::string& source, const std::string& target) {
  std::string from_path = Host_Path(source);
  int from = open(from_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (from < 0) return Copy_Failed(errno == ENOTDIR ? kNotFound : Cause(errno));
  struct stat from_stat;
  if (fstat(from, &from_stat) != 0 || S_ISDIR(from_stat.st_mode)) {
    close(from);
    return Copy_Failed(Cause(EACCES));
  }
  std::string to_path = Host_Path(target);
  std::string folder = Folder_Of(to_path);
  struct stat folder_stat;
  if (stat(folder.c_str(), &folder_stat) != 0 || !S_ISDIR(folder_stat.st_mode)) {
    close(from);
    return Copy_Failed(kNoPath);
  }
  // Like the shell, leave a read-only target alone.
  struct stat to_stat;
  if (stat(to_path.c_str(), &to_stat) == 0 && !S_ISDIR(to_stat.st_mode) &&
      (to_stat.st_mode & 0222) == 0) {
    close(from);
    return Copy_Failed(Cause(EACCES));
  }
  std::string temp_path = folder + "/.morvane-XXXXXX";
  int to = mkstemp(temp_path.data());
  if (to < 0) {
    int error = errno;
    close(from);
    return Copy_Failed(Cause(error));
  }
  bool done = Copy_Bytes(from, to);
  int error = errno;
  if (done) {
    fchmod(to, from_stat.st_mode & 07777);
    timespec times[2] = {from_stat.st_atim, from_stat.st_mtim};
    futimens(to, times);
  }
  if (close(to) != 0 && done) {
    done = false;
    error = errno;
  }
  close(from);
  if (done && rename(temp_path.c_str(), to_path.c_str()) != 0) {
    done = false;
    error = errno;
  }
  if (!done) {
    unlink(temp_path.c_str());
    return Copy_Failed(Cause(error));
  }
  Note_Change(to_path);
  Text_Files::Put_Line(kOneCopied);
  return 0;
}

int Delete(const std::string& name) {
  std::string path = Host_Path(name);
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    Text_Files::Put_Line(Cause(EACCES));
    return 1;
  }
  if (unlink(path.c_str()) != 0) {
    Text_Files::Put_Line(errno == ENOTDIR ? kNotFound : Cause(errno));
    return 1;
  }
  Note_Change(path);
  return 0;
}

// Gives a file a new name in its own folder; never replaces another file.
int Rename(const std::string& name, const std::string& new_name) {
  if (new_name.find_first_of("\\/:") != std::string::npos) {
    Text_Files::Put_Line(
        "Die Syntax fuer den Dateinamen, Verzeichnisnamen oder die Datentraegerbezeichnung ist "
        "falsch.");
    return 1;
  }
  std::string path = Host_Path(name);
  struct stat from_stat;
  if (lstat(path.c_str(), &from_stat) != 0) {
    Text_Files::Put_Line(kNotFound);
    return 1;
  }
  size_t cut = name.find_last_of("\\/");
  std::string target =
      Host_Path((cut == std::string::npos ? "" : name.substr(0, cut + 1)) + new_name);
  struct stat to_stat;
  bool same_file = false;
  if (lstat(target.c_str(), &to_stat) == 0) {
    same_file = to_stat.st_ino == from_stat.st_ino && to_stat.st_dev == from_stat.st_dev;
    if (!same_file) {
      Text_Files::Put_Line(
          "Eine doppelte Datei ist bereits vorhanden, oder die Datei wurde nicht gefunden.");
      return 1;
    }
  }
  // A change of letter case alone keeps the file and takes the new spelling.
  if (same_file) target = Folder_Of(path) + "/" + new_name;
  if (rename(path.c_str(), target.c_str()) != 0) {
    Text_Files::Put_Line(Cause(errno));
    return 1;
  }
  Note_Change(path);
  Note_Change(target);
  return 0;
}

int Unsupported(const std::string& command) {
  Text_Files::Put_Line("Der Befehl wird nicht unterstuetzt: " + command);
  return 1;
}

}  // namespace

int Execute(const std::string& command) {
  // A file-size limit must make a copy fail, not end the program.
  static bool once = (std::signal(SIGXFSZ, SIG_IGN), true);
  (void)once;
  size_t start = command.find_first_not_of(" \t");
  if (start == std::string::npos) return Unsupported(command);
  size_t end = command.find_first_of(" \t", start);
  std::string verb = Lower(command.substr(start, end - start));
  Words words = Split(end == std::string::npos ? "" : command.substr(end));
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
