// The command list as the dialogs show it: one line per command, and the description of one command.
#pragma once

#include <string>

#include "dialogs/list_control.h"
#include "model/records.h"

namespace quarvel {

// Empties `list`, then adds the line of every command that has one (CommandListLine: excluded commands,
// unknown ops and kinds have none) with item data = the command's index.
void FillCommandList(ListControl& list, const SBNdtAry& commands);

// The description text of one command, lines separated by "\n": "CMD:" with "追加" or "削除", then
// "TYPE：" with the kind and the file, library and document names that the kind has.
std::string CommandDescription(const SBNdt& command);

}  // namespace quarvel
