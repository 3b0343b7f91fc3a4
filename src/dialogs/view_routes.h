// Which notification of its model each control event of a dialog forwards to: one table per dialog,
// shared by the views of every toolkit so that they cannot disagree.
#pragma once

#include <functional>
#include <map>

#include "dialogs/directry.h"
#include "dialogs/kaiseki_dlg.h"
#include "dialogs/load_dlg.h"
#include "dialogs/make_dlg.h"

namespace quarvel {

struct ViewRoutes {
  std::map<int, std::function<void()>> commands;          // buttons, list and combo selection changes
  std::function<void(int)> tabChanged;                    // a tab control's new page
  std::function<const char*(int)> tabCaption;             // each page's caption (CP932)
  int tabCount = 0;
  std::map<int, std::function<void(int)>> doubleClicks;   // list boxes: the line double-clicked
  std::map<int, std::function<void(bool)>> dropDowns;     // combo boxes: list opened or closed
  int cancel = 0;                                         // the command that the close box and Escape run
};

// The routes of each dialog over its model; the model outlives them.
ViewRoutes MakeDlgRoutes(TSabunMakeDlg& dlg);
ViewRoutes LoadDlgRoutes(TSabunLoadDlg& dlg);
ViewRoutes KaisekiDlgRoutes(TSabunKaisekiDlg& dlg);
ViewRoutes DirectryRoutes(TDirectry& dlg);

}  // namespace quarvel
