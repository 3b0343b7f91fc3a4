#include "dialogs/make_dlg.h"

#include "dialogs/failure_causes.h"

#include "dialogs/command_list.h"
#include "dialogs/copy_estimate.h"
#include "dialogs/kaiseki_dlg.h"
#include "dialogs/make_dlg_layout.h"
#include "dialogs/read_failure_message.h"
#include "engine/diff/diff_check.h"
#include "engine/diff/diff_format.h"
#include "engine/diff/diff_reader.h"
#include "engine/diff/diff_writer.h"
#include "menufiles/libindex.h"
#include "menufiles/listings.h"
#include "platform/text.h"
#include "shell/env.h"
#include "shell/paths.h"

namespace quarvel {

namespace {

using namespace make_dlg;

constexpr std::uint32_t kAllDocumentsData = 0xFFFF;
constexpr std::size_t kMaxPathText = 259;
constexpr std::size_t kMaxCommentText = 255;

const char kAllDocuments[] = "*\x91S\x82\xC4";  // *全て
const char kDiffFilter[] =
    "Velmo\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9 (*.KMD)|*.kmd|"
    "\x82\xB7\x82\xD7\x82\xC4\x82\xCC\xCC\xA7\xB2\xD9 (*.*)|*.*|";  // Velmo差分ﾌｧｲﾙ (*.KMD)|*.kmd|すべてのﾌｧｲﾙ (*.*)|*.*|
// 差分作成を中止しました。差分ﾌｧｲﾙは作成していません。
const char kWriteStopped[] =
    "\x8D\xB7\x95\xAA\x8D\xEC\x90\xAC\x82\xF0\x92\x86\x8E\x7E\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81"
    "\x42\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\x82\xCD\x8D\xEC\x90\xAC\x82\xB5\x82\xC4\x82\xA2\x82\xDC"
    "\x82\xB9\x82\xF1\x81\x42";
const char kCannotReadDiff[] =
    "\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81\x42";  // 差分ﾌｧｲﾙを読み込めません。
const char kWriteError[] = "\x8D\xB7\x95\xAA\x8D\xEC\x90\xAC\x83G\x83\x89\x81[";  // 差分作成エラー
const char kWriteDone[] =
    "\x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x82\xAA\x8D\xEC\x90\xAC\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD"
    "\x81\x42";  // 差分ファイルが作成されました。
const char kMenuDirCaption[] = "\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x91I\x91\xF0";  // ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘ選択

// Which controls each tab shows: 903/904, 402, 501, 403, 404, 405, 301/204.
struct TabVisibility {
  bool stem, menus, libraries, documents, commons, others, mask;
};
const TabVisibility kTabVisibility[kTabCount] = {
    {true, true, false, false, false, false, false},
    {true, false, true, true, false, false, false},
    {true, false, false, false, true, false, false},
    {false, false, false, false, false, true, true},
};

const char kOpenTitle[] = "\x8AJ\x82\xAD";  // 開く
const char kSaveTitle[] = "\x96\xBC\x91O\x82\xF0\x95t\x82\xAF\x82\xC4\x95\xDB\x91\xB6";  // 名前を付けて保存

FileDialogRequest DiffFileRequest(bool save, const std::string& initialName) {
  FileDialogRequest r;
  r.save = save;
  r.title = save ? kSaveTitle : kOpenTitle;
  r.filter = kDiffFilter;
  r.defaultExtension = "KMD";
  r.initialName = SjisCut(initialName, kMaxPathText);
  r.hideReadOnly = true;
  r.promptOverwrite = save;
  r.keepCurrentDir = save;
  return r;
}

// The listing entry behind the selected line of `list`, or nullptr.
const TDic* SelectedEntry(const ListControl& list, const TDicAry& listing) {
  int sel = list.CurSel();
  if (sel < 0) return nullptr;
  std::uint32_t index = list.Item(sel).data;
  return index < listing.size() ? &listing[index] : nullptr;
}

}  // namespace

TSabunMakeDlg::TSabunMakeDlg(DialogServices& services, void* window)
    : services_(services), window_(window), controls_(MakeDlgLayout()) {}

void TSabunMakeDlg::OnInitDialog() {
  controls_.SetText(kDiffPath, "");
  ShowTab(kTabMenus);
  controls_.SetText(kComment, "");
  // The description field of a diff holds 47 bytes: the user sees at once what will be kept.
  controls_.LimitBytes(kComment, kDescriptionField - 1);
  controls_.SetText(kMask, "*.*");
  FillAllCandidates();
  FillCommands();
  UpdateDescription();
  controls_.SetText(kMenuDir, CurrentMenuDir());
}

void TSabunMakeDlg::OnTabChanged(int tab) {
  if (tab < 0 || tab >= kTabCount) return;
  ShowTab(tab);
}

void TSabunMakeDlg::ShowTab(int tab) {
  tab_ = tab;
  const TabVisibility& v = kTabVisibility[tab];
  controls_.Show(kStem, v.stem);
  controls_.Show(kStemLabel, v.stem);
  controls_.Show(kMenus, v.menus);
  controls_.Show(kLibraries, v.libraries);
  controls_.Show(kDocuments, v.documents);
  controls_.Show(kCommons, v.commons);
  controls_.Show(kOthers, v.others);
  controls_.Show(kMask, v.mask);
  controls_.Show(kSearch, v.mask);
  RefreshStem();
}

// Runs the selection handler of the current tab, so that 903 matches the visible list.
void TSabunMakeDlg::RefreshStem() {
  switch (tab_) {
    case kTabMenus:
      OnMenuSelChange();
      break;
    case kTabLibraries:
      OnLibrarySelChange();
      break;
    case kTabCommons:
      OnCommonSelChange();
      break;
    default:
      break;
  }
}


void TSabunMakeDlg::OnMenuSelChange() {
  if (tab_ != kTabMenus) return;
  const TDic* entry = SelectedEntry(controls_.List(kMenus), menus_);
  controls_.SetText(kStem, entry != nullptr ? entry->name : "");
}

void TSabunMakeDlg::OnLibrarySelChange() { ChooseLibrary(); }

void TSabunMakeDlg::ChooseLibrary() {
  const TDic* entry = SelectedEntry(controls_.List(kLibraries), libraries_);
  if (entry == nullptr) {
    if (tab_ == kTabLibraries) controls_.SetText(kStem, "");
    return;
  }
  libHolder_.name = entry->name;
  if (tab_ == kTabLibraries) controls_.SetText(kStem, entry->name);
  FillDocuments();
  controls_.MutableList(kDocuments).Select(0);
}

void TSabunMakeDlg::OnCommonSelChange() {
  if (tab_ != kTabCommons) return;
  const TDic* entry = SelectedEntry(controls_.List(kCommons), commons_);
  controls_.SetText(kStem, entry != nullptr ? entry->name : "");
}

void TSabunMakeDlg::OnCommandSelChange() { UpdateDescription(); }

void TSabunMakeDlg::OnSearch() {
  FillOthers();
  ReportListing();
}

void TSabunMakeDlg::FillMenus() {
  WaitCursor wait(services_);
  NoteListing(ListMenuFiles(menuHolder_, menus_));
  ListControl& list = controls_.MutableList(kMenus);
  list.Clear();
  for (std::size_t i = 0; i < menus_.size(); ++i) list.Add(menus_[i].title, static_cast<std::uint32_t>(i));
  list.Select(0);
}

void TSabunMakeDlg::FillLibraries() {
  WaitCursor wait(services_);
  NoteListing(ListDocLibs(libHolder_, libraries_));
  ListControl& list = controls_.MutableList(kLibraries);
  list.Clear();
  for (std::size_t i = 0; i < libraries_.size(); ++i) list.Add(libraries_[i].title, static_cast<std::uint32_t>(i));
}

void TSabunMakeDlg::FillDocuments() {
  WaitCursor wait(services_);
  if (ListLibDocuments(libHolder_, documents_) != 0) documents_.clear();
  ListControl& list = controls_.MutableList(kDocuments);
  list.Clear();
  list.AddPinned(kAllDocuments, kAllDocumentsData);
  for (std::size_t i = 0; i < documents_.size(); ++i) list.Add(documents_[i].name, static_cast<std::uint32_t>(i));
}

void TSabunMakeDlg::FillCommons() {
  ListControl& list = controls_.MutableList(kCommons);
  list.Clear();
  NoteListing(ListComLibs(comHolder_, commons_));
  for (std::size_t i = 0; i < commons_.size(); ++i) list.Add(commons_[i].title, static_cast<std::uint32_t>(i));
}

void TSabunMakeDlg::FillOthers() {
  ListControl& list = controls_.MutableList(kOthers);
  list.Clear();
  StringAry names;
  NoteListing(ListOtherFiles(controls_.Text(kMask), names));
  for (std::size_t i = 0; i < names.size(); ++i) list.Add(names[i], static_cast<std::uint32_t>(i));
  list.Select(0);
}

void TSabunMakeDlg::FillAllCandidates() {
  FillMenus();
  FillLibraries();
  controls_.MutableList(kLibraries).Select(0);
  ChooseLibrary();
  FillCommons();
  FillOthers();
  if (tab_ != kTabLibraries) RefreshStem();  // the library choice above has set 903 already
  ReportListing();
}

void TSabunMakeDlg::NoteListing(int listed) {
  if (listed < 0 && !listingFailure_.failed()) listingFailure_ = {CurrentMenuDir(), listed};
}

// Empty lists of a directory that could not be read must not pass for real ones: one message says so.
void TSabunMakeDlg::ReportListing() {
  if (!listingFailure_.failed()) return;
  const ReadFailure failure = listingFailure_;
  listingFailure_ = {};
  DialogMessage(services_, window_, ReadFailureMessage(failure), "", kMbOk);
}

void TSabunMakeDlg::FillCommands() { FillCommandList(controls_.MutableList(kCommands), commands_); }

void TSabunMakeDlg::UpdateDescription() {
  const ListControl& list = controls_.List(kCommands);
  std::vector<int> selected = list.SelectedIndices();
  controls_.Enable(kRemove, !selected.empty());
  std::string text;
  if (selected.size() == 1) {
    std::uint32_t index = list.Item(selected[0]).data;
    if (index < commands_.size()) text = CommandDescription(commands_[index]);
  }
  controls_.SetText(kDescription, text);
}

void TSabunMakeDlg::OnAdd() {
  SBNdt command;
  command.op = kOpAddOrReplace;
  switch (tab_) {
    case kTabMenus: {
      const TDic* menu = SelectedEntry(controls_.List(kMenus), menus_);
      if (menu == nullptr) return;
      command.type = MenuFile;
      command.name = menu->name + ".SST";
      command.title = menu->title;
      break;
    }
    case kTabLibraries: {
      const TDic* library = SelectedEntry(controls_.List(kLibraries), libraries_);
      const ListControl& docs = controls_.List(kDocuments);
      int sel = docs.CurSel();
      if (library == nullptr || sel < 0) return;
      command.type = DocumentLibrary;
      command.name = library->name + ".SSD";
      command.title = library->title;
      std::uint32_t data = docs.Item(sel).data;
      if (data != kAllDocumentsData) {
        if (data >= documents_.size()) return;
        command.member = documents_[data].name;
      }
      break;
    }
    case kTabCommons: {
      const TDic* common = SelectedEntry(controls_.List(kCommons), commons_);
      if (common == nullptr) return;
      command.type = CommonLibrary;
      command.name = common->name + ".SSV";
      command.title = common->title;
      break;
    }
    default: {
      const ListControl& others = controls_.List(kOthers);
      int sel = others.CurSel();
      if (sel < 0) return;
      command.type = OtherFile;
      command.name = others.Item(sel).text;
      break;
    }
  }
  commands_.push_back(std::move(command));
  FillCommands();
  UpdateDescription();
}

void TSabunMakeDlg::OnRemove() {
  const ListControl& list = controls_.List(kCommands);
  std::vector<int> selected = list.SelectedIndices();
  if (selected.empty()) return;
  std::vector<bool> marked(commands_.size(), false);
  for (int line : selected) {
    std::uint32_t index = list.Item(line).data;
    if (index < marked.size()) marked[index] = true;
  }
  for (std::size_t i = commands_.size(); i-- > 0;) {
    if (marked[i]) commands_.erase(commands_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  FillCommands();
  UpdateDescription();
}

void TSabunMakeDlg::OnReadDiff() {
  std::string path;
  if (!services_.RunFileDialog(DiffFileRequest(false, controls_.Text(kDiffPath)), &path)) return;
  controls_.SetText(kDiffPath, path);
  SBNdtAry loaded;
  std::string comment;
  if (LoadDiffDirectory(path, loaded, &comment) != 0) {
    // The list stays as it was; the user is told why the file gave none.
    const DiffCheck check = CheckDiffFile(path, &loaded, &comment);
    DialogMessage(services_, window_, std::string(kCannotReadDiff) + "\n" + path + "\n" + DiffFaultCause(check, loaded),
                  "", kMbOk);
    return;
  }
  commands_ = std::move(loaded);
  controls_.SetText(kComment, controls_.Fitted(kComment, comment));
  FillCommands();
  UpdateDescription();
}

void TSabunMakeDlg::OnBrowse() {
  std::string dir = controls_.Text(kMenuDir);
  if (!services_.BrowseDirectory(&dir, kMenuDirCaption)) return;
  AddTrailingSeparator(dir);
  controls_.SetText(kMenuDir, dir);
  SetMenuDirFromPath(dir);
  FillAllCandidates();
}

void TSabunMakeDlg::OnAnalyse() {
  std::string menuDir = CurrentMenuDir();
  TSabunKaisekiDlg analysis(services_, menuDir, commands_, window_);
  if (services_.RunAnalysisDialog(analysis) != kIdOk) return;
  FillCommands();
  UpdateDescription();
}

void TSabunMakeDlg::OnWrite() {
  std::string path;
  if (!services_.RunFileDialog(DiffFileRequest(true, controls_.Text(kDiffPath)), &path)) return;
  std::string comment = SjisCut(controls_.Text(kComment), kMaxCommentText);
  std::string menuDir = CurrentMenuDir();
  int written;
  WriteFailure why;
  {
    // A stop is safe here: the writer removes its work file, and nothing stands at `path` from it.
    CopyWork work(services_, DiffWriteBytes(menuDir, commands_), /*stoppable=*/true);
    written = WriteDiffFile(path, menuDir, commands_, &comment, &why);
  }
  if (written < 0 && why.fault == WriteFault::kStopped) {
    DialogMessage(services_, window_, kWriteStopped, "", kMbOk);
    return;
  }
  if (written < 0) {
    // The command list stays, so that the user can write it elsewhere.
    DialogMessage(services_, window_, std::string(kWriteError) + "\n" + WriteFailureCause(why, commands_), "", kMbOk);
    return;
  }
  DialogMessage(services_, window_, kWriteDone, "", kMbOk);
  Close(kIdOk);
}

void TSabunMakeDlg::OnCancel() { Close(kIdCancel); }

void TSabunMakeDlg::OnHelp() { services_.ShowHelp(window_, kHelpCreate); }

std::string TSabunMakeDlg::CurrentMenuDir() const {
  std::string dir = MenuPath("", "");
  AddTrailingSeparator(dir);
  return dir;
}

void TSabunMakeDlg::Close(int outcome) {
  result_ = outcome;
  services_.EndDialog(kResource, outcome);
}

}  // namespace quarvel
