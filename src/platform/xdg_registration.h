// The files that a registration script stands for on a free desktop: a shared-mime-info package
// that types diff files by their extension and their first two bytes, and a desktop entry that opens
// them with the program. Text only: written per user by the POSIX registration, and into the Linux
// package at build time.
#pragma once

#include <string>

namespace quarvel {

// The diff files' media type, and the icon names of the type and of the program.
extern const char kDiffMediaType[];
extern const char kDiffTypeIcon[];
extern const char kProgramIcon[];
// Their file names: under mime/packages and applications of a data folder.
extern const char kMimePackageName[];
extern const char kDesktopEntryName[];

// A picture of the program or of the diff type, as the icon theme holds it.
struct IconFile {
  std::string path;   // below the data folder, such as "icons/hicolor/48x48/apps/quarvel.png"
  std::string bytes;
};

struct XdgFiles {
  std::string mimePackage;   // UTF-8 XML
  std::string desktopEntry;  // UTF-8
};

// The two files for `script` (see BuildRegistrationScript): the type's comment is the document list's
// description, its glob the list's extension (matched in either case), its magic the diff files' 2929
// as a little-endian 16-bit value at offset 0; the entry's name is the application's name, and it
// starts `program` (a UTF-8 absolute path, quoted as desktop entries quote) with the file opened.
// 0, or -1 when the script is not one, lacks the document's extension, or a text has no UTF-8 form or
// holds a control character, or the program path is not absolute UTF-8.
int XdgFilesOfScript(const std::string& script, const std::string& program, XdgFiles* files);

}  // namespace quarvel
