#include "dialogs/list_control.h"

#include <algorithm>

namespace quarvel {

namespace {

bool ByteLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

}  // namespace

int ListControl::Add(const std::string& text, std::uint32_t data) {
  auto at = items_.end();
  if (sorted_) {
    at = std::upper_bound(items_.begin() + pinned_, items_.end(), text,
                          [](const std::string& t, const ListItem& item) { return ByteLess(t, item.text); });
  }
  return static_cast<int>(items_.insert(at, ListItem{text, data, false}) - items_.begin());
}

int ListControl::AddPinned(const std::string& text, std::uint32_t data) {
  items_.insert(items_.begin() + pinned_, ListItem{text, data, false});
  return pinned_++;
}

void ListControl::Select(int index) {
  if (index < 0 || index >= Count()) return;
  if (!multiple_) ClearSelection();
  items_[static_cast<std::size_t>(index)].selected = true;
}

void ListControl::SetSelected(int index, bool selected) {
  if (index < 0 || index >= Count()) return;
  if (selected && !multiple_) ClearSelection();
  items_[static_cast<std::size_t>(index)].selected = selected;
}

void ListControl::ClearSelection() {
  for (ListItem& item : items_) item.selected = false;
}

int ListControl::CurSel() const {
  for (int i = 0; i < Count(); ++i) {
    if (items_[static_cast<std::size_t>(i)].selected) return i;
  }
  return -1;
}

std::vector<int> ListControl::SelectedIndices() const {
  std::vector<int> out;
  for (int i = 0; i < Count(); ++i) {
    if (items_[static_cast<std::size_t>(i)].selected) out.push_back(i);
  }
  return out;
}

std::vector<std::string> ListControl::Texts() const {
  std::vector<std::string> out;
  for (const ListItem& item : items_) out.push_back(item.text);
  return out;
}

}  // namespace quarvel
