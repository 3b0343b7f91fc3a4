// quarvel.exe: the GUI of the diff tool on Windows.
#include <windows.h>

#include "gui/win32/app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int showState) {
  quarvel::Win32App app;
  return app.Main(arguments, showState);
}
