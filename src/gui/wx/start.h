// What the program does before the toolkit starts, so that it needs no display: "/RegServer" and
// "--version".
#pragma once

namespace quarvel {

// Registers the diff type for the user (the platform's registration with the built-in icons); 0 or -1.
// A failure to build the script is told through the UI services installed (the console's before the
// toolkit starts).
int RegisterForUser();

// For "quarvel /RegServer" (the entry's rule: registration, exit 0) and "quarvel --version" (prints
// the version): true with the exit code in `*code`. False for every other command line, which the
// toolkit's application then runs.
bool StartWithoutToolkit(int argc, char** argv, int* code);

}  // namespace quarvel
