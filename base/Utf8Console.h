#pragma once

#include <string>
#include <vector>

namespace orten {

// The program's arguments as UTF-8, argv[0] included. On Windows argv holds
// them in the ANSI code page, where a Cyrillic folder may turn into "?????",
// so they are taken from the wide command line instead.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes a Windows console show the program's UTF-8 output and take UTF-8
// input: the standard streams that are a console go through the console's
// wide functions, so its code pages are never changed (a batch file read in
// code page 866 goes on reading right after ortenctl). Streams redirected to
// a file or a pipe carry UTF-8 as before. Nothing elsewhere.
void UseUtf8Console();

}  // namespace orten
