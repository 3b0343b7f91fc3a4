// The diff type's registration on a free desktop: the texts of the MIME package and the desktop
// entry, and (POSIX) the files written for the user without any display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/registration.h"
#include "platform/xdg_registration.h"
#include "support/temp_dir.h"
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "platform/registration_posix.h"
#endif

namespace quarvel {
namespace {

std::string Script() {
  std::string script, failed;
  EXPECT_EQ(BuildRegistrationScript(ApplicationRegistration(), DocumentRegistration(), &script, &failed), 0);
  return script;
}

std::string Line(const std::string& text, const std::string& key) {
  const std::size_t at = text.find("\n" + key + "=");
  if (at == std::string::npos) return "(none)";
  const std::size_t from = at + key.size() + 2;
  return text.substr(from, text.find('\n', from) - from);
}

TEST(XdgRegistration, TheFilesCarryTheRegistrationsTextsAndTheDiffsMagic) {
  XdgFiles files;
  ASSERT_EQ(XdgFilesOfScript(Script(), "/usr/bin/quarvel", &files), 0);
  EXPECT_EQ(Line(files.desktopEntry, "Name"), "Velmora \xE5\xB7\xAE\xE5\x88\x86 \xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB");  // Velmora 差分 ツール
  EXPECT_EQ(Line(files.desktopEntry, "Exec"), "\"/usr/bin/quarvel\" %f");
  EXPECT_EQ(Line(files.desktopEntry, "MimeType"), "application/x-velmo-kmd;");
  EXPECT_EQ(Line(files.desktopEntry, "Icon"), "quarvel");
  EXPECT_EQ(files.desktopEntry.rfind("[Desktop Entry]\n", 0), 0u);
  // Velmo差分ﾌｧｲﾙ, the document list's description
  EXPECT_NE(files.mimePackage.find("<comment>Velmo\xE5\xB7\xAE\xE5\x88\x86\xEF\xBE\x8C\xEF\xBD\xA7\xEF\xBD\xB2\xEF\xBE\x99</comment>"),
            std::string::npos) << files.mimePackage;
  EXPECT_NE(files.mimePackage.find("<mime-type type=\"application/x-velmo-kmd\">"), std::string::npos);
  EXPECT_NE(files.mimePackage.find("<glob pattern=\"*.kmd\"/>"), std::string::npos);
  EXPECT_NE(files.mimePackage.find("<match type=\"little16\" offset=\"0\" value=\"2929\"/>"), std::string::npos);
}

TEST(XdgRegistration, TheProgramsPathIsQuotedAsDesktopEntriesWantAndRefusedWhenItCannotBe) {
  const std::string script = Script();
  const struct {
    std::string program, exec;
  } cases[] = {
      {"/opt/Menu Tools/quarvel", "\"/opt/Menu Tools/quarvel\" %f"},
      {"/home/a\"b/$HOME/`x`/quarvel", "\"/home/a\\\\\"b/\\\\$HOME/\\\\`x\\\\`/quarvel\" %f"},
      {"/opt/back\\slash/100%/quarvel", "\"/opt/back\\\\\\\\slash/100%%/quarvel\" %f"},
      {"/opt/\xE5\xB7\xAE\xE5\x88\x86/quarvel", "\"/opt/\xE5\xB7\xAE\xE5\x88\x86/quarvel\" %f"},
  };
  for (const auto& c : cases) {
    XdgFiles files;
    ASSERT_EQ(XdgFilesOfScript(script, c.program, &files), 0) << c.program;
    EXPECT_EQ(Line(files.desktopEntry, "Exec"), c.exec) << c.program;
  }
  XdgFiles kept{"mime", "entry"};
  for (const std::string program : {"", "quarvel", "bin/quarvel", "/opt/a\nExec=evil/quarvel", "/opt/\x8D\xB7/quarvel"}) {
    EXPECT_EQ(XdgFilesOfScript(script, program, &kept), -1) << program;
  }
  EXPECT_EQ(XdgFilesOfScript("not a script", "/usr/bin/quarvel", &kept), -1);
  EXPECT_EQ(XdgFilesOfScript("REGEDIT\nA\\appname = x\n", "/usr/bin/quarvel", &kept), -1);  // no diff type
  EXPECT_EQ(kept.mimePackage, "mime");
  EXPECT_EQ(kept.desktopEntry, "entry");
}

#ifndef _WIN32

// Points XDG_DATA_HOME at a folder for the test's time.
class DataHome {
 public:
  explicit DataHome(const std::string& dir) {
    const char* saved = std::getenv("XDG_DATA_HOME");
    had_ = saved != nullptr;
    if (had_) saved_ = saved;
    setenv("XDG_DATA_HOME", dir.c_str(), 1);
  }
  ~DataHome() {
    if (had_) {
      setenv("XDG_DATA_HOME", saved_.c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
  }

 private:
  bool had_ = false;
  std::string saved_;
};

std::int64_t ChangeTime(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

TEST(PosixRegistration, WritesTheUsersAssociationWithIconsAndNamesThisProgram) {
  TempDir tmp;
  const std::string data = tmp.path() + "share/data";  // missing folders are made
  DataHome home(data);
  const std::vector<IconFile> icons = {{"icons/hicolor/16x16/apps/quarvel.png", "png16"},
                                       {"icons/hicolor/48x48/mimetypes/application-x-velmo-kmd.png", "png48"}};
  ASSERT_EQ(ApplyRegistrationPosix(Script(), icons), 0);
  XdgFiles files;
  char self[4096] = {};
  ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
  ASSERT_EQ(XdgFilesOfScript(Script(), self, &files), 0);
  const std::string entry = data + "/applications/quarvel.desktop";
  const std::string package = data + "/mime/packages/quarvel-kmd.xml";
  EXPECT_EQ(ReadFile(entry), files.desktopEntry);
  EXPECT_EQ(ReadFile(package), files.mimePackage);
  EXPECT_EQ(ReadFile(data + "/icons/hicolor/16x16/apps/quarvel.png"), "png16");
  EXPECT_EQ(ReadFile(data + "/icons/hicolor/48x48/mimetypes/application-x-velmo-kmd.png"), "png48");

  // Registered again unchanged (creation mode does it on every start): nothing is rewritten.
  const std::int64_t written = ChangeTime(entry);
  ASSERT_EQ(ApplyRegistrationPosix(Script(), icons), 0);
  EXPECT_EQ(ChangeTime(entry), written);
  // An entry of an older release is replaced.
  WriteFile(entry, "[Desktop Entry]\nExec=quarvel %f\n");
  ASSERT_EQ(ApplyRegistrationPosix(Script(), icons), 0);
  EXPECT_EQ(ReadFile(entry), files.desktopEntry);

  EXPECT_EQ(ApplyRegistrationPosix("not a script", icons), -1);

  // Installed with its package (a system data folder holds this very entry): nothing of the user's.
  TempDir system;
  WriteFile(system.Sub("applications") + "quarvel.desktop", files.desktopEntry);
  TempDir fresh;
  DataHome user(fresh.path() + "data");
  setenv("XDG_DATA_DIRS", system.path().c_str(), 1);
  EXPECT_EQ(ApplyRegistrationPosix(Script(), icons), 0);
  unsetenv("XDG_DATA_DIRS");
  EXPECT_FALSE(Exists(fresh.path() + "data/applications/quarvel.desktop"));
  // A file where a folder must be: the registration fails, and says so.
  TempDir blocked;
  WriteFile(blocked.path() + "data", "a file");
  DataHome inTheWay(blocked.path() + "data");
  EXPECT_EQ(ApplyRegistrationPosix(Script(), icons), -1);
}

#endif

}  // namespace
}  // namespace quarvel
