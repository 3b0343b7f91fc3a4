// The state of a dialog's controls by id: texts, visibility, enabled state, and the lists.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "dialogs/dialog_layout.h"
#include "dialogs/list_control.h"

namespace quarvel {

struct ControlState {
  std::string text;  // CP932
  bool visible = true;
  bool enabled = true;
  std::size_t byteLimit = 0;  // an edit's most bytes of CP932 (0: none)
  std::string fitted;         // an edit's last text within its byte limit, as the user sees it
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

  void SetText(int id, const std::string& text) { Mutable(id).text = Mutable(id).fitted = text; }
  void Show(int id, bool visible) { Mutable(id).visible = visible; }
  void Enable(int id, bool enabled) { Mutable(id).enabled = enabled; }
  // Limits what the user can type or paste into an edit to `bytes` bytes of CP932 (0: no limit). The
  // views keep each change within it (an edit's own limit counts characters, not bytes).
  void LimitBytes(int id, std::size_t bytes) { Mutable(id).byteLimit = bytes; }
  std::size_t ByteLimit(int id) const { return State(id).byteLimit; }
  // What an edit keeps of `typed`: all of it within its limit, else its longest start within the
  // limit that ends at a character boundary.
  std::string Fitted(int id, const std::string& typed) const;
  // The user changed an edit with a byte limit to `typed` (CP932), the caret at its end or not: the
  // text the edit must show instead, or nothing when the change fits. Typed or pasted at the end, what
  // does not fit is cut; inside the text, the change is refused and the last text that fit stands,
  // so that the end the user wrote is never lost.
  std::optional<std::string> KeepWithinLimit(int id, const std::string& typed, bool atEnd);
  ListControl& MutableList(int id) { return lists_[id]; }

 private:
  const ControlState& State(int id) const;
  ControlState& Mutable(int id) { return states_[id]; }

  std::map<int, ControlState> states_;
  std::map<int, ListControl> lists_;
};

}  // namespace quarvel
