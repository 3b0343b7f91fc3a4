// A dialog's resource layout as data: the one table from which both views create their controls.
#pragma once

#include <cstddef>

namespace quarvel {

enum class ControlKind { kStatic, kEdit, kButton, kListBox, kComboBox, kTab };

// Style bits of a control.
constexpr unsigned kNoStyle = 0;
constexpr unsigned kSorted = 1u << 0;             // list and combo boxes keep their lines in order
constexpr unsigned kMultipleSelection = 1u << 1;  // extended multiple selection
constexpr unsigned kSunken = 1u << 2;             // a static drawn with a sunken border
constexpr unsigned kDropDownList = 1u << 3;       // a combo box without an edit field
constexpr unsigned kDropDown = 1u << 4;           // a combo box with an edit field
constexpr unsigned kDefaultButton = 1u << 5;
constexpr unsigned kCentered = 1u << 6;           // a static whose text is centred
constexpr unsigned kHiddenControl = 1u << 7;      // exists for the platform only, never shown

constexpr int kNoId = -1;  // a label that no code addresses

// One control of a dialog's resource layout, in dialog units; both views build from the same table.
struct ControlLayout {
  int id;
  ControlKind kind;
  const char* text;  // CP932, as the resource holds it
  int x, y, width, height;
  unsigned styles;
};

struct DialogLayout {
  int resource;           // the dialog resource number
  const char* title;      // CP932
  const char* font;       // CP932 face name
  int pointSize;
  int width, height;      // dialog units
  const ControlLayout* controls;
  std::size_t count;
};

// The control of `layout` with that id, or nullptr.
const ControlLayout* FindControl(const DialogLayout& layout, int id);

}  // namespace quarvel
