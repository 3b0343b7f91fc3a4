#include "dialogs/directry_layout.h"

namespace quarvel {

namespace {

using K = ControlKind;
using namespace directry;

const ControlLayout kControls[] = {
    {kNoId, K::kStatic, "\x83\x66\x83\x42\x83\x8C\x83N\x83g\x83\x8A(&D):", 11, 8, 67, 8, kNoStyle},  // ディレクトリ(&D):
    {kPath, K::kStatic, "", 13, 19, 156, 8, kNoStyle},
    {kDirectories, K::kListBox, "", 13, 30, 101, 98, kNoStyle},
    {kDriveLabel, K::kStatic, "\x83h\x83\x89\x83\x43\x83u(&V):", 11, 138, 37, 8, kNoStyle},  // ドライブ(&V):
    {kDrives, K::kComboBox, "", 52, 136, 67, 49, kDropDown},
    {kAccept, K::kButton, "\x8E\xC0  \x8Ds", 120, 32, 50, 14, kDefaultButton},  // 実  行
    {kCancel, K::kButton, "\x8E\xE6  \x8F\xC1", 120, 49, 50, 14, kNoStyle},      // 取  消
    {kHelp, K::kButton, "\x83w\x83\x8B\x83v(&H)", 120, 66, 50, 14, kNoStyle},    // ヘルプ(&H)
    // The platform's save-file dialog requires these; they have no size and are never shown.
    {1120, K::kListBox, "", 0, 0, 0, 0, kHiddenControl},  // file list
    {1089, K::kStatic, "", 0, 0, 0, 0, kHiddenControl},   // file-type label
    {1136, K::kComboBox, "", 0, 0, 0, 0, kHiddenControl}, // file-type box
    {1040, K::kButton, "", 0, 0, 0, 0, kHiddenControl},   // read-only box
    {1038, K::kButton, "", 0, 0, 0, 0, kHiddenControl},   // the platform's help button
    {1152, K::kEdit, "", 0, 0, 0, 0, kHiddenControl},     // file-name field
};

const DialogLayout kLayout = {
    kResource, "\x83\x66\x83\x42\x83\x8C\x83N\x83g\x83\x8A\x8EQ\x8F\xC6",  // ディレクトリ参照
    "\x82l\x82r \x82o\x83S\x83V\x83\x62\x83N", 10,                        // ＭＳ Ｐゴシック
    178, 162, kControls, sizeof kControls / sizeof kControls[0],
};

}  // namespace

const DialogLayout& DirectryLayout() { return kLayout; }

}  // namespace quarvel
