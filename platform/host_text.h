// Text between the program, whose text is UTF-8 inside, and the platform's
// console, command line and 8-bit code page.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// The bytes in which `text` is written to a console that is no console
// window (a pipe, a file): UTF-8, on Windows too, so that a log keeps every
// name whatever the code page.
std::string Console_Text(std::string_view text);

// Writes `text` to `stream` (standard output or standard error): to a
// console window of Windows as its characters, else as Console_Text.
void Console_Write(std::FILE* stream, std::string_view text);

// The line of an 8-bit index as text: read in the system's 8-bit code page
// on Windows, as the game's 8-bit calls read it. On Linux in the code page
// that the registry of the Wine prefix in use names (its ACP), as the game
// that wrote it under that prefix read it; in Windows-1252 where it names
// none, and for a native game.
std::string Eight_Bit_Text(std::string_view bytes);

// The chosen game is a native one, which runs under no Wine prefix.
void Native_Game_Chosen();

// Whether `stream` is a console window of Windows, or a terminal on Linux:
// what a player watches, not a pipe or a file.
bool Is_Terminal(std::FILE* stream);

// The command-line arguments after the program's name, as text: on Windows
// from the system's own wide command line, whatever the code page; on Linux
// as given (a path in UTF-8).
std::vector<std::string> Program_Arguments(int argc, char** argv);

// The end of the help: where the program looks for games, and where its
// guides are, on this platform.
extern const char kPlatform_Help[];

// Whether options may also start with "/" ("/?"), as on Windows.
extern const bool kSlashOptions;

// Whether `path` is written in the host's own form, whose parts are joined
// with "/": on Linux a path that starts with "/", "./", "../" or "~". Such a
// path is made ready for joining: "~" (alone or before "/") becomes the home
// folder, and separators at its end go. A Windows path (C:\..., or any on
// Windows) is not, and stays as it is.
bool Host_Path(std::string& path);
