#include "dialogs/kaiseki_dlg.h"

#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/read_failure_message.h"
#include "engine/analysis/analysis.h"
#include "fileio/copy_progress.h"
#include "fileio/fileio.h"
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

// コマンド一覧を解析の結果で置き換えます。\n今の一覧の行は消えます。よろしいですか？
const char kReplaceAsk[] =
    "\x83\x52\x83\x7D\x83\x93\x83\x68\x88\xEA\x97\x97\x82\xF0\x89\xF0\x90\xCD\x82\xCC\x8C\x8B\x89"
    "\xCA\x82\xC5\x92\x75\x82\xAB\x8A\xB7\x82\xA6\x82\xDC\x82\xB7\x81\x42\n\x8D\xA1\x82\xCC\x88"
    "\xEA\x97\x97\x82\xCC\x8D\x73\x82\xCD\x8F\xC1\x82\xA6\x82\xDC\x82\xB7\x81\x42\x82\xE6\x82\xEB"
    "\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81\x48";
// 差分解析を中止しました。ｺﾏﾝﾄﾞ一覧は変更していません。
const char kAnalysisStopped[] =
    "\x8D\xB7\x95\xAA\x89\xF0\x90\xCD\x82\xF0\x92\x86\x8E\x7E\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81"
    "\x42\xBA\xCF\xDD\xC4\xDE\x88\xEA\x97\x97\x82\xCD\x95\xCF\x8D\x58\x82\xB5\x82\xC4\x82\xA2\x82"
    "\xDC\x82\xB9\x82\xF1\x81\x42";
const char kAnalysisCaption[] = "\x8D\xB7\x95\xAA\x89\xF0\x90\xCD";  // 差分解析

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
  int analysed;
  bool stopped;
  {
    // A stop is safe: the analysis changes nothing, and its result is dropped.
    CopyWork work(services_, 0, /*stoppable=*/true);
    analysed = AnalyseMenuDirs(menuDir_, oldDir_, found, extensions_, AnalyseOptions{}, &failure);
    stopped = CopyStopRequested();
  }
  if (stopped) {
    DialogMessage(services_, window_, kAnalysisStopped, "", kMbOk);
    return;
  }
  if (analysed != 0) {
    DialogMessage(services_, window_, ReadFailureMessage(failure), "", kMbOk);
    return;
  }
  // Commands picked by hand would be lost to the analysis's list: the user says so first, and on
  // Cancel the dialog stays open with the list as it was.
  if (!commands_.empty() && DialogMessage(services_, window_, kReplaceAsk, kAnalysisCaption, kMbOkCancel) != kIdOk) {
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
