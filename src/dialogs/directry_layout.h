// Resource layout of the directory chooser (resource 2030) and its control ids.
#pragma once

#include "dialogs/dialog_layout.h"

namespace quarvel {

namespace directry {
constexpr int kResource = 2030;
constexpr int kPath = 1088;         // the current directory's path
constexpr int kDirectories = 1121;  // root down to the current directory, then its subdirectories
constexpr int kDriveLabel = 1091;
constexpr int kDrives = 1137;
constexpr int kAccept = 1;
constexpr int kCancel = 2;
constexpr int kHelp = 9;
}  // namespace directry

const DialogLayout& DirectryLayout();

}  // namespace quarvel
