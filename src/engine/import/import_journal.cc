#include "engine/import/import_journal.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <set>

#include "engine/diff/diff_check.h"
#include "engine/import/import_plan.h"
#include "engine/import/retry.h"
#include "fileio/coding.h"
#include "fileio/fileio.h"
#include "fileio/work_names.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

namespace {

constexpr std::uint16_t kJournalMagic = 2931;
constexpr std::uint16_t kJournalVersion = 3;
constexpr std::uint16_t kJournalVersionSizesOnly = 2;
constexpr std::uint16_t kJournalVersionNamesOnly = 1;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kStateOffset = 4;
// The states as version 2 writes them: any two differ in four bits, and from 0x00 and 0xFF, so that no
// change of up to three bits turns one state into another. One byte, rewritten by one write of one
// byte, is never left half old and half new by a crash.
constexpr std::uint8_t kStateCodes[] = {0x0F, 0x33, 0x55};  // kStaging, kCommitting, kDone

std::uint8_t StateCode(JournalState state) { return kStateCodes[static_cast<std::size_t>(state)]; }
// Far above any real import (each name costs a few bytes); a bigger file is not trusted.
constexpr std::int64_t kMaxJournal = 64 * 1024 * 1024;

std::uint32_t Crc32(const std::string& bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void PutU8(std::string& out, std::uint8_t v) { out.push_back(static_cast<char>(v)); }
void PutString(std::string& out, const std::string& s) {
  AppendU16(out, static_cast<std::uint16_t>(s.size()));
  out += s;
}

// Reads the body front to back; any read past the end leaves it failed for good.
struct Reader {
  const std::string& bytes;
  std::size_t at = 0;
  bool ok = true;

  bool Has(std::size_t n) {
    ok = ok && bytes.size() - at >= n;
    return ok;
  }
  std::uint64_t Take(int n) {
    if (!Has(static_cast<std::size_t>(n))) return 0;
    at += static_cast<std::size_t>(n);
    return DecodeLittleEndian(bytes.data() + at - n, n);
  }
  std::uint32_t Uint(int n) { return static_cast<std::uint32_t>(Take(n)); }
  std::uint64_t Uint64() { return Take(8); }
  std::string String() {
    const std::size_t n = Uint(2);
    if (!Has(n)) return "";
    at += n;
    return bytes.substr(at - n, n);
  }
  bool Flag(std::uint8_t* bits, std::uint8_t allowed) {
    *bits = static_cast<std::uint8_t>(Uint(1));
    ok = ok && (*bits & ~allowed) == 0;
    return ok;
  }
};

bool IsWorkName(const std::string& name, const char* prefix) {
  return IsWorkFileName(name) && name.size() == 10 && SjisAsciiUpper(name).compare(0, 4, prefix) == 0;
}

// The rules a journal must keep for a recovery to act on it.
bool Trustworthy(const ImportJournal& j) {
  std::set<std::string> names, work;
  for (const JournalName& n : j.names) {
    if (!IsSafeFileName(n.name) || !names.insert(SjisAsciiUpper(n.name)).second) return false;
    if (n.occupant.empty() != n.backup.empty()) return false;
    if (n.occupant.empty() && (n.readOnly || n.was.known)) return false;
    if (!n.created && (n.createdSize != 0 || n.madeKnown || n.digestKnown)) return false;
    if (!n.occupant.empty() && SjisAsciiUpper(n.occupant) != SjisAsciiUpper(n.name)) return false;
    if (!n.backup.empty() && (!IsWorkName(n.backup, "SBN0") || !work.insert(SjisAsciiUpper(n.backup)).second)) {
      return false;
    }
  }
  std::set<std::string> libraries;
  for (const JournalLibrary& l : j.libraries) {
    if (!IsSafeFileName(l.name) || !libraries.insert(SjisAsciiUpper(l.name)).second) return false;
    if (!IsWorkName(l.work, "SBN1") || !work.insert(SjisAsciiUpper(l.work)).second) return false;
  }
  return true;
}

}  // namespace

std::string EncodeJournal(const ImportJournal& journal) {
  std::string body;
  PutU8(body, journal.testFileOurs ? 1 : 0);
  AppendU32(body, static_cast<std::uint32_t>(journal.names.size()));
  for (const JournalName& n : journal.names) {
    PutString(body, n.name);
    PutString(body, n.occupant);
    PutString(body, n.backup);
    PutU8(body, static_cast<std::uint8_t>((n.readOnly ? 1 : 0) | (n.created ? 2 : 0) | (n.was.known ? 4 : 0) |
                                          (n.madeKnown ? 8 : 0) | (n.digestKnown ? 16 : 0)));
    AppendU64(body, n.was.size);
    AppendU32(body, n.was.stamp);
    AppendU64(body, n.createdSize);
    AppendU32(body, n.createdStamp);
    AppendU64(body, n.madeVolume);
    AppendU64(body, n.madeIndex);
    AppendU32(body, n.createdFlag);
    body.append(n.createdDigest.begin(), n.createdDigest.end());
  }
  AppendU32(body, static_cast<std::uint32_t>(journal.libraries.size()));
  for (const JournalLibrary& l : journal.libraries) {
    PutString(body, l.name);
    PutString(body, l.work);
    PutU8(body, static_cast<std::uint8_t>((l.readOnly ? 1 : 0) | (l.was.known ? 2 : 0)));
    AppendU64(body, l.was.size);
    AppendU32(body, l.was.stamp);
  }
  std::string out;
  AppendU16(out, kJournalMagic);
  AppendU16(out, kJournalVersion);
  PutU8(out, StateCode(journal.state));
  out.append(3, '\0');
  AppendU32(out, static_cast<std::uint32_t>(body.size()));
  AppendU32(out, Crc32(body));
  return out + body;
}

namespace {

// One name's record, as the journal's version has it: `contents` (what stood there and the size given
// to a new file) from the second version on, `made` (what identifies a new file) from the third.
bool ReadName(Reader& r, bool contents, bool made, JournalName* n) {
  std::uint8_t bits = 0;
  n->name = r.String();
  n->occupant = r.String();
  n->backup = r.String();
  if (!r.Flag(&bits, made ? 31 : contents ? 7 : 3)) return false;
  n->readOnly = bits & 1;
  n->created = bits & 2;
  if (contents) {
    n->was.known = bits & 4;
    n->was.size = r.Uint64();
    n->was.stamp = r.Uint(4);
    n->createdSize = r.Uint64();
  }
  if (made) {
    n->madeKnown = bits & 8;
    n->digestKnown = bits & 16;
    n->createdStamp = r.Uint(4);
    n->madeVolume = r.Uint64();
    n->madeIndex = r.Uint64();
    n->createdFlag = r.Uint(4);
    if (r.Has(n->createdDigest.size())) {
      std::copy_n(r.bytes.begin() + static_cast<std::ptrdiff_t>(r.at), n->createdDigest.size(), n->createdDigest.begin());
      r.at += n->createdDigest.size();
    }
  }
  return true;
}

}  // namespace

bool DecodeJournal(const std::string& bytes, ImportJournal* journal) {
  *journal = ImportJournal{};
  Reader header{bytes};
  if (header.Uint(2) != kJournalMagic) return false;
  const std::uint32_t version = header.Uint(2);
  if (version != kJournalVersion && version != kJournalVersionSizesOnly && version != kJournalVersionNamesOnly) {
    return false;
  }
  const bool contents = version != kJournalVersionNamesOnly;
  const bool made = version == kJournalVersion;
  std::uint32_t state = header.Uint(1);
  if (contents) {
    const std::uint8_t* code = std::find(std::begin(kStateCodes), std::end(kStateCodes), state);
    if (code == std::end(kStateCodes)) return false;
    state = static_cast<std::uint32_t>(code - std::begin(kStateCodes));
  }
  if (header.Uint(3) != 0 || state > static_cast<std::uint32_t>(JournalState::kDone)) return false;
  const std::uint32_t length = header.Uint(4);
  const std::uint32_t crc = header.Uint(4);
  if (!header.ok || bytes.size() - kHeaderSize != length) return false;
  const std::string body = bytes.substr(kHeaderSize);
  if (Crc32(body) != crc) return false;

  journal->state = static_cast<JournalState>(state);
  journal->contentsKnown = contents;
  journal->madeFilesKnown = made;
  Reader r{body};
  std::uint8_t bits = 0;
  if (!r.Flag(&bits, 1)) return false;
  journal->testFileOurs = bits != 0;
  // Every record takes at least this many bytes, so a count beyond that is cut short, not a reason
  // to allocate.
  const std::size_t nameBytes = made ? 83 : contents ? 27 : 7;
  const std::size_t libraryBytes = contents ? 17 : 5;
  const std::uint32_t names = r.Uint(4);
  if (!r.ok || names > body.size() / nameBytes) return false;
  for (std::uint32_t i = 0; i < names && r.ok; ++i) {
    JournalName n;
    if (!ReadName(r, contents, made, &n)) return false;
    journal->names.push_back(n);
  }
  const std::uint32_t libraries = r.Uint(4);
  if (!r.ok || libraries > body.size() / libraryBytes) return false;
  for (std::uint32_t i = 0; i < libraries && r.ok; ++i) {
    JournalLibrary l;
    l.name = r.String();
    l.work = r.String();
    if (!r.Flag(&bits, contents ? 3 : 1)) return false;
    l.readOnly = bits & 1;
    if (contents) {
      l.was.known = bits & 2;
      l.was.size = r.Uint64();
      l.was.stamp = r.Uint(4);
    }
    journal->libraries.push_back(l);
  }
  return r.ok && r.at == body.size() && Trustworthy(*journal);
}

int IdentifyFile(const std::string& path, FileIdentity* id) {
  *id = FileIdentity{};
  std::uint32_t attrs = 0;
  const int r = Host().GetAttributes(path, &attrs);
  if (r != 0) return r == kPlatformNotFound ? kPlatformNotFound : -1;
  if (attrs & (kAttrLink | kAttrDirectory)) return 0;
  const int fd = Host().Open(path, OpenMode::kRead);
  if (fd < 0) return fd == kPlatformNotFound ? kPlatformNotFound : -1;
  const std::int64_t size = Host().Size(fd);
  std::uint32_t stamp = 0;
  const bool ok = size >= 0 && Host().GetStampFd(fd, &stamp) == 0;
  Host().Close(fd);
  if (!ok) return -1;
  *id = {true, static_cast<std::uint64_t>(size), stamp};
  return 0;
}

namespace {

// The journal's bytes written and flushed under kJournalWorkName: its descriptor, or -1 with nothing
// left there. A work journal left by an import that died before its first change goes first: it is
// of no use to anyone.
int WriteWorkJournal(const std::string& menuDir, const ImportJournal& journal) {
  const std::string work = menuDir + kJournalWorkName;
  const std::string bytes = EncodeJournal(journal);
  std::uint32_t attrs = 0;
  if (Host().GetAttributes(work, &attrs) != kPlatformNotFound && !RemoveFileOrReadOnly(work)) return -1;
  const int f = FileCreateNew(work);
  if (f < 0) return -1;
  if (FileWrite(f, bytes.data(), bytes.size()) == static_cast<long>(bytes.size()) && FileFlush(f) == 0) return f;
  FileCloseWritten(f);
  RemoveFileOrReadOnly(work);
  return -1;
}

}  // namespace

int WriteJournal(const std::string& menuDir, const ImportJournal& journal, int* fd) {
  *fd = -1;
  const std::string work = menuDir + kJournalWorkName;
  const std::string path = menuDir + kJournalName;
  const int f = WriteWorkJournal(menuDir, journal);
  if (f < 0) return -1;
  if (Host().Rename(work, path) != 0) {
    FileCloseWritten(f);
    RemoveFileOrReadOnly(work);
    return -1;
  }
  if (Host().FlushDir(menuDir) != 0) {
    FileCloseWritten(f);
    RemoveFileOrReadOnly(path);
    return -1;
  }
  *fd = f;
  return 0;
}

int RewriteJournal(const std::string& menuDir, const ImportJournal& journal, int* fd) {
  const std::string work = menuDir + kJournalWorkName;
  const std::string path = menuDir + kJournalName;
  const int f = WriteWorkJournal(menuDir, journal);
  if (f < 0) return -1;
  // Windows replaces no file that is open: the old journal is closed first, and opened again when it
  // stays.
  FileCloseWritten(*fd);
  if (Host().ReplaceFile(work, path) != 0) {
    FileCloseWritten(f);
    RemoveFileOrReadOnly(work);
    std::uint32_t attrs = 0;
    const int again = Host().GetAttributes(path, &attrs) == 0 ? Host().Open(path, OpenMode::kReadWriteCreate) : -1;
    *fd = again >= 0 ? again : -1;
    return -1;
  }
  // From here the new journal stands: a failed flush of its name leaves either one, and both are
  // this import's.
  *fd = f;
  return Host().FlushDir(menuDir) == 0 ? 0 : -1;
}

int MarkJournal(int fd, JournalState state) {
  const std::uint8_t code = StateCode(state);
  if (FileSeek(fd, kStateOffset) < 0 || FileWrite(fd, &code, 1) != 1) return -1;
  return FileFlush(fd) == 0 ? 0 : -1;
}

int ReadJournal(const std::string& menuDir, ImportJournal* journal) {
  const std::string path = menuDir + kJournalName;
  std::uint32_t attrs = 0;
  if (Host().GetAttributes(path, &attrs) == kPlatformNotFound) return kPlatformNotFound;
  const int fd = FileOpenRead(path);
  if (fd < 0) return -1;
  const std::int64_t size = Host().Size(fd);
  std::string bytes;
  bool ok = size >= 0 && size <= kMaxJournal;
  if (ok) {
    bytes.resize(static_cast<std::size_t>(size));
    ok = FileRead(fd, bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
  }
  FileClose(fd);
  return ok && DecodeJournal(bytes, journal) ? 0 : -1;
}

int RemoveJournal(const std::string& menuDir, int fd) {
  const std::string path = menuDir + kJournalName;
  // Whatever the journal describes must be on disk before the journal goes.
  if (!Retry([&] { return Host().FlushDir(menuDir) == 0; })) return -1;
  if (Retry([&] { return RemoveFileOrReadOnly(path); })) {
    if (Retry([&] { return Host().FlushDir(menuDir) == 0; })) return 0;
  }
  // Still there, or its removal not known to be durable: a journal marked done is only removed later.
  std::uint32_t attrs = 0;
  int f = fd;
  if (f < 0 && Host().GetAttributes(path, &attrs) == 0) f = Host().Open(path, OpenMode::kReadWriteCreate);
  if (f >= 0) {
    MarkJournal(f, JournalState::kDone);
    if (fd < 0) FileCloseWritten(f);
  }
  return -1;
}

}  // namespace quarvel
