#include "cli/output.h"

#include <cstdio>

#include "fileio/fileio.h"
#include "model/list_line.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel::kmd {

std::string Utf8(const std::string& cp932) { return Cp932ToUtf8Lossy(cp932); }

bool FromArg(const std::string& arg, const char* what, std::string* cp932) {
  if (Utf8ToCp932(arg, cp932)) return true;
  Fail(kExitUsage, std::string(what) + " has characters that the menu directory cannot name: " + arg);
  return false;
}

bool DirArg(const std::string& arg, std::string* dir) {
  if (!FromArg(arg, "directory", dir)) return false;
  AddTrailingSeparator(*dir);
  return true;
}

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "kmd: %s\n", message.c_str());
  return code;
}

std::string ChangeLine(const SBNdt& change) {
  std::string line;
  if (CommandListLine(change, &line)) return Utf8(line);
  return "op " + std::to_string(change.op) + " type " + std::to_string(change.type) + " " + Utf8(change.name);
}

namespace {
constexpr std::uint64_t kLongWork = 16u << 20;  // bytes before progress shows
}  // namespace

Progress::Progress(const char* verb) : verb_(verb), last_(std::chrono::steady_clock::now()) {
  if (Host().StderrIsTerminal()) SetCopyProgress([this](std::uint64_t bytes) { Add(bytes); });
}

Progress::~Progress() {
  SetCopyProgress(nullptr);
  if (shown_) std::fprintf(stderr, "\r%s: %.1f MB done\n", verb_, static_cast<double>(bytes_) / (1 << 20));
}

void Progress::Add(std::uint64_t bytes) {
  bytes_ += bytes;
  const auto now = std::chrono::steady_clock::now();
  if (bytes_ < kLongWork || now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  shown_ = true;
  std::fprintf(stderr, "\r%s: %.1f MB", verb_, static_cast<double>(bytes_) / (1 << 20));
  std::fflush(stderr);
}

}  // namespace quarvel::kmd
