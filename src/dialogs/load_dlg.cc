#include "dialogs/load_dlg.h"

#include "dialogs/command_list.h"
#include "dialogs/copy_estimate.h"
#include "dialogs/failure_causes.h"
#include "dialogs/load_dlg_layout.h"
#include "engine/import/import_session.h"
#include "fileio/fileio.h"
#include "platform/platform.h"
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

// 作成
const char kCreated[] = "\x8D\xEC\x90\xAC";
// 置換
const char kReplaced[] = "\x92\x75\x8A\xB7";
// 削除
const char kDeleted[] = "\x8D\xED\x8F\x9C";
// 追加・置換
const char kPut[] = "\x92\xC7\x89\xC1\x81\x45\x92\x75\x8A\xB7";
// ﾌｧｲﾙ: 
const char kFiles[] = "\xCC\xA7\xB2\xD9: ";
// 文書: 
const char kDocuments[] = "\x95\xB6\x8F\x91: ";
// ﾗｲﾌﾞﾗﾘの再構築: 
const char kRebuilt[] = "\xD7\xB2\xCC\xDE\xD7\xD8\x82\xCC\x8D\xC4\x8D\x5C\x92\x7A: ";
// 、
const char kComma[] = "\x81\x41";
// 変更はありませんでした。
const char kNothingChanged[] =
    "\x95\xCF\x8D\x58\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81"
    "\x42";
// このﾃﾞｨﾚｸﾄﾘにはﾒﾆｭｰもﾗｲﾌﾞﾗﾘもありません:
const char kNotMenuDir[] =
    "\x82\xB1\x82\xCC\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xC9\x82\xCD\xD2\xC6\xAD\xB0\x82\xE0\xD7\xB2"
    "\xCC\xDE\xD7\xD8\x82\xE0\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1:";
// ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘでないかもしれません。取り込みますか？
const char kNotMenuDirAsk[] =
    "\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xC5\x82\xC8\x82\xA2\x82\xA9\x82\xE0\x82\xB5"
    "\x82\xEA\x82\xDC\x82\xB9\x82\xF1\x81\x42\x8E\xE6\x82\xE8\x8D\x9E\x82\xDD\x82\xDC\x82\xB7\x82"
    "\xA9\x81\x48";
// 取込先: 
const char kTargetLine[] = "\x8E\xE6\x8D\x9E\x90\xE6: ";
// この差分ﾌｧｲﾙには封印がありません。ﾃﾞｰﾀの破損と取込先の変更は確かめられません。
const char kNotSealed[] =
    "\x82\xB1\x82\xCC\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\x82\xC9\x82\xCD\x95\x95\x88\xF3\x82\xAA\x82\xA0\x82"
    "\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42\xC3\xDE\xB0\xC0\x82\xCC\x94j\x91\xB9\x82\xC6\x8E\xE6\x8D\x9E\x90"
    "\xE6\x82\xCC\x95\xCF\x8DX\x82\xCD\x8Am\x82\xA9\x82\xDF\x82\xE7\x82\xEA\x82\xDC\x82\xB9\x82\xF1\x81\x42";
// 差分ﾌｧｲﾙを読み込めません。
const char kCannotRead[] =
    "\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82"
    "\xF1\x81\x42";

// 中断されていた差分取込を元に戻しましたが、次のﾌｧｲﾙは元の状態に戻せませんでした:
const char kRolledBackInPart[] =
    "\x92\x86\x92\x66\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xBD\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82"
    "\xF0\x8C\xB3\x82\xC9\x96\xDF\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x82\xAA\x81\x41\x8E\x9F\x82\xCC"
    "\xCC\xA7\xB2\xD9\x82\xCD\x8C\xB3\x82\xCC\x8F\xF3\x91\xD4\x82\xC9\x96\xDF\x82\xB9\x82\xDC\x82"
    "\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD:";
// 中断されていた差分取込を完了しましたが、次のﾌｧｲﾙは新しい状態にできませんでした:
const char kCompletedInPart[] =
    "\x92\x86\x92\x66\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xBD\x8D\xB7\x95\xAA\x8E\xE6\x8D\x9E\x82"
    "\xF0\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x82\xAA\x81\x41\x8E\x9F\x82\xCC\xCC\xA7"
    "\xB2\xD9\x82\xCD\x90\x56\x82\xB5\x82\xA2\x8F\xF3\x91\xD4\x82\xC9\x82\xC5\x82\xAB\x82\xDC\x82"
    "\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD:";

