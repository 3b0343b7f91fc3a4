// quarvel: the GUI of the diff tool.
#include "gui/wx/app.h"
#include "gui/wx/start.h"

wxIMPLEMENT_APP_NO_MAIN(quarvel::TQuarvelApp);

int main(int argc, char** argv) {
  // Registration and the version are decided before the toolkit starts: they need no display.
  int code = 0;
  if (quarvel::StartWithoutToolkit(argc, argv, &code)) return code;
  return wxEntry(argc, argv);
}
