#include "dialogs/read_failure_message.h"

#include "platform/platform.h"

namespace quarvel {

namespace {

const char kDirUnreadable[] =
    "\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81\x42";  // ﾃﾞｨﾚｸﾄﾘを読み込めません。
const char kFileUnreadable[] =
    "\xCC\xA7\xB2\xD9\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81\x42";  // ﾌｧｲﾙを読み込めません。
const char kMissing[] =
    "\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81\x42";  // ﾃﾞｨﾚｸﾄﾘが存在しません。
const char kDenied[] =
    "\x93\xC7\x82\xDD\x8E\xE6\x82\xE8\x82\xCC\x8C\xA0\x8C\xC0\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81"
    "\x42";  // 読み取りの権限がありません。
const char kIoError[] =
    "\x93\xC7\x82\xDD\x8E\xE6\x82\xE8\x92\x86\x82\xC9\xB4\xD7\xB0\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5"
    "\x82\xBD\x81\x42";  // 読み取り中にｴﾗｰが発生しました。

}  // namespace

std::string ReadFailureMessage(const ReadFailure& failure) {
  const bool dir = !failure.path.empty() && failure.path.back() == kDirSep;
  const char* cause = kIoError;
  if (failure.code == kPlatformNotFound) cause = kMissing;
  if (failure.code == kPlatformDenied) cause = kDenied;
  return std::string(dir ? kDirUnreadable : kFileUnreadable) + "\n" + failure.path + "\n" + cause;
}

}  // namespace quarvel