// What the import changed, beneath its completion message: the groups that have a count.
std::string Summary(const ImportPlan& plan) {
  std::string lines;
  auto add = [](std::string* line, const char* what, std::size_t n) {
    if (n == 0) return;
    if (!line->empty()) *line += kComma;
    *line += std::string(what) + " " + std::to_string(n);
  };
  std::string files, documents;
  add(&files, kCreated, plan.creates.size());
  add(&files, kReplaced, plan.replaces.size());
  add(&files, kDeleted, plan.deletes.size());
  std::size_t put = 0;
  for (const PlannedDocument& d : plan.documents) put += d.remove ? 0 : 1;
  add(&documents, kPut, put);
  add(&documents, kDeleted, plan.documents.size() - put);
  if (!files.empty()) lines += std::string("\n") + kFiles + files;
  if (!documents.empty()) lines += std::string("\n") + kDocuments + documents;
  if (!plan.rebuilds.empty()) lines += std::string("\n") + kRebuilt + std::to_string(plan.rebuilds.size());
  return lines.empty() ? std::string("\n") + kNothingChanged : lines;
}

// True when `dir` holds a menu file or a library: what an existing menu directory has.
bool HoldsMenuFiles(const std::string& dir) {
  std::vector<FoundFile> found;
  return Host().FindFilesAny(dir, {"*.SST", "*.SSD", "*.SSV"}, &found) != 0 || !found.empty();
}

}  // namespace

TSabunLoadDlg::TSabunLoadDlg(DialogServices& services, std::string diffPath, void* window)
    : services_(services), window_(window), controls_(LoadDlgLayout()), session_(std::move(diffPath)) {}

void TSabunLoadDlg::OnInitDialog() {
  // The whole file is checked as the import checks it: a diff that it would refuse says so now, and
  // shows what could be read of it, with no way to start.
  const DiffCheck check = session_.Open();
  controls_.SetText(kDiffPath, session_.DiffPath());
  controls_.SetText(kDescription, session_.Description());
  std::string target = MenuPath("", "");
  AddTrailingSeparator(target);
  controls_.SetText(kTarget, target);
  OnTakeBack();
  if (!check.ok()) {
    controls_.Enable(kImport, false);
    DialogMessage(services_, window_,
                  std::string(kCannotRead) + "\n" + session_.DiffPath() + "\n" + DiffFaultCause(check, Commands()), "",
                  kMbOk);
  }
}

void TSabunLoadDlg::FillCommands() { FillCommandList(controls_.MutableList(kCommands), Commands()); }

void TSabunLoadDlg::OnTakeBack() {
  session_.TakeBackAll();
  FillCommands();
}

