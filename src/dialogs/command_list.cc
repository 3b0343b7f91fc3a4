#include "dialogs/command_list.h"

#include "model/list_line.h"

namespace quarvel {

namespace {

const char kCmd[] = "CMD:";
const char kAddWord[] = "\x92\xC7\x89\xC1";     // 追加
const char kDeleteWord[] = "\x8D\xED\x8F\x9C";  // 削除
const char kTypeLine[] = "\nTYPE\x81\x46";      // \nTYPE：
const char kMenuDesc[] = "\xD2\xC6\xAD\xB0\n\xCC\xA7\xB2\xD9\x96\xBC\x81\x46";                 // ﾒﾆｭｰ\nﾌｧｲﾙ名：
const char kMenuNameLine[] = "\n\xD2\xC6\xAD\xB0\x96\xBC\x81\x46";                             // \nﾒﾆｭｰ名：
const char kDocDesc[] = "\x8F\x91\x97\xDE\n\xCC\xA7\xB2\xD9\x96\xBC\x81\x46";                  // 書類\nﾌｧｲﾙ名：
const char kLibDesc[] = "\x8F\x91\x97\xDE\x8C\x51\n\xCC\xA7\xB2\xD9\x96\xBC\x81\x46";          // 書類群\nﾌｧｲﾙ名：
const char kLibNameLine[] = "\n\x8F\x91\x97\xDE\xD7\xB2\xCC\xDE\xD7\xD8\x96\xBC\x81\x46";      // \n書類ﾗｲﾌﾞﾗﾘ名：
const char kDocNameLine[] = "\n\x8F\x91\x97\xDE\x96\xBC\x81\x46";                              // \n書類名：
const char kComDesc[] = "\x8B\xA4\x92\xCA\n\xCC\xA7\xB2\xD9\x96\xBC\x81\x46";                  // 共通\nﾌｧｲﾙ名：
const char kComNameLine[] = "\n\x8B\xA4\x92\xCA\xD7\xB2\xCC\xDE\xD7\xD8\x96\xBC\x81\x46";      // \n共通ﾗｲﾌﾞﾗﾘ名：
const char kFileDesc[] = "\xCC\xA7\xB2\xD9\n\xCC\xA7\xB2\xD9\x96\xBC\x81\x46";                 // ﾌｧｲﾙ\nﾌｧｲﾙ名：

}  // namespace

void FillCommandList(ListControl& list, const SBNdtAry& commands) {
  list.Clear();
  for (std::size_t i = 0; i < commands.size(); ++i) {
    std::string line;
    if (CommandListLine(commands[i], &line)) list.Add(line, static_cast<std::uint32_t>(i));
  }
}

std::string CommandDescription(const SBNdt& command) {
  std::string text = kCmd;
  text += command.op == kOpAddOrReplace ? kAddWord : kDeleteWord;
  text += kTypeLine;
  switch (command.type) {
    case MenuFile:
      text += kMenuDesc + command.name + kMenuNameLine + command.title;
      break;
    case DocumentLibrary:
      if (!command.member.empty()) {
        text += kDocDesc + command.name + kLibNameLine + command.title + kDocNameLine + command.member;
      } else {
        text += kLibDesc + command.name + kLibNameLine + command.title;
      }
      break;
    case CommonLibrary:
      text += kComDesc + command.name + kComNameLine + command.title;
      break;
    case OtherFile:
      text += kFileDesc + command.name;
      break;
    default:
      break;
  }
  return text;
}

}  // namespace quarvel
