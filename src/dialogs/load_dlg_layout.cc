#include "dialogs/load_dlg_layout.h"

namespace quarvel {

namespace {

using K = ControlKind;
using namespace load_dlg;

const ControlLayout kControls[] = {
    {kNoId, K::kStatic, "\x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x81\x46", 8, 12, 52, 8, kNoStyle},  // 差分ファイル：
    {kDiffPath, K::kStatic, "Text4", 60, 12, 180, 10, kSunken},
    {kNoId, K::kStatic, "\x8D\xB7\x95\xAA\x90\xE0\x96\xBE\x81\x46", 8, 28, 52, 8, kNoStyle},  // 差分説明：
    {kDescription, K::kStatic, "Text5", 60, 28, 180, 10, kSunken},
    {kNoId, K::kStatic, "\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x81\x46", 8, 44, 52, 8, kNoStyle},  // ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘ：
    {kTarget, K::kEdit, "Edit1", 60, 42, 132, 12, kNoStyle},
    {kBrowse, K::kButton, "\x8EQ\x8F\xC6...", 196, 42, 44, 14, kNoStyle},  // 参照...
    {kLeaveOut, K::kButton, "\x8D\xED\x8F\x9C X", 8, 64, 48, 14, kNoStyle},  // 削除 X
    {kTakeBack, K::kButton, "\x8C\xB3\x82\xC9\x96\xDF\x82\xB7", 8, 84, 48, 14, kNoStyle},  // 元に戻す
    {kCommands, K::kListBox, "ListBox1", 60, 64, 180, 92, kSorted | kMultipleSelection},
    {kImport, K::kButton, "\x93\xC7\x8D\x9E\x8AJ\x8En", 84, 160, 50, 14, kNoStyle},  // 読込開始
    {kCancel, K::kButton, "\x8E\xE6\x8F\xC1", 136, 160, 50, 14, kNoStyle},  // 取消
    {kHelp, K::kButton, "\x83w\x83\x8B\x83v(&H)", 188, 160, 50, 14, kNoStyle},  // ヘルプ(&H)
};

const DialogLayout kLayout = {
    kResource, "\x8D\xB7\x95\xAA\x93\xC7\x8D\x9E",  // 差分読込
    "\x82l\x82r \x82o\x83S\x83V\x83\x62\x83N", 9,   // ＭＳ Ｐゴシック
    250, 171, kControls, sizeof kControls / sizeof kControls[0],
};

}  // namespace

const DialogLayout& LoadDlgLayout() { return kLayout; }

}  // namespace quarvel
