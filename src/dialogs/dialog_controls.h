// The state of a dialog's controls by id: texts, visibility, enabled state, and the lists.
#pragma once

#include <map>
#include <string>

#include "dialogs/dialog_layout.h"
#include "dialogs/list_control.h"

namespace quarvel {

struct ControlState {
  std::string text;  // CP932
  bool visible = true;
  bool enabled = true;
  std::size_t byteLimit = 0;  // an edit's most bytes of CP932 (0: none)
};

class DialogControls {
 public:
  // One state per control of `layout` that has an id; list and combo boxes also get a ListControl
  // with the layout's sorting and selection styles. Texts start as the resource's.
  explicit DialogControls(const DialogLayout& layout);

  // A view or a test reads these; an unknown id gives an empty, hidden state.
  const std::string& Text(int id) const { return State(id).text; }
  bool Visible(int id) const { return State(id).visible; }
  bool Enabled(int id) const { return State(id).enabled; }
  const ListControl& List(int id) const;

  void SetText(int id, const std::string& text) { Mutable(id).text = text; }
  void Show(int id, bool visible) { Mutable(id).visible = visible; }
  void Enable(int id, bool enabled) { Mutable(id).enabled = enabled; }
  // Limits what the user can type or paste into an edit to `bytes` bytes of CP932 (0: no limit). The
  // views keep each change within it (an edit's own limit counts characters, not bytes).
  void LimitBytes(int id, std::size_t bytes) { Mutable(id).byteLimit = bytes; }
  std::size_t ByteLimit(int id) const { return State(id).byteLimit; }
  // What an edit keeps of `typed`: all of it within its limit, else its longest start within the
  // limit that ends at a character boundary.
  std::string Fitted(int id, const std::string& typed) const;
  // What becomes of a change the user made to an edit with a byte limit, its text now `typed` (CP932),
  // the caret at its end or not: it fits; or, typed or pasted at the end, it is cut to `kept`; or,
  // inside the text, it is refused, and the view shows again the last text that fit (its own, which
  // may hold what CP932 cannot), so that the end the user wrote is never lost.
  enum class EditFit { kFits, kCut, kRefused };
  EditFit FitEdit(int id, const std::string& typed, bool atEnd, std::string* kept) const;
  ListControl& MutableList(int id) { return lists_[id]; }

 private:
  const ControlState& State(int id) const;
  ControlState& Mutable(int id) { return states_[id]; }

  std::map<int, ControlState> states_;
  std::map<int, ListControl> lists_;
};

}  // namespace quarvel
