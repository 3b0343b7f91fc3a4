#include "fileio/work_names.h"

#include <random>

#include "fileio/fileio.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace quarvel {

namespace {

constexpr char kNameChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::uint32_t kNameSpace = 36u * 36u * 36u * 36u * 36u;  // five variable characters
constexpr int kNameTries = 4096;

// Next candidate number; starts from the process identity so that two processes rarely collide,
// and moves on after every name made so that names within one process stay distinct.
std::uint32_t g_next_candidate = 0;
bool g_candidate_seeded = false;

std::string Candidate(const std::string& prefix, std::uint32_t n) {
  char v[5];
  for (char& c : v) {
    c = kNameChars[n % 36];
    n /= 36;
  }
  return prefix + v[0] + v[1] + "." + v[2] + v[3] + v[4];
}

}  // namespace

std::string MakeWorkName(const std::string& dir, const std::string& prefix) {
  if (!g_candidate_seeded) {
    g_candidate_seeded = true;
    g_next_candidate = std::random_device{}() % kNameSpace;
  }
  for (int i = 0; i < kNameTries; ++i) {
    const std::uint32_t n = (g_next_candidate + static_cast<std::uint32_t>(i)) % kNameSpace;
    const std::string name = Candidate(prefix, n);
    std::uint32_t attrs = 0;
    const int r = Host().GetAttributes(dir + name, &attrs);
    if (r == kPlatformNotFound) {
      g_next_candidate = (n + 1) % kNameSpace;
      return name;
    }
  }
  return "";
}

bool IsWorkFileName(const std::string& name) {
  const std::string upper = SjisAsciiUpper(name);
  for (const char* fixed : {"XXXXXX.TMP", kJournalName, kJournalWorkName, kLockName}) {
    if (upper == fixed) return true;
  }
  if (upper.size() != 10 || upper[6] != '.') return false;
  for (const char* prefix : {"SBN0", "SBN1", "KMDW"}) {
    if (upper.compare(0, 4, prefix) == 0) return true;
  }
  return false;
}

int RegisterTempFile(SFTbl& table, const std::string& dir, const std::string& name, const std::string& title) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].name == name) return static_cast<int>(i);
  }
  const std::string temp = MakeWorkName(dir, "SBN1");
  if (temp.empty() || (dir + temp).size() > kMaxPath) return -1;
  // A failed create made nothing (and the name may be another's now); a failed close leaves ours.
  const int fd = FileCreateNew(dir + temp);
  if (fd < 0) return -1;
  if (FileCloseWritten(fd) != 0) {
    FileRemove(dir + temp);
    return -1;
  }
  table.push_back({name, temp, title});
  return static_cast<int>(table.size() - 1);
}

}  // namespace quarvel
