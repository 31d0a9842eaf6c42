// Running the command-shell commands with which packages are copied and
// deleted and the new index gets its name: their texts, built and read back
// here, and the runner of each platform.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace Util::Execution {

// Runs one command line ("COPY /Y ...", "DEL ...", "REN ...") and waits until
// it has ended. The command writes its own messages to the console, after
// everything written before, and gets no console input: it can never wait
// for an answer. Returns its exit status: 0 when it was done. A COPY writes
// to a temporary name beside its target, which takes the target's name only
// when the copy is whole. A command longer than the shell takes is not run
// (status 1, with the shell's message); a path longer than the shell takes
// (on Windows, 260 units) is copied, deleted or renamed by the system's own
// calls, with the system's words for a failure. On Windows a DEL leaves a
// file that another program holds open.
int Execute(const std::string& command);

// The command line on which Windows starts the shell for `command`: with
// neither the AutoRun commands of the registry nor delayed expansion.
std::string Shell_Line(const std::string& command);

// Whether the Windows command shell takes a command this long (8,191
// characters at most); when not, the shell's message has been written.
bool Fits_Shell(const std::string& command);

// The command texts, as the shell takes them: every path between double
// quotes, so that blanks stay in it. A path must hold no double quote and
// nothing the shell expands (the driver refuses such names and folders).
std::string Copy_Command(const std::string& source, const std::string& target);
std::string Delete_Command(const std::string& path);
// Gives the file `path` the name `new_name` in its own folder.
std::string Rename_Command(const std::string& path, const std::string& new_name);

// Why this platform's runner would refuse a COPY to `target`, or fail at
// once, in the words it would write: a read-only target, a folder that this
// process may not change (Host_Files::May_Change), and on Windows a target
// that another program holds open. "" when it would try.
std::string Refusal(const std::string& target);

// Why this platform's runner would fail to DEL `path`, in the words it
// would write: on Linux a folder that this process may not change; on
// Windows a file that another program holds open, or a read-only one. ""
// when it would try.
std::string Delete_Refusal(const std::string& path);

// A command text read back: the text after the command word is split at
// blanks; double quotes hold blanks together and are removed; an unquoted
// word that starts with "/" is a switch.
struct Command {
  std::string verb;                    // lower case
  std::vector<std::string> switches;   // lower case, with their "/"
  std::vector<std::string> arguments;  // quotes removed
};
Command Parse(const std::string& text);

// Where a copy to `target` ("<installation>\<folder>\<name>") keeps the
// file that it replaces when that differs from the copy:
// "<installation>\Morvane-Sicherung\<run>\<folder>\<name>", with the
// separator of `target`. <run> is this run's name (Run_Name).
std::string Keep_Path(const std::string& target);

// Where the next keep for `target` lands: Keep_Path, or the first of
// "name (2).ext", "name (3).ext", ... that nothing stands at (a keep never
// replaces another). `stands` says whether something stands at a path; by
// default the disk says it (a link that leads nowhere counts).
std::string Next_Keep(const std::string& target,
                      const std::function<bool(const std::string&)>& stands = nullptr);

// This run's name, the name of its folders in Morvane-Sicherung: the date
// and time of its start (YYYY-MM-DD_HHMMSS, local time), with "-2", "-3", ...
// where a folder of that name stands in `sicherung` (a path that ends in
// its separator) already. Taken once: a later call returns the same name.
const std::string& Run_Name(const std::string& sicherung = "");

// Has this run go on in the folder of an earlier one that it finishes (a
// restore cut short). Before the first Keep_Path.
void Continue_Run(const std::string& name);

// Whether `name` has the form of a run folder's name: YYYY-MM-DD_HHMMSS,
// perhaps followed by "-" and a number.
bool Is_Run_Name(const std::string& name);

// Says on the console where a replaced file was kept ("alte Fassung
// gesichert nach <kept>"), and counts it.
void Report_Kept(const std::string& kept);

// Says on the console that a copy was refused because the file it would
// replace could not be kept, and why (a sentence of the system's), or in a
// preview that it would be. Returns the exit status of the failed copy, 1.
int Report_Not_Kept(const std::string& reason, bool preview = false);

// The error (errno) with which the folders of the keep `keep` (Keep_Path)
// could not be made: something that is no folder stands where one of them
// would be, or the folder above the first missing one may not be changed.
// 0 when a keep would be tried.
int Keep_Error(const std::string& keep);

// Why this platform's runner could not keep the file that a COPY to
// `target` replaces (Keep_Error), in the words it would say; "" when it
// would try.
std::string Keep_Refusal(const std::string& target);

// How many files the copies of this run have kept so far, and where the
// last one went ("" for none yet).
int Kept_Count();
const std::string& Last_Kept();
// Where each of them went, in order.
const std::vector<std::string>& Kept_Paths();

// Whether a COPY is the package's move within its own installation, from
// "<installation>\Cache\<key>.uxx" to "<installation>\<folder>\<name>":
// within one file system it may be a hard link. A copy to a further
// installation is a copy of the bytes.
bool Is_Move(const std::string& source, const std::string& target);

}  // namespace Util::Execution
