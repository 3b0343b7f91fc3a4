// Helpers shared by the dialog tests: the CP932 texts they look for, and the environment's menu
// directory set for one test and restored afterwards.
#pragma once

#include <string>

#include "dialogs/dialog_controls.h"
#include "shell/env.h"

namespace quarvel {

inline const std::string kAddPrefix = "\x81\x9B\x81\x46";                        // ○：
inline const std::string kDeletePrefix = "\x81\x7E\x81\x46";                     // ×：
inline const std::string kMenuLabel = "\xD2\xC6\xAD\xB0\x81\x46";                // ﾒﾆｭｰ：
inline const std::string kDocLabel = "\x8F\x91\x97\xDE\x81\x46";                 // 書類：
inline const std::string kLibLabel = "\x8F\x91\x97\xDE\x8C\x51\x81\x46";         // 書類群：
inline const std::string kFileLabel = "\xCC\xA7\xB2\xD9\x81\x46";                // ﾌｧｲﾙ：
inline const std::string kAllDocs = "*\x91S\x82\xC4";                            // *全て
inline const std::string kCmdAdd = "CMD:\x92\xC7\x89\xC1";                       // CMD:追加
inline const std::string kCmdDelete = "CMD:\x8D\xED\x8F\x9C";                    // CMD:削除
inline const std::string kTypeLib = "TYPE\x81\x46\x8F\x91\x97\xDE\x8C\x51";      // TYPE：書類群
inline const std::string kMenuDirCaption = "\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x91I\x91\xF0";  // ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘ選択

// Sets GL_sys_dir for the guard's lifetime.
class MenuDirScope {
 public:
  explicit MenuDirScope(const std::string& dir) : saved_(Env()) { Env().GL_sys_dir = dir; }
  ~MenuDirScope() { Env() = saved_; }
  MenuDirScope(const MenuDirScope&) = delete;
  MenuDirScope& operator=(const MenuDirScope&) = delete;

 private:
  Environment saved_;
};

// The position of the line with that text, or -1.
inline int LineOf(const ListControl& list, const std::string& text) {
  for (int i = 0; i < list.Count(); ++i) {
    if (list.Item(i).text == text) return i;
  }
  return -1;
}

// The lines of a description text.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      out.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  out.push_back(line);
  return out;
}

}  // namespace quarvel
