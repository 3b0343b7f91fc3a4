// Which documents of two copies of one library hold the same data.
#pragma once

#include "model/records.h"

namespace quarvel {

// Sets the match state (`word`) of the documents of the current copy `a`, open at `fa`, and of the old
// copy `b`, open at `fb`, both as ReadLibIndex gave them (word 0): each document of `a`, in order, is
// compared with every document of `b` of the same name, which is then marked found (1); of those of
// the same length the last decides, 1 for the same data and 2 for other data; without one of the same
// length the document stays 0. Documents that follow one another in both copies, each with one
// partner of its length, are compared as one range read straight through. From a failed read on,
// every later comparison of data finds a difference (the file-error word stays set). Leaves both
// descriptors open at undefined positions.
void MatchLibraryDocuments(int fa, SSDocInfoAry& a, int fb, SSDocInfoAry& b);

}  // namespace quarvel
