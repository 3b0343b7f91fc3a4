#include "dialogs/dialog_controls.h"

#include "platform/text.h"

namespace quarvel {

namespace {

const ControlState kMissing{"", false, false};
const ListControl kNoList;

}  // namespace

std::string DialogControls::Fitted(int id, const std::string& typed) const {
  const std::size_t limit = ByteLimit(id);
  return limit == 0 || typed.size() <= limit ? typed : SjisCut(typed, limit);
}

DialogControls::EditFit DialogControls::FitEdit(int id, const std::string& typed, bool atEnd, std::string* kept) const {
  *kept = Fitted(id, typed);
  if (*kept == typed) return EditFit::kFits;
  return atEnd ? EditFit::kCut : EditFit::kRefused;
}

DialogControls::DialogControls(const DialogLayout& layout) {
  for (std::size_t i = 0; i < layout.count; ++i) {
    const ControlLayout& c = layout.controls[i];
    if (c.id == kNoId) continue;
    states_[c.id] = ControlState{c.text, (c.styles & kHiddenControl) == 0, true};
    if (c.kind == ControlKind::kListBox || c.kind == ControlKind::kComboBox) {
      lists_.emplace(c.id, ListControl((c.styles & kSorted) != 0, (c.styles & kMultipleSelection) != 0));
    }
  }
}

const ListControl& DialogControls::List(int id) const {
  auto it = lists_.find(id);
  return it == lists_.end() ? kNoList : it->second;
}

const ControlState& DialogControls::State(int id) const {
  auto it = states_.find(id);
  return it == states_.end() ? kMissing : it->second;
}

}  // namespace quarvel
