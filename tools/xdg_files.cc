// xdg-files DIR PROGRAM: writes the Linux package's desktop entry and MIME package into DIR, from the
// same registration data and texts as the per-user registration, with PROGRAM as the installed path.
#include <cstdio>
#include <fstream>
#include <string>

#include "app/registration.h"
#include "platform/xdg_registration.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: xdg-files DIR PROGRAM\n");
    return 2;
  }
  std::string script, failed;
  quarvel::XdgFiles files;
  if (quarvel::BuildRegistrationScript(quarvel::ApplicationRegistration(), quarvel::DocumentRegistration(), &script,
                                       &failed) != 0 ||
      quarvel::XdgFilesOfScript(script, argv[2], &files) != 0) {
    std::fprintf(stderr, "xdg-files: the registration data gives no files for %s\n", argv[2]);
    return 1;
  }
  const std::string dir = argv[1];
  for (const auto& [name, text] : {std::pair{quarvel::kDesktopEntryName, &files.desktopEntry},
                                   std::pair{quarvel::kMimePackageName, &files.mimePackage}}) {
    std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
    out << *text;
    out.close();
    if (!out) {
      std::fprintf(stderr, "xdg-files: cannot write %s/%s\n", dir.c_str(), name);
      return 1;
    }
  }
  return 0;
}
