// Listings of the current menu directory by kind, for the creation dialog.
#pragma once

#include "model/records.h"

namespace quarvel {

// Each empties `list`, then appends {header number, name up to its first ".", title} for every file of
// the kind's extension whose header the kind's opener accepts, in directory-search order. Returns the
// number appended. The holder is not used.
int ListMenuFiles(const SSMenu& holder, TDicAry& list);
int ListDocLibs(const SSDlib& holder, TDicAry& list);
int ListComLibs(const SSVlib& holder, TDicAry& list);

}  // namespace quarvel
