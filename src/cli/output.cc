#include "cli/output.h"

#include <cstdio>

#include "model/list_line.h"
#include "platform/dos_time.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel::kmd {

std::string Utf8(const std::string& cp932) {
  // A control character in a name (a newline, an escape) would forge or colour the lines around it.
  std::string text;
  for (const char c : Cp932ToUtf8Lossy(cp932)) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
      text += escaped;
    } else {
      text += c;
    }
  }
  return text;
}

std::string ShownName(const std::string& cp932) {
  std::string text;
  for (const char c : Utf8(cp932)) {
    if (c == '\\') text += '\\';
    text += c;
  }
  if (text.size() <= kShownNameBytes) return text;
  std::size_t cut = kShownNameBytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // a UTF-8 continuation byte
  return text.substr(0, cut) + "\xE2\x80\xA6";
}

std::string ShownDirectory(const std::string& dir) {
  if (dir.empty()) return ".";
  std::string shown = dir;
  if (shown.size() > 1) RemoveTrailingSeparator(shown);
  return Utf8(shown);
}

std::string Names(const StringAry& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "" : ", ") + ShownName(n);
  return text;
}

std::string ReadFailureText(const ReadFailure& failure) {
  const char* cause = "it cannot be read (an input/output error)";
  if (failure.code == kPlatformNotFound) cause = "it does not exist";
  if (failure.code == kPlatformDenied) cause = "permission denied";
  if (failure.code == kReadNotLibrary) cause = "it is not a library, or its header or index is damaged";
  return "cannot read " + Utf8(failure.path) + ": " + cause;
}

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "kmd: %s\n", message.c_str());
  return code;
}

std::string EntryName(const SBNdt& entry) {
  return IsDocumentLevel(entry) ? Utf8(entry.name) + "/" + Utf8(entry.member) : Utf8(entry.name);
}

std::string ShownEntry(const SBNdt& entry) {
  return IsDocumentLevel(entry) ? ShownName(entry.name) + "/" + ShownName(entry.member) : ShownName(entry.name);
}

nlohmann::json ItemJson(const EntryBase& item) {
  static const char* const kKinds[] = {"unknown", "missing", "file", "document"};
  nlohmann::json j = {{"kind", kKinds[static_cast<int>(item.kind)]}};
  if (item.kind == BaseKind::kFile) {
    j["size"] = item.size;
    j["stamp"] = DosStampText(item.stamp);
    j["read_only"] = item.readOnly;
  }
  return j;
}

std::string ItemText(const EntryBase& item) {
  switch (item.kind) {
    case BaseKind::kAbsent: return "missing";
    case BaseKind::kFile:
      return std::to_string(item.size) + " bytes, " + DosStampText(item.stamp) + (item.readOnly ? ", read-only" : "");
    case BaseKind::kDocument:
    case BaseKind::kNone: break;
  }
  return "present";
}

void PrintBaseCheck(const BaseCheck& bases, const SBNdtAry& list, bool forced) {
  for (const int i : bases.applied) {
    std::printf("already applied %s\n", ShownEntry(list[static_cast<std::size_t>(i)]).c_str());
  }
  for (const BaseConflict& c : bases.conflicts) {
    // Two documents differ in their bytes alone: "present" against "present" would say nothing.
    const bool both = c.base.kind == BaseKind::kDocument && c.found.kind == BaseKind::kDocument;
    const SBNdt& e = list[static_cast<std::size_t>(c.entry)];
    const std::string found = c.libraryMissing ? "no library " + Utf8(e.name) : both ? "it with other bytes" : ItemText(c.found);
    std::printf("%s %s: the diff was made against %s; the menu directory holds %s\n", forced ? "overwrite" : "conflict",
                ShownEntry(e).c_str(), ItemText(c.base).c_str(), found.c_str());
  }
}

std::string ChangeLine(const SBNdt& change) {
  std::string line;
  if (CommandListLine(change, &line)) return Utf8(line);
  return "op " + std::to_string(change.op) + " type " + std::to_string(change.type) + " " + Utf8(change.name);
}

}  // namespace quarvel::kmd
