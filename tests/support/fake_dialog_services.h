// A scripted stand-in for the GUI's dialog services: records every message, help call, file dialog and
// closed dialog, and answers from queues that a test fills.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/dialog_services.h"

namespace quarvel {

struct ShownMessage {
  std::string text, caption;
  unsigned style;
};

class FakeDialogServices : public DialogServices {
 public:
  std::string title = "Velmo \x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x8D\xEC\x90\xAC";  // Velmo 差分ファイル作成
  std::vector<ShownMessage> messages;
  std::deque<int> messageAnswers;  // empty: kIdOk
  std::vector<int> helpContexts;
  std::vector<FileDialogRequest> fileRequests;
  std::deque<std::string> fileAnswers;  // empty string: the user cancels
  std::vector<std::string> browseStarts, browseCaptions;
  std::deque<std::string> browseAnswers;  // empty string: the user cancels
  std::function<int(TSabunKaisekiDlg&)> analysis;  // unset: cancelled
  std::vector<std::pair<int, int>> ended;           // resource, outcome
  int waitDepth = 0;
  int waitCalls = 0;
  std::vector<std::uint64_t> copyTotals;  // the total of each copy work announced
  std::vector<bool> copyStoppable;        // whether each offered a way to stop
  std::function<void()> onCopyWork;       // called as each copy work begins (a test stops it there)
  int copyDepth = 0;

  bool ShowHelp(void*, int context) override {
    helpContexts.push_back(context);
    return true;
  }
  int ShowMessage(void*, const std::string& text, const std::string& caption, unsigned style) override {
    messages.push_back({text, caption, style});
    if (messageAnswers.empty()) return kIdOk;
    int answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
  }
  std::string ApplicationTitle() override { return title; }
  bool RunFileDialog(const FileDialogRequest& request, std::string* path) override {
    fileRequests.push_back(request);
    std::string answer = Pop(fileAnswers);
    if (answer.empty()) return false;
    *path = answer;
    return true;
  }
  bool BrowseDirectory(std::string* path, const std::string& caption) override {
    browseStarts.push_back(*path);
    browseCaptions.push_back(caption);
    std::string answer = Pop(browseAnswers);
    if (answer.empty()) return false;
    *path = answer;
    return true;
  }
  int RunAnalysisDialog(TSabunKaisekiDlg& dialog) override { return analysis ? analysis(dialog) : kIdCancel; }
  void BeginWaitCursor() override {
    ++waitDepth;
    ++waitCalls;
  }
  void EndWaitCursor() override { --waitDepth; }
  void EndDialog(int resource, int outcome) override { ended.emplace_back(resource, outcome); }
  void BeginCopyWork(std::uint64_t totalBytes, bool stoppable) override {
    copyTotals.push_back(totalBytes);
    copyStoppable.push_back(stoppable);
    if (onCopyWork) onCopyWork();
    ++copyDepth;
  }
  void EndCopyWork() override { --copyDepth; }

 private:
  static std::string Pop(std::deque<std::string>& q) {
    if (q.empty()) return "";
    std::string s = q.front();
    q.pop_front();
    return s;
  }
};

}  // namespace quarvel
