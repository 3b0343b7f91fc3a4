// The built-in help: one text per help context number, shown in a help window of the GUI.
#pragma once

namespace quarvel {

// The help text of a context number (UTF-8), or nullptr when there is none.
const char* HelpText(int context);

}  // namespace quarvel
