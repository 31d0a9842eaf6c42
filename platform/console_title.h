// The title of the console window (Windows) or of the terminal (Linux),
// which says how far long work is. Nothing of it reaches the program's
// output when that is a pipe or a file.
#pragma once

#include <string>

// Keeps the title that stands there now, so that Console_Title_End gives it
// back. False where there is no title to set: no console window, or an
// output that is no terminal.
bool Console_Title_Begin();

// Shows `text` as the title.
void Console_Title(const std::string& text);

// Gives back the title that stood there at Console_Title_Begin.
void Console_Title_End();
