// The program's options: --help, --version, -n (--dry-run), --restore
// [run], -i (--installation) folder, and "--", after which every argument
// is a folder.
#pragma once

#include <optional>
#include <string>
#include <vector>

// What the options ask for.
struct Optionen {
  bool fertig = false;    // a text was shown (--help, -h, /?; --version): the run ends
  bool vorschau = false;  // -n, --dry-run: say what a run would do, change nothing
  bool zurueck = false;   // --restore: put back what a run kept
  std::string lauf;       // the run folder that --restore names; "" for the latest
  // The Morvane-Sicherung that holds it, when it was named by its path.
  std::string sicherung;
  // The installation to work on, named as its folder: no list, no question.
  std::optional<std::string> installation;
};

// Takes the options out of `argumente`, leaving the folders of further
// installations. A text that an option asks for is shown at once. An
// unknown option (one that starts with "-", or on Windows "/" and a
// letter) is a Name_Error naming it, and so is an installation named twice
// or not at all after its option.
Optionen optionen(std::vector<std::string>& argumente);
