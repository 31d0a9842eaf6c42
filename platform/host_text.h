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
