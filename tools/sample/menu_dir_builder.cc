#include "sample/menu_dir_builder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

namespace {

void Put16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutLString(std::string& out, const std::string& s) {
  Put16(out, static_cast<std::uint16_t>(s.size() + 1));
  out += s;
  out += '\0';
}

// A directory built otherwise than asked would make every check on it mean something else: a test or
// the sample stops at once, saying what it could not make.
[[noreturn]] void Stop(const std::string& what, const std::string& path) {
  std::fprintf(stderr, "MenuDirBuilder: %s %s\n", what.c_str(), path.c_str());
  std::abort();
}

std::string TitleField(const std::string& title) {
  std::string field = title.substr(0, 47);
  field.resize(48, '\0');
  return field;
}

}  // namespace

std::string MenuFileBytes(const std::string& title, std::int32_t number, const std::string& body) {
  std::string out;
  Put16(out, 0x0B70);
  Put16(out, 1);
  Put32(out, static_cast<std::uint32_t>(number));
  Put32(out, 0);
  Put32(out, 0);
  out += TitleField(title);
  return out + body;
}

std::string LibraryBytes(const std::string& title, const std::vector<DocSpec>& docs, std::uint16_t magic,
                         std::int16_t version) {
  std::string index, data;
  for (const DocSpec& d : docs) {
    Put32(index, static_cast<std::uint32_t>(d.data.size()));
    Put32(index, d.word);
    PutLString(index, d.name);
    PutLString(index, d.secondName);
    data += d.data;
  }
  std::string out;
  Put16(out, magic);
  Put16(out, static_cast<std::uint16_t>(version));
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(docs.size()));
  Put32(out, static_cast<std::uint32_t>(index.size()));
  out += TitleField(title);
  return out + index + data;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool StampFile(const std::string& path, std::uint32_t stamp) {
  // The platform takes CP932 paths: the path's CP932 form must lead back to the very same host path,
  // or the stamp would go to another name (or to none) than the one written.
  std::string platform_path, back;
  if (!Utf8ToCp932(path, &platform_path) || !Cp932ToUtf8(platform_path, &back) || back != path) return false;
  Platform& host = NativePlatform();
  const int fd = host.Open(platform_path, OpenMode::kRead);
  if (fd < 0) return false;
  std::uint32_t now = 0;
  const bool ok = host.SetStampFd(fd, stamp) == 0 && host.GetStampFd(fd, &now) == 0 && now == stamp;
  host.Close(fd);
  return ok;
}

MenuDirBuilder& MenuDirBuilder::Menu(const std::string& name, const std::string& title, const std::string& body,
                                     std::uint32_t stamp) {
  return File(name, MenuFileBytes(title, 0, body), stamp);
}

MenuDirBuilder& MenuDirBuilder::Library(const std::string& name, const std::string& title,
                                        const std::vector<DocSpec>& docs, std::uint32_t stamp) {
  return File(name, LibraryBytes(title, docs), stamp);
}

MenuDirBuilder& MenuDirBuilder::File(const std::string& name, const std::string& bytes, std::uint32_t stamp) {
  const std::string path = dir_ + name;
  if (!WriteWholeFile(path, bytes)) Stop("cannot write", path);
  if (stamp != 0 && !StampFile(path, stamp)) Stop("cannot give the stamp " + std::to_string(stamp) + " to", path);
  return *this;
}

}  // namespace quarvel
