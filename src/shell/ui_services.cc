#include "shell/ui_services.h"

#include <cstdio>

#include "platform/text.h"

namespace quarvel {

namespace {

// Without a GUI: the caption and text on standard error; help cannot be opened.
class ConsoleServices final : public UiServices {
 public:
  bool ShowHelp(void*, int) override { return false; }
  int ShowMessage(void*, const std::string& text, const std::string& caption, unsigned style) override {
    std::fprintf(stderr, "%s: %s\n", Cp932ToUtf8Lossy(caption).c_str(), Cp932ToUtf8Lossy(text).c_str());
    return (style & 0xF) == kMbOkCancel ? kIdCancel : kIdOk;
  }
};

ConsoleServices g_console;
UiServices* g_services = &g_console;
std::string g_title = "Quarvel";

}  // namespace

UiServices* SetUiServices(UiServices* services) {
  UiServices* previous = g_services;
  g_services = services != nullptr ? services : &g_console;
  return previous;
}

bool ShowHelp(void* window, int context) { return g_services->ShowHelp(window, context); }

int ShowMessage(void* window, const std::string& text, const std::string& caption, unsigned style) {
  return g_services->ShowMessage(window, text, caption.empty() ? g_title : caption, style);
}

void SetApplicationTitle(const std::string& title) { g_title = title; }

}  // namespace quarvel
