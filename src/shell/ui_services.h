// Context help and message boxes. The GUI installs its own services; without one, messages go to
// standard error and help is not available.
#pragma once

#include <string>

namespace quarvel {

// Message box styles and results, with the values of the Windows message box.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbIconError = 0x10;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Help context numbers.
constexpr int kHelpBrowse = 103;
constexpr int kHelpCreate = 500;
constexpr int kHelpImport = 501;
constexpr int kHelpAnalyse = 502;

class UiServices {
 public:
  virtual ~UiServices() = default;
  // Opens context help owned by `window`; returns true when it was shown.
  virtual bool ShowHelp(void* window, int context) = 0;
  // A modal message box owned by `window` (nullptr: none); returns the button pressed.
  virtual int ShowMessage(void* window, const std::string& text, const std::string& caption, unsigned style) = 0;
};

// Installs `services` (nullptr: the console fallback) and returns the ones replaced.
UiServices* SetUiServices(UiServices* services);

bool ShowHelp(void* window, int context);
// An empty caption shows the application's title.
int ShowMessage(void* window, const std::string& text, const std::string& caption, unsigned style);
void SetApplicationTitle(const std::string& title);

}  // namespace quarvel
