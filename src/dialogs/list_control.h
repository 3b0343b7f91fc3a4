// What a list box or combo box shows: lines with their item data, and which lines are selected.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvel {

struct ListItem {
  std::string text;  // CP932
  std::uint32_t data = 0;
  bool selected = false;
};

class ListControl {
 public:
  ListControl(bool sorted = false, bool multiple = false) : sorted_(sorted), multiple_(multiple) {}

  void Clear() { items_.clear(); pinned_ = 0; }
  // Adds a line and returns its position. A sorted list places it after every line whose text is not
  // greater in byte order of the CP932 text, and after every pinned line.
  int Add(const std::string& text, std::uint32_t data);
  // Adds a line that stays ahead of every line added by Add (such as "*全て").
  int AddPinned(const std::string& text, std::uint32_t data);

  // Selects the line at `index`; a single-selection list drops its other selection. Out of range: no-op.
  void Select(int index);
  // A multiple-selection list: selects or unselects one line and keeps the others.
  void SetSelected(int index, bool selected);
  void ClearSelection();

  int Count() const { return static_cast<int>(items_.size()); }
  const ListItem& Item(int index) const { return items_[static_cast<std::size_t>(index)]; }
  const std::vector<ListItem>& Items() const { return items_; }
  // The first selected position, or -1.
  int CurSel() const;
  std::vector<int> SelectedIndices() const;
  // The texts in list order, for tests and views.
  std::vector<std::string> Texts() const;
  bool sorted() const { return sorted_; }
  bool multiple() const { return multiple_; }

 private:
  bool sorted_;
  bool multiple_;
  int pinned_ = 0;
  std::vector<ListItem> items_;
};

}  // namespace quarvel
