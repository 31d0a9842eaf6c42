// Text between the program, whose Windows-side text is in Windows-1252, and
// the platform's console and command line.
#pragma once

#include <string>
#include <string_view>

// The form in which `text` is written to the console: UTF-8 on Linux,
// unchanged on Windows.
std::string Console_Text(std::string_view text);

// A command-line argument as the program's text. False when it holds a
// character that Windows-1252 lacks ("?" then stands in its place).
bool Argument_Text(const std::string& argument, std::string& text);

// Whether options may also start with "/" ("/?"), as on Windows.
extern const bool kSlashOptions;

// Whether `path` is written in the host's own form, whose parts are joined
// with "/": on Linux a path that starts with "/", "./", "../" or "~". Such a
// path is made ready for joining: "~" (alone or before "/") becomes the home
// folder, and separators at its end go. A Windows path (C:\..., or any on
// Windows) is not, and stays as it is.
bool Host_Path(std::string& path);
