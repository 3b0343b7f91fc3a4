#include "dialogs/kaiseki_dlg.h"

#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/read_failure_message.h"
#include "engine/analysis.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel {

namespace {

using namespace kaiseki_dlg;

constexpr std::size_t kMaxFieldText = 259;

const char kOldDirCaption[] = "\x8B\x8C\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x91I\x91\xF0";  // 旧ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘ選択
const char kNoOldDir[] =
    "\x8B\x8C\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xC4\x89\xBA\x82\xB3"
    "\x82\xA2";  // 旧ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘを選択して下さい
const char kSameDir[] =
    "\x88\xE1\x82\xA4\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2";  // 違うﾃﾞｨﾚｸﾄﾘを選択して下さい

}  // namespace

TSabunKaisekiDlg::TSabunKaisekiDlg(DialogServices& services, const std::string& menuDir, SBNdtAry& commands,
                                   void* window)
    : services_(services),
      menuDir_(menuDir),
      commands_(commands),
      window_(window),
      controls_(KaisekiDlgLayout()),
      oldDir_(menuDir) {}

void TSabunKaisekiDlg::OnInitDialog() {
  controls_.SetText(kOldDir, oldDir_);
  controls_.SetText(kExtensions, extensions_);
}

void TSabunKaisekiDlg::OnBrowse() {
  std::string dir = controls_.Text(kOldDir);
  if (!services_.BrowseDirectory(&dir, kOldDirCaption)) return;
  AddTrailingSeparator(dir);
  controls_.SetText(kOldDir, dir);
}

void TSabunKaisekiDlg::OnRun() {
  std::string oldDir = SjisCut(controls_.Text(kOldDir), kMaxFieldText);
  if (oldDir.empty()) {
    DialogMessage(services_, window_, kNoOldDir, "", kMbOk);
    return;
  }
  AddTrailingSeparator(oldDir);
  std::string extensions = SjisCut(controls_.Text(kExtensions), kMaxFieldText);
  if (SjisAsciiUpper(oldDir) == SjisAsciiUpper(menuDir_)) {
    DialogMessage(services_, window_, kSameDir, "", kMbOk);
    return;
  }
  oldDir_ = oldDir;
  extensions_ = extensions;
  // The command list is replaced only by a whole analysis; one that failed leaves it as it was.
  SBNdtAry found;
  ReadFailure failure;
  if (AnalyseMenuDirs(menuDir_, oldDir_, found, extensions_, AnalyseOptions{}, &failure) != 0) {
    DialogMessage(services_, window_, ReadFailureMessage(failure), "", kMbOk);
    return;
  }
  commands_ = std::move(found);
  Close(kIdOk);
}

void TSabunKaisekiDlg::OnCancel() { Close(kIdCancel); }

void TSabunKaisekiDlg::OnHelp() { services_.ShowHelp(window_, kHelpAnalyse); }

void TSabunKaisekiDlg::Close(int outcome) {
  result_ = outcome;
  services_.EndDialog(kResource, outcome);
}

}  // namespace quarvel
