// The message box text for a directory or file that a listing or an analysis could not read.
#pragma once

#include <string>

#include "menufiles/listings.h"

namespace quarvel {

// Three lines of CP932: what could not be read (a directory when the path ends with the separator,
// else a file), the path itself, and the cause (missing, denied, a read error, or a file that does
// not read as a library).
std::string ReadFailureMessage(const ReadFailure& failure);

}  // namespace quarvel
