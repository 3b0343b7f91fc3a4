// Comparing the current menu directory with an old copy into the list of changes that would turn the
// old copy into the current one: files by name and stamp, documents of changed libraries by data.
#pragma once

#include <string>

#include "menufiles/listings.h"
#include "model/records.h"

namespace quarvel {

// Both directories end with a separator. `extensions` is the text of the analysis dialog's field, such
// as "KKK,CSV": split at every ",", nothing trimmed, empty tokens skipped. Fills `changes` with menu
// files, new and vanished libraries, the documents of changed libraries, common libraries, then the
// files of each extension token in the order typed. 0; -1 with `changes` empty when a directory could
// not be listed (a missing one too), a file not read for the comparison, or a changed library of
// either copy not read as a library: a directory that cannot be read is never compared as an empty
// one, nor a library whose index does not read as one without changes.
int AnalyseMenuDirs(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                    const std::string& extensions);

struct AnalyseOptions {
  // Judge files by their bytes instead of their stamps: a file of both copies counts as changed
  // exactly when its size or its bytes differ (a library then goes to the document comparison).
  bool content = false;
};
// As above, with options. Each directory is searched once for all kinds, the two at the same time.
// On -1, `failure` (when given) names what could not be read and why.
int AnalyseMenuDirs(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                    const std::string& extensions, const AnalyseOptions& options, ReadFailure* failure = nullptr);

// One pass for one extension. For document libraries `changedLibraries` receives the libraries whose
// stamp changed instead of entries for them. A pass whose extension is longer than 255 bytes or whose
// search pattern does not fit a path compares nothing. 0, or -1 (with `failure` set when given) when
// a directory cannot be listed.
int CompareKind(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                const std::string& extension, FileKind kind, StringAry* changedLibraries,
                ReadFailure* failure = nullptr);

// Document-level entries of each changed library: changed or new documents, then vanished ones.
// 0, or -1 (with `failure` set when given) at the first library whose current or old copy cannot be
// opened (the platform's code) or does not read as a library (kReadNotLibrary: another magic, a
// header or index damaged or cut short); `changes` then holds the entries of the libraries before it.
int CompareLibraryDocuments(const std::string& currentDir, const std::string& oldDir, SBNdtAry& changes,
                            const StringAry& changedLibraries, ReadFailure* failure = nullptr);

}  // namespace quarvel
