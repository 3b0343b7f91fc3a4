// Resource layout of the creation dialog (resource 2010) and its control ids.
#pragma once

#include "dialogs/dialog_layout.h"

namespace quarvel {

namespace make_dlg {
constexpr int kResource = 2010;
constexpr int kMenuDir = 905;      // current menu directory
constexpr int kBrowse = 206;
constexpr int kDiffPath = 901;     // the diff file last read
constexpr int kComment = 302;
constexpr int kAnalyse = 201;
constexpr int kReadDiff = 205;
constexpr int kTabs = 1001;
constexpr int kMenus = 402;
constexpr int kLibraries = 501;
constexpr int kDocuments = 403;
constexpr int kCommons = 404;
constexpr int kMask = 301;
constexpr int kSearch = 204;
constexpr int kOthers = 405;
constexpr int kStemLabel = 904;
constexpr int kStem = 903;         // stem of the selected candidate
constexpr int kAdd = 202;
constexpr int kRemove = 203;
constexpr int kCommands = 401;
constexpr int kDescription = 902;
constexpr int kWrite = 1;
constexpr int kCancel = 2;
constexpr int kHelp = 9;
constexpr int kTabCount = 4;
}  // namespace make_dlg

const DialogLayout& MakeDlgLayout();
// The captions of the four tabs, in order: menus, document libraries, common libraries, other files.
const char* MakeDlgTabCaption(int tab);

}  // namespace quarvel
