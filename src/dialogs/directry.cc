#include "dialogs/directry.h"

#include "dialogs/directry_layout.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "shell/paths.h"

namespace quarvel {

namespace {

using namespace directry;

// The root part of a path ending with a separator: "/" on POSIX, "c:\" on Windows.
std::size_t RootLength(const std::string& path) {
#ifdef _WIN32
  return path.size() >= 3 && path[1] == ':' ? 3 : 1;
#else
  (void)path;
  return 1;
#endif
}

// The components after the root, split at single-byte separators; double-byte characters whole.
StringAry Components(const std::string& path, std::size_t from) {
  StringAry parts;
  std::string part;
  for (std::size_t i = from; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsSjisLead(c) && i + 1 < path.size()) {
      part += path[i];
      part += path[++i];
    } else if (path[i] == kDirSep) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += path[i];
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// "d:" for a path on drive d ("d:\\…", "d:…"), else "": a drive named so stands for the directory
// that is current on it, as the system keeps one per drive.
std::string DriveOf(const std::string& path) {
  const bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return letter && path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
}

std::string ChosenForm(std::string dir) {
#ifdef _WIN32
  // Windows ignores case in paths; the chosen directory is given in lower case.
  for (std::size_t i = 0; i < dir.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(dir[i]);
    if (IsSjisLead(c)) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      dir[i] = static_cast<char>(c - 'A' + 'a');
    }
  }
#endif
  return dir;
}

}  // namespace

TDirectry::TDirectry(DialogServices& services, DirectoryTree& tree, std::string caption, void* window)
    : services_(services), tree_(tree), caption_(std::move(caption)), window_(window), controls_(DirectryLayout()) {}

void TDirectry::OnInitDialog() {
  ListControl& drives = controls_.MutableList(kDrives);
  drives.Clear();
  StringAry roots = tree_.Drives();
  for (std::size_t i = 0; i < roots.size(); ++i) drives.Add(roots[i], static_cast<std::uint32_t>(i));
  drives.Select(0);
  current_ = tree_.CurrentDir();
  AddTrailingSeparator(current_);
  Rebuild();
}

bool TDirectry::Enter(const std::string& dir) {
  if (tree_.SetCurrentDir(dir) != 0) return false;
  std::string now = tree_.CurrentDir();
  if (now.empty()) return false;
  AddTrailingSeparator(now);
  current_ = now;
  Rebuild();
  return true;
}

void TDirectry::Rebuild() {
  controls_.SetText(kPath, current_);
  ListControl& list = controls_.MutableList(kDirectories);
  list.Clear();
  entryPaths_.clear();
  std::size_t root = RootLength(current_);
  std::string path = current_.substr(0, root);
  list.Add(path, 0);
  entryPaths_.push_back(path);
  SelectDrive(current_);
  for (const std::string& part : Components(current_, root)) {
    path += part;
    path += kDirSep;
    list.Add(part, static_cast<std::uint32_t>(entryPaths_.size()));
    entryPaths_.push_back(path);
  }
  currentEntry_ = static_cast<int>(entryPaths_.size()) - 1;
  StringAry children;
  if (tree_.ListSubdirectories(current_, &children) == 0) {
    for (const std::string& child : children) {
      list.Add(child, static_cast<std::uint32_t>(entryPaths_.size()));
      entryPaths_.push_back(current_ + child + kDirSep);
    }
  }
  list.Select(currentEntry_);
}

// The drive list shows the drive that holds the current directory ("c:\\" and "C:\\" are one drive):
// of the entries that begin the directory, the longest, so that on POSIX the home directory stays
// shown while the user is inside it. A directory that no entry begins leaves the selection as it is.
void TDirectry::SelectDrive(const std::string& dir) {
  auto lower = [](std::string text) {
    for (char& c : text) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
  };
  ListControl& drives = controls_.MutableList(kDrives);
  const std::string shown = lower(dir);
  int best = -1;
  std::size_t bestLength = 0;
  for (int i = 0; i < drives.Count(); ++i) {
    const std::string drive = lower(drives.Item(i).text);
    if (shown.compare(0, drive.size(), drive) == 0 && drive.size() > bestLength) {
      best = i;
      bestLength = drive.size();
    }
  }
  if (best >= 0) drives.Select(best);
}

void TDirectry::OnOpen(int index) {
  if (index < 0 || index >= static_cast<int>(entryPaths_.size())) return;
  if (!Enter(entryPaths_[static_cast<std::size_t>(index)])) Rebuild();
}

void TDirectry::OnDriveChanged() {
  const ListControl& drives = controls_.List(kDrives);
  int sel = drives.CurSel();
  if (sel < 0) return;
  // A drive letter goes to the directory current on that drive, not to its root.
  const std::string& picked = drives.Item(sel).text;
  const std::string drive = DriveOf(picked);
  if (!drive.empty() && Enter(drive)) return;
  if (!Enter(picked)) Rebuild();
}

void TDirectry::OnDriveListShown(bool shown) { dropDownShown_ = shown; }

void TDirectry::OnAccept() {
  if (dropDownShown_) {  // Enter only closes the drive list
    dropDownShown_ = false;
    return;
  }
  int sel = controls_.List(kDirectories).CurSel();
  // The entry is told by its position: a subdirectory or an ancestor may bear the current name.
  if (sel >= 0 && sel != currentEntry_) {
    OnOpen(sel);
    return;
  }
  chosen_ = ChosenForm(current_);
  accepted_ = true;
  Close(kIdOk);
}

void TDirectry::OnCancel() { Close(kIdCancel); }

void TDirectry::OnHelp() { services_.ShowHelp(window_, kHelpBrowse); }

void TDirectry::Close(int outcome) {
  result_ = outcome;
  services_.EndDialog(kResource, outcome);
}

bool BrowseForDirectory(DialogServices& services, DirectoryTree& tree, const ChooserRunner& run,
                        std::string* path, const std::string& caption, void* window) {
  std::string saved = tree.CurrentDir();
  std::string start = *path;
  if (start.size() > RootLength(start)) RemoveTrailingSeparator(start);
  // A start that is not there: the current directory of its drive, where it names one.
  if (!start.empty() && tree.SetCurrentDir(start) != 0 && !DriveOf(start).empty()) tree.SetCurrentDir(DriveOf(start));
  TDirectry chooser(services, tree, caption, window);
  chooser.OnInitDialog();
  run(chooser);
  if (!saved.empty()) tree.SetCurrentDir(saved);
  if (!chooser.Accepted()) return false;
  *path = chooser.Chosen();
  AddTrailingSeparator(*path);
  return true;
}

}  // namespace quarvel
