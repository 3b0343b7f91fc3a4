// The program's command line and console, as a command-line program on either host sees them.
#pragma once

#include <string>
#include <vector>

namespace quarvel {

// The arguments in UTF-8: on POSIX `argv` as it is; on Windows the UTF-16 command line converted, so
// that any name arrives whatever the system's code page is (`argv` there is in that code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes a console show the UTF-8 that the program prints (Windows); nothing to do on POSIX.
void UseUtf8Console();

}  // namespace quarvel
