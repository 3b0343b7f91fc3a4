#include "dialogs/view_routes.h"

#include "dialogs/directry_layout.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/load_dlg_layout.h"
#include "dialogs/make_dlg_layout.h"

namespace quarvel {

ViewRoutes MakeDlgRoutes(TSabunMakeDlg& dlg) {
  using namespace make_dlg;
  ViewRoutes r;
  r.commands = {
      {kMenus, [&dlg] { dlg.OnMenuSelChange(); }},        {kLibraries, [&dlg] { dlg.OnLibrarySelChange(); }},
      {kCommons, [&dlg] { dlg.OnCommonSelChange(); }},    {kCommands, [&dlg] { dlg.OnCommandSelChange(); }},
      {kSearch, [&dlg] { dlg.OnSearch(); }},              {kAnalyse, [&dlg] { dlg.OnAnalyse(); }},
      {kAdd, [&dlg] { dlg.OnAdd(); }},                    {kRemove, [&dlg] { dlg.OnRemove(); }},
      {kReadDiff, [&dlg] { dlg.OnReadDiff(); }},          {kBrowse, [&dlg] { dlg.OnBrowse(); }},
      {kWrite, [&dlg] { dlg.OnWrite(); }},                {kCancel, [&dlg] { dlg.OnCancel(); }},
      {kHelp, [&dlg] { dlg.OnHelp(); }},
  };
  r.tabChanged = [&dlg](int tab) { dlg.OnTabChanged(tab); };
  r.tabCaption = [](int tab) { return MakeDlgTabCaption(tab); };
  r.tabCount = kTabCount;
  r.cancel = kCancel;
  return r;
}

ViewRoutes LoadDlgRoutes(TSabunLoadDlg& dlg) {
  using namespace load_dlg;
  ViewRoutes r;
  r.commands = {
      {kLeaveOut, [&dlg] { dlg.OnLeaveOut(); }}, {kTakeBack, [&dlg] { dlg.OnTakeBack(); }},
      {kBrowse, [&dlg] { dlg.OnBrowse(); }},     {kImport, [&dlg] { dlg.OnImport(); }},
      {kCancel, [&dlg] { dlg.OnCancel(); }},     {kHelp, [&dlg] { dlg.OnHelp(); }},
  };
  r.cancel = kCancel;
  return r;
}

ViewRoutes KaisekiDlgRoutes(TSabunKaisekiDlg& dlg) {
  using namespace kaiseki_dlg;
  ViewRoutes r;
  r.commands = {
      {kBrowse, [&dlg] { dlg.OnBrowse(); }}, {kRun, [&dlg] { dlg.OnRun(); }},
      {kCancel, [&dlg] { dlg.OnCancel(); }}, {kHelp, [&dlg] { dlg.OnHelp(); }},
  };
  r.cancel = kCancel;
  return r;
}

ViewRoutes DirectryRoutes(TDirectry& dlg) {
  using namespace directry;
  ViewRoutes r;
  r.commands = {
      {kDrives, [&dlg] { dlg.OnDriveChanged(); }}, {kAccept, [&dlg] { dlg.OnAccept(); }},
      {kCancel, [&dlg] { dlg.OnCancel(); }},       {kHelp, [&dlg] { dlg.OnHelp(); }},
  };
  r.doubleClicks[kDirectories] = [&dlg](int line) { dlg.OnOpen(line); };
  r.dropDowns[kDrives] = [&dlg](bool shown) { dlg.OnDriveListShown(shown); };
  r.cancel = kCancel;
  return r;
}

}  // namespace quarvel
