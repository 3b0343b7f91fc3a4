#include "sample/menu_dir_builder.h"

#include <fstream>

#include "platform/platform.h"

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
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool StampFile(const std::string& path, std::uint32_t stamp) {
  Platform& host = NativePlatform();
  const int fd = host.Open(path, OpenMode::kRead);
  if (fd < 0) return false;
  const bool ok = host.SetStampFd(fd, stamp) == 0;
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
  WriteWholeFile(dir_ + name, bytes);
  if (stamp != 0) StampFile(dir_ + name, stamp);
  return *this;
}

}  // namespace quarvel
