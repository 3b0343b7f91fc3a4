#include "dialogs/kaiseki_dlg_layout.h"

namespace quarvel {

namespace {

using K = ControlKind;
using namespace kaiseki_dlg;

const ControlLayout kControls[] = {
    {kNoId, K::kStatic,
     "\x8B\x8C\x83\x81\x83j\x83\x85\x81[\x83\x66\x83\x42\x83\x8C\x83N\x83g\x83\x8A\x81\x46", 4, 4, 112, 8,
     kNoStyle},  // 旧メニューディレクトリ：
    {kOldDir, K::kEdit, "Edit1", 4, 16, 172, 12, kNoStyle},
    {kBrowse, K::kButton, "\x8EQ\x8F\xC6", 184, 16, 50, 14, kNoStyle},  // 参照
    {kNoId, K::kStatic,
     "Velmo\x83t\x83@\x83\x43\x83\x8B\x88\xC8\x8AO\x82\xC9\x8C\x9F\x8D\xB8\x82\xB7\x82\xE9\x83t\x83@\x83\x43\x83\x8B"
     "\x82\xCC\x8Ag\x92\xA3\x8Eq\x81\x46",
     4, 36, 172, 8, kNoStyle},  // Velmoファイル以外に検査するファイルの拡張子：
    {kExtensions, K::kEdit, "Edit2", 4, 48, 172, 12, kNoStyle},
    {kNoId, K::kStatic,
     "\x83J\x83\x93\x83}\x8B\xE6\x90\xD8\x82\xE8\x82\xC5\x95\xA1\x90\x94\x82\xF0\x8Ew\x92\xE8\x82\xC5\x82\xAB\x82\xDC"
     "\x82\xB7\n\x81iKKK,CSV,KGG,EXE\x81j",
     4, 64, 172, 20, kCentered},  // カンマ区切りで複数を指定できます\n（KKK,CSV,KGG,EXE）
    {kRun, K::kButton, "\x8E\xC0\x8Ds", 64, 92, 50, 14, kDefaultButton},  // 実行
    {kCancel, K::kButton, "\x8E\xE6\x8F\xC1", 124, 92, 50, 14, kNoStyle},  // 取消
    {kHelp, K::kButton, "\x83w\x83\x8B\x83v", 184, 92, 50, 14, kNoStyle},  // ヘルプ
};

const DialogLayout kLayout = {
    kResource, "\x8D\xB7\x95\xAA\x89\xF0\x90\xCD",  // 差分解析
    "\x82l\x82r \x82o\x83S\x83V\x83\x62\x83N", 10,  // ＭＳ Ｐゴシック
    243, 115, kControls, sizeof kControls / sizeof kControls[0],
};

}  // namespace

const DialogLayout& KaisekiDlgLayout() { return kLayout; }

}  // namespace quarvel
