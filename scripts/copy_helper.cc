// For the benchmark under Wine: does the copies and deletions of a command
// list in one Windows process (CopyFileA, DeleteFileA), without a shell, to
// show what a command shell per command costs there.
// Each line of the list: "C<TAB>source<TAB>target" or "D<TAB>file".
#include <windows.h>

#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ifstream list(argv[1]);
  std::string line;
  int failures = 0;
  while (std::getline(list, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t tab = line.find('\t');
    if (line.size() < 3 || tab != 1) continue;
    if (line[0] == 'C') {
      size_t second = line.find('\t', 2);
      std::string source = line.substr(2, second - 2), target = line.substr(second + 1);
      if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) ++failures;
    } else if (line[0] == 'D') {
      if (!DeleteFileA(line.substr(2).c_str())) ++failures;
    }
  }
  return failures ? 1 : 0;
}
