#include "dialogs/dialog_layout.h"

namespace quarvel {

const ControlLayout* FindControl(const DialogLayout& layout, int id) {
  for (std::size_t i = 0; i < layout.count; ++i) {
    if (layout.controls[i].id == id) return &layout.controls[i];
  }
  return nullptr;
}

}  // namespace quarvel
