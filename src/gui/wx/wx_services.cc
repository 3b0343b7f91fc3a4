#include "gui/wx/wx_services.h"

#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>

#include <algorithm>

#include "dialogs/directory_tree.h"
#include "fileio/fileio.h"
#include "dialogs/directry.h"
#include "dialogs/kaiseki_dlg.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "gui/wx/dialog_views.h"
#include "gui/wx/layout_view.h"

namespace quarvel {

namespace {
constexpr int kProgressRange = 1000;  // steps of the progress bar
}  // namespace

const char* HelpText(int context) {
  switch (context) {
    case kHelpBrowse:
      return "ディレクトリの選択\n\n"
             "パス: 現在のディレクトリを表示します。\n"
             "ディレクトリ一覧: ダブルクリックでそのディレクトリへ移動します。\n"
             "ドライブ: ルートまたはホームディレクトリへ移動します。\n"
             "OK: 現在のディレクトリを選択して閉じます。\n"
             "キャンセル: 何も選択せずに閉じます。";
    case kHelpCreate:
      return "差分ファイルの作成\n\n"
             "メニューディレクトリ: 差分を取り出すメニューディレクトリです。「参照」で変更できます。\n"
             "差分読込: 既存の差分ファイルのコマンドを一覧に読み込みます。\n"
             "分析: 古いメニューディレクトリと比較してコマンド一覧を作ります。\n"
             "タブ: メニュー、文書ライブラリ、共通ライブラリ、その他のファイルを切り替えます。\n"
             "検索: マスクに合うファイルをその他のファイルに表示します。\n"
             "追加 = >: 選択した項目をコマンド一覧に加えます。\n"
             "削除: コマンド一覧で選択した行を取り除きます。\n"
             "コメント: 差分ファイルに書き込む説明です。\n"
             "差分作成: コマンド一覧を差分ファイルに書き出します。\n"
             "キャンセル: 何もせずに終了します。";
    case kHelpImport:
      return "差分ファイルの読込\n\n"
             "差分ファイル: 読み込む差分ファイルと、その説明を表示します。\n"
             "コマンド一覧: 差分に含まれる変更です。\n"
             "削除 X: 選択した行を読込の対象から外します。\n"
             "戻す: 外した行を対象に戻します。\n"
             "読込先: 変更を反映するメニューディレクトリです。「参照」で選べます。\n"
             "読込開始: 対象の変更を読込先に反映します。\n"
             "キャンセル: 何もせずに終了します。";
    case kHelpAnalyse:
      return "差分の分析\n\n"
             "旧メニューディレクトリ: 比較の相手となる古いメニューディレクトリです。「参照」で選べます。\n"
             "拡張子: その他のファイルとして比較する拡張子です。\n"
             "OK: 分析を実行し、結果をコマンド一覧に加えます。\n"
             "キャンセル: 分析せずに戻ります。";
    default:
      return nullptr;
  }
}

bool WxDialogServices::ShowHelp(void* window, int context) {
  const char* text = HelpText(context);
  if (!text) return false;
  auto* frame = new wxFrame(OwnerWindow(window), wxID_ANY, wxString::FromUTF8("ヘルプ"), wxDefaultPosition,
                            wxSize(600, 360), wxDEFAULT_FRAME_STYLE | wxFRAME_FLOAT_ON_PARENT);
  new wxTextCtrl(frame, wxID_ANY, wxString::FromUTF8(text), wxDefaultPosition, wxDefaultSize,
                 wxTE_MULTILINE | wxTE_READONLY);
  frame->CentreOnParent();
  frame->Show();
  return true;
}

int WxDialogServices::ShowMessage(void* window, const std::string& text, const std::string& caption,
                                  unsigned style) {
  CloseProgress();
  long wxStyle = (style & kMbOkCancel) ? (wxOK | wxCANCEL) : wxOK;
  if (style & kMbIconError) wxStyle |= wxICON_ERROR;
  const std::string& shown = caption.empty() ? ApplicationTitle() : caption;
  wxMessageDialog box(OwnerWindow(window), FromCp932(text), FromCp932(shown), wxStyle);
  return box.ShowModal() == wxID_OK ? kIdOk : kIdCancel;
}

void WxDialogServices::BeginWork() {
  if (workDepth_++ > 0) return;
  waitClock_.Start();
  SetCopyProgress([this](std::uint64_t bytes) { OnCopied(bytes); });
}

void WxDialogServices::EndWork() {
  if (--workDepth_ > 0) return;
  SetCopyProgress(nullptr);
  CloseProgress();
  EndCopyWork();
}

void WxDialogServices::BeginCopyWork(std::uint64_t totalBytes) {
  copyTotal_ = totalBytes;
  copied_ = 0;
}

void WxDialogServices::EndCopyWork() {
  copyTotal_ = 0;
  copied_ = 0;
}

void WxDialogServices::CloseProgress() {
  if (!progress_) return;
  progress_->Destroy();
  progress_ = nullptr;
}

// A chunk was copied: once the work has gone on for a while a progress dialog shows how far a long
// diff write or import has come, or that it is alive when its total is not known. It only reports;
// the work goes on unchanged.
void WxDialogServices::OnCopied(std::uint64_t bytes) {
  copied_ += bytes;
  if (!progress_) {
    if (waitClock_.Time() < progressDelayMs) return;
    progress_ = new wxProgressDialog(FromCp932(ApplicationTitle()), wxString::FromUTF8("処理中です..."),
                                     kProgressRange, wxTheApp->GetTopWindow(), wxPD_APP_MODAL | wxPD_ELAPSED_TIME);
  }
  if (copyTotal_ == 0) {
    progress_->Pulse();
    return;
  }
  // The bar stops short of its end: a progress dialog that reaches it waits for the user to close it.
  // An estimate that fell short holds it there.
  const std::uint64_t done = std::min<std::uint64_t>(copied_, copyTotal_);
  progress_->Update(static_cast<int>(std::min<std::uint64_t>(done * kProgressRange / copyTotal_, kProgressRange - 1)));
}

std::string WxDialogServices::ApplicationTitle() {
  return wxTheApp ? ToCp932(wxTheApp->GetAppDisplayName()) : std::string();
}

// "label|pattern|label|pattern|" in wx's form, which has no closing bar.
static wxString WxFilter(const std::string& filter) {
  wxString f = FromCp932(filter);
  if (f.EndsWith("|")) f.RemoveLast();
  return f;
}

bool WxDialogServices::RunFileDialog(const FileDialogRequest& request, std::string* path) {
  long style = request.save ? wxFD_SAVE : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (request.save && request.promptOverwrite) style |= wxFD_OVERWRITE_PROMPT;
  if (!request.keepCurrentDir) style |= wxFD_CHANGE_DIR;
  wxFileName initial(FromCp932(request.initialName));
  wxFileDialog dialog(wxTheApp->GetTopWindow(), wxEmptyString, initial.GetPath(), initial.GetFullName(),
                      WxFilter(request.filter), style);
  if (dialog.ShowModal() != wxID_OK) return false;
  wxFileName chosen(dialog.GetPath());
  if (!chosen.HasExt() && !request.defaultExtension.empty()) chosen.SetExt(FromCp932(request.defaultExtension));
  *path = ToCp932(chosen.GetFullPath());
  return true;
}

bool WxDialogServices::BrowseDirectory(std::string* path, const std::string& caption) {
  auto run = [this](TDirectry& chooser) {
    ModalLayoutDialog dialog(wxTheApp->GetTopWindow(), FromCp932(chooser.Caption()));
    LayoutPanel* panel = DirectryView(&dialog, chooser);
    dialog.Attach(panel, [&chooser] { return chooser.Result(); }, [&chooser] { chooser.OnCancel(); });
    chooser.OnInitDialog();
    panel->Mirror();
    if (onModalShown) dialog.CallAfter([this, &dialog] { onModalShown(dialog); });
    dialog.ShowModal();
  };
  return BrowseForDirectory(*this, HostDirectoryTree(), run, path, caption);
}

int WxDialogServices::RunAnalysisDialog(TSabunKaisekiDlg& analysis) {
  ModalLayoutDialog dialog(wxTheApp->GetTopWindow(), FromCp932(KaisekiDlgLayout().title));
  LayoutPanel* panel = KaisekiDlgView(&dialog, analysis);
  dialog.Attach(panel, [&analysis] { return analysis.Result(); }, [&analysis] { analysis.OnCancel(); });
  analysis.OnInitDialog();
  panel->Mirror();
  if (onModalShown) dialog.CallAfter([this, &dialog] { onModalShown(dialog); });
  dialog.ShowModal();
  return analysis.Result() == kIdOk ? kIdOk : kIdCancel;
}

}  // namespace quarvel
