// The help window: a top-level window of our own showing one built-in help text, read-only.
#pragma once

#include <windows.h>

#include <string>

namespace quarvel {

// Opens a help window owned by `owner` (may be nullptr) showing `text` (UTF-8); returns it, or nullptr.
HWND OpenHelpWindow(HWND owner, const std::string& text);

// The face and size of the text in the application's own windows, as the dialogs have it.
HFONT ApplicationFont(HWND window);

}  // namespace quarvel