void TSabunLoadDlg::OnLeaveOut() {
  const ListControl& list = controls_.List(kCommands);
  std::vector<int> selected = list.SelectedIndices();
  if (selected.empty()) return;
  for (int line : selected) {
    std::uint32_t index = list.Item(line).data;
    if (index < session_.Entries().size()) session_.Entries()[index].op |= kOpExcluded;
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
  AddTrailingSeparator(target);
  // A directory that is not there is named before anything is asked.
  if (const int r = CheckDirectory(target); r != 0) {
    ImportReport report;
    report.check.refusal = r == kPlatformNotFound ? ImportRefusal::kMenuDirMissing : ImportRefusal::kMenuDirNotDirectory;
    DialogMessage(services_, window_,
                  std::string(kImportError) + "\n" + target + "\n" + ImportFailureCause(report, Commands()), "", kMbOk);
    return;
  }
  // A directory without a menu or a library may be a typing error: an import would fill it.
  if (!HoldsMenuFiles(target) &&
      DialogMessage(services_, window_, std::string(kNotMenuDir) + "\n" + target + "\n" + kNotMenuDirAsk,
                    kConfirmCaption, kMbOkCancel) != kIdOk) {
    return;
  }
  std::string confirm = std::string(kConfirm) + "\n\n" + kTargetLine + target;
  // Without a seal nothing tells a damaged byte or a local change: the user must know that.
  if (!session_.Sealed()) confirm += std::string("\n\n") + kNotSealed;
  if (DialogMessage(services_, window_, confirm, kConfirmCaption, kMbOkCancel) != kIdOk) return;
  // An import that an interrupted process left there is finished first, and the user told.
  const RecoveryResult recovery = ImportSession::FinishInterrupted(target);
  if (recovery.result != 0) {
    // A recovery that did what it could and removed its journal names what it could not mend; the
    // directory is not what the diff was made for, so the import does not go on by itself.
    if (recovery.InPart()) {
      const char* text = recovery.done == Recovery::kRolledBackInPart ? kRolledBackInPart : kCompletedInPart;
      DialogMessage(services_, window_,
                    std::string(text) + "\n" + NameList(recovery.lost.empty() ? recovery.left : recovery.lost) +
                        RecoveryLogLines(recovery.log),
                    "", kMbOk);
      return;
    }
    const ImportRefusal why = recovery.why;
    if (why == ImportRefusal::kImportRunning || why == ImportRefusal::kJournalUntrusted || why == ImportRefusal::kRecoveryFailed) {
      std::string text = DiffFaultCause({why, -1}, Commands());
      if (!recovery.left.empty()) text += "\n" + NameList(recovery.left);
      DialogMessage(services_, window_, text, "", kMbOk);
      return;
    }
    // Any other refusal (the lock in the way, a directory that cannot be written) is the import's.
    ImportReport report;
    report.check = {why, -1};
    ReportFailure(report);
    return;
  }
  if (recovery.done != Recovery::kNone) {
    DialogMessage(services_, window_,
                  std::string(recovery.done == Recovery::kRolledBack ? kRolledBack : kCompleted) +
                      RecoveryLogLines(recovery.log),
                  "", kMbOk);
  }
  // Every check the import makes first, and what it will change, for the summary. Items changed in
  // the target since the diff was made are listed, and imported over only when the user agrees;
  // entries already applied are left out.
  session_.ImportOver(false);
  ImportPlan plan;
  ImportReport report;
  if (session_.Plan(target, false, &plan, &report.check) != 0) {
    report.leftBehind = plan.leftBehind;
    if (report.check.refusal != ImportRefusal::kConflicts) {
      ReportFailure(report);
      return;
    }
    if (DialogMessage(services_, window_, ConflictQuestion(plan.bases, Commands()), kConfirmCaption, kMbOkCancel) !=
        kIdOk) {
      return;
    }
    session_.ImportOver(true);
    report = {};
    if (session_.Plan(target, false, &plan, &report.check) != 0) {
      report.leftBehind = plan.leftBehind;
      ReportFailure(report);
      return;
    }
  }
  int imported;
  {
    SBNdtAry chosen = Commands();
    for (const int i : plan.bases.applied) chosen[static_cast<std::size_t>(i)].op |= kOpExcluded;
    CopyWork work(services_, DiffImportBytes(session_.DiffPath(), target, chosen));
    imported = session_.Import(target, "", &report);
  }
  if (imported == kImportIncomplete) {
    DialogMessage(services_, window_, std::string(kImportError) + "\n" + ImportIncompleteMessage(report), "", kMbOk);
    return;
  }
  if (imported < 0) {
    ReportFailure(report);
    return;
  }
  DialogMessage(services_, window_, std::string(kImportDone) + Summary(plan) + AppliedLine(report.bases), "", kMbOk);
  Close(kIdOk);
}

void TSabunLoadDlg::ReportFailure(const ImportReport& report) {
  DialogMessage(services_, window_, std::string(kImportError) + "\n" + ImportFailureCause(report, Commands()), "", kMbOk);
}

void TSabunLoadDlg::OnCancel() { Close(kIdCancel); }

void TSabunLoadDlg::OnHelp() { services_.ShowHelp(window_, kHelpImport); }

void TSabunLoadDlg::Close(int outcome) {
  result_ = outcome;
  services_.EndDialog(kResource, outcome);
}

}  // namespace quarvel
