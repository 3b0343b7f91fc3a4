#include "dialogs/dialog_services.h"

namespace quarvel {

int DialogMessage(DialogServices& services, void* window, const std::string& text, const std::string& caption,
                  unsigned style) {
  return services.ShowMessage(window, text, caption.empty() ? services.ApplicationTitle() : caption, style);
}

}  // namespace quarvel
