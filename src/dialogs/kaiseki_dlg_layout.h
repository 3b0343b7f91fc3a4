// Resource layout of the analysis dialog (resource 2040) and its control ids.
#pragma once

#include "dialogs/dialog_layout.h"

namespace quarvel {

namespace kaiseki_dlg {
constexpr int kResource = 2040;
constexpr int kOldDir = 301;
constexpr int kBrowse = 201;
constexpr int kExtensions = 302;
constexpr int kRun = 1;
constexpr int kCancel = 2;
constexpr int kHelp = 9;
}  // namespace kaiseki_dlg

const DialogLayout& KaisekiDlgLayout();

}  // namespace quarvel
