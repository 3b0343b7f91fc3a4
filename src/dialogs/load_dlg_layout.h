// Resource layout of the import dialog (resource 2020) and its control ids.
#pragma once

#include "dialogs/dialog_layout.h"

namespace quarvel {

namespace load_dlg {
constexpr int kResource = 2020;
constexpr int kDiffPath = 901;
constexpr int kDescription = 902;
constexpr int kTarget = 301;  // target menu directory
constexpr int kBrowse = 203;
constexpr int kLeaveOut = 201;
constexpr int kTakeBack = 202;
constexpr int kCommands = 401;
constexpr int kImport = 1;
constexpr int kCancel = 2;
constexpr int kHelp = 9;
}  // namespace load_dlg

const DialogLayout& LoadDlgLayout();

}  // namespace quarvel
