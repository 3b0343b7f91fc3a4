// quarvel: the GUI of the diff tool.
#include "gui/wx/app.h"

wxIMPLEMENT_APP(quarvel::TQuarvelApp);
