#include "model/list_line.h"

namespace quarvel {

namespace {

// CP932 labels. Each literal ends where its escapes end, so that no letter can join an escape.
const char kAdd[] = "\x81\x9B\x81\x46";                   // ○：
const char kDelete[] = "\x81\x7E\x81\x46";                // ×：
const char kMenu[] = "\xD2\xC6\xAD\xB0\x81\x46";          // ﾒﾆｭｰ：
const char kDocument[] = "\x8F\x91\x97\xDE\x81\x46";      // 書類：
const char kLibrary[] = "\x8F\x91\x97\xDE\x8C\x51\x81\x46";  // 書類群：
const char kCommon[] = "\x8B\xA4\x92\xCA\x81\x46";        // 共通：
const char kFile[] = "\xCC\xA7\xB2\xD9\x81\x46";          // ﾌｧｲﾙ：

}  // namespace

bool CommandListLine(const SBNdt& change, std::string* line) {
  std::string text;
  if (change.op == kOpAddOrReplace) {
    text = kAdd;
  } else if (change.op == kOpDelete) {
    text = kDelete;
  } else {
    return false;
  }
  switch (change.type) {
    case MenuFile:
      text += kMenu + change.title;
      break;
    case DocumentLibrary:
      text += change.member.empty() ? kLibrary + change.title : kDocument + change.member;
      break;
    case CommonLibrary:
      text += kCommon + change.title;
      break;
    case OtherFile:
      text += kFile + change.name;
      break;
    default:
      return false;
  }
  *line = text;
  return true;
}

}  // namespace quarvel
