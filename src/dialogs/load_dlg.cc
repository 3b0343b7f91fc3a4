#include "dialogs/load_dlg.h"

#include "dialogs/command_list.h"
#include "dialogs/copy_estimate.h"
#include "dialogs/load_dlg_layout.h"
#include "engine/diff_reader.h"
#include "engine/import.h"
#include "engine/recovery.h"
#include "platform/text.h"
#include "shell/env.h"
#include "shell/paths.h"

namespace quarvel {

namespace {

using namespace load_dlg;

constexpr std::size_t kMaxFieldText = 259;

const char kMenuDirCaption[] = "\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x91I\x91\xF0";  // ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘ選択
const char kConfirm[] =
    "\x8D\xB7\x95\xAA\x82\xCC\x8E\xE6\x8D\x9E\x82\xF0\x8AJ\x8En\x82\xB5\x82\xDC\x82\xB7\x81\x42\n"
    "\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81H";  // 差分の取込を開始します。\nよろしいですか？
const char kNoTarget[] =
    "\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xC4\x89\xBA\x82\xB3"
    "\x82\xA2";  // ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘを選択して下さい
const char kConfirmCaption[] = "\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E";  // 差分取込
const char kImportError[] =
    "\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xC9\x83G\x83\x89\x81[\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD"
    "\x81\x42";  // 差分取込にエラーが発生しました。
const char kImportDone[] =
    "\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";  // 差分取込が完了しました。
const char kRolledBack[] =
    "\x92\x86\x92\x66\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xBD\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xF0"
    "\x8C\xB3\x82\xC9\x96\xDF\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";  // 中断されていた差分取込を元に戻しました。
const char kCompleted[] =
    "\x92\x86\x92\x66\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xBD\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xF0"
    "\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42";  // 中断されていた差分取込を完了しました。
const char kAnotherImport[] =
    "\x91\xBC\x82\xCC\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xAA\x8E\xC0\x8Ds\x92\x86\x82\xC5\x82\xB7"
    "\x81\x42\n\x8FI\x97\xB9\x82\xB5\x82\xC4\x82\xA9\x82\xE7\x82\xE2\x82\xE8\x92\xBC\x82\xB5\x82\xC4"
    "\x89\xBA\x82\xB3\x82\xA2\x81\x42";  // 他の差分取込が実行中です。\n終了してからやり直して下さい。
const char kJournalBad[] =
    "\x92\x86\x92\x66\x82\xB3\x82\xEA\x82\xBD\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xCC\x8BL\x98^(QUARV"
    "EL.JNL)\x82\xF0\x93\xC7\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81\x42\n\xD2\xC6\xAD\xB0\xC3\xDE\xA8"
    "\xDA\xB8\xC4\xD8\x82\xCD\x95\xCF\x8DX\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81\x42";  // 中断された差分取込の記録(QUARVEL.JNL)を読めません。\nﾒﾆｭｰﾃﾞｨﾚｸﾄﾘは変更していません。
const char kRecoveryFailed[] =
    "\x92\x86\x92\x66\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xBD\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xF0"
    "\x8FI\x82\xA6\x82\xE7\x82\xEA\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42\n\x8E\x9F"
    "\x82\xCC\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82\xC5\x82\xE0\x82\xA4\x88\xEA\x93x\x8E\x8E\x82\xDD"
    "\x82\xDC\x82\xB7\x81\x42";  // 中断されていた差分取込を終えられませんでした。\n次の差分取込でもう一度試みます。

}  // namespace

TSabunLoadDlg::TSabunLoadDlg(DialogServices& services, std::string diffPath, void* window)
    : services_(services), diffPath_(std::move(diffPath)), window_(window), controls_(LoadDlgLayout()) {}

void TSabunLoadDlg::OnInitDialog() {
  std::string description;
  if (LoadDiffDirectory(diffPath_, commands_, &description) != 0) {
    commands_.clear();
    description.clear();
  }
  controls_.SetText(kDiffPath, diffPath_);
  controls_.SetText(kDescription, description);
  std::string target = MenuPath("", "");
  AddTrailingSeparator(target);
  controls_.SetText(kTarget, target);
  OnTakeBack();
}

void TSabunLoadDlg::FillCommands() { FillCommandList(controls_.MutableList(kCommands), commands_); }

void TSabunLoadDlg::OnTakeBack() {
  for (SBNdt& command : commands_) {
    if (command.op >= 0) command.op &= ~kOpExcluded;
  }
  FillCommands();
}

void TSabunLoadDlg::OnLeaveOut() {
  const ListControl& list = controls_.List(kCommands);
  std::vector<int> selected = list.SelectedIndices();
  if (selected.empty()) return;
  for (int line : selected) {
    std::uint32_t index = list.Item(line).data;
    if (index < commands_.size()) commands_[index].op |= kOpExcluded;
  }
  FillCommands();
}

void TSabunLoadDlg::OnBrowse() {
  std::string dir = controls_.Text(kTarget);
  if (!services_.BrowseDirectory(&dir, kMenuDirCaption)) return;
  AddTrailingSeparator(dir);
  controls_.SetText(kTarget, dir);
}

void TSabunLoadDlg::OnImport() {
  std::string target = SjisCut(controls_.Text(kTarget), kMaxFieldText);
  // An empty field would become the root directory once the separator is added.
  if (target.empty()) {
    DialogMessage(services_, window_, kNoTarget, "", kMbOk);
    return;
  }
  if (DialogMessage(services_, window_, kConfirm, kConfirmCaption, kMbOkCancel) != kIdOk) return;
  AddTrailingSeparator(target);
  // An import that an interrupted process left there is finished first, and the user told.
  Recovery recovered = Recovery::kNone;
  DiffFault why = DiffFault::kNone;
  StringAry left;
  if (RecoverMenuDir(target, &recovered, &why, &left) != 0) {
    const char* text = why == DiffFault::kImportRunning      ? kAnotherImport
                       : why == DiffFault::kJournalUntrusted ? kJournalBad
                       : why == DiffFault::kRecoveryFailed   ? kRecoveryFailed
                                                             : nullptr;
    // Any other refusal (no such directory, not writable) the import itself reports.
    if (text != nullptr) {
      DialogMessage(services_, window_, text, "", kMbOk);
      return;
    }
  }
  if (recovered != Recovery::kNone) {
    DialogMessage(services_, window_, recovered == Recovery::kRolledBack ? kRolledBack : kCompleted, "", kMbOk);
  }
  int imported;
  ImportReport report;
  {
    CopyWork work(services_, DiffImportBytes(diffPath_, target, commands_));
    imported = ImportDiff(window_, diffPath_, target, commands_, &report);
  }
  if (imported < 0) {
    const bool running = report.check.fault == DiffFault::kImportRunning;
    DialogMessage(services_, window_, running ? kAnotherImport : kImportError, "", kMbOk);
    return;
  }
  DialogMessage(services_, window_, kImportDone, "", kMbOk);
  Close(kIdOk);
}

void TSabunLoadDlg::OnCancel() { Close(kIdCancel); }

void TSabunLoadDlg::OnHelp() { services_.ShowHelp(window_, kHelpImport); }

void TSabunLoadDlg::Close(int outcome) {
  result_ = outcome;
  services_.EndDialog(kResource, outcome);
}

}  // namespace quarvel
