#include "dialogs/make_dlg_layout.h"

namespace quarvel {

namespace {

using K = ControlKind;
using namespace make_dlg;

const ControlLayout kControls[] = {
    {kNoId, K::kStatic, "\xD2\xC6\xAD\xB0\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x81\x46", 4, 8, 48, 8, kNoStyle},  // ﾒﾆｭｰﾃﾞｨﾚｸﾄﾘ：
    {kMenuDir, K::kStatic, "Text2", 52, 8, 236, 10, kSunken},
    {kBrowse, K::kButton, "\x8EQ\x8F\xC6...", 292, 5, 48, 14, kNoStyle},  // 参照...
    {kNoId, K::kStatic, "\x8D\xB7\x95\xAA\xCC\xA7\xB2\xD9\x96\xBC\x81\x46", 4, 22, 48, 8, kNoStyle},  // 差分ﾌｧｲﾙ名：
    {kDiffPath, K::kStatic, "Text2", 52, 21, 288, 10, kSunken},
    {kNoId, K::kStatic, "\x8D\xB7\x95\xAA\xBA\xD2\xDD\xC4\x81\x46", 4, 36, 48, 8, kNoStyle},  // 差分ｺﾒﾝﾄ：
    {kComment, K::kEdit, "Edit2", 52, 34, 288, 12, kNoStyle},
    {kAnalyse, K::kButton, "\x8D\xB7\x95\xAA\x89\xF0\x90\xCD", 216, 50, 50, 14, kNoStyle},  // 差分解析
    {kReadDiff, K::kButton, "\x8D\xB7\x95\xAA\x83t\x83@\x83\x43\x83\x8B\x93\xC7\x8D\x9E", 268, 50, 72, 14,
     kNoStyle},  // 差分ファイル読込
    {kTabs, K::kTab, "TabControl1", 4, 58, 140, 188, kNoStyle},
    {kMenus, K::kListBox, "ListBox2", 12, 78, 124, 140, kSorted},
    {kLibraries, K::kComboBox, "ComboBox1", 12, 78, 124, 148, kSorted | kDropDownList},
    {kDocuments, K::kListBox, "ListBox2", 12, 98, 124, 120, kSorted},
    {kCommons, K::kListBox, "ListBox2", 12, 78, 124, 140, kSorted},
    {kMask, K::kEdit, "Edit1", 12, 78, 68, 12, kNoStyle},
    {kSearch, K::kButton, "\x83t\x83@\x83\x43\x83\x8B\x8C\x9F\x8D\xF5", 84, 78, 50, 14, kNoStyle},  // ファイル検索
    {kOthers, K::kListBox, "ListBox2", 12, 98, 124, 140, kSorted},
    {kStemLabel, K::kStatic, "\xCC\xA7\xB2\xD9\x96\xBC\x81\x46", 12, 227, 40, 8, kNoStyle},  // ﾌｧｲﾙ名：
    {kStem, K::kStatic, "Text4", 56, 226, 80, 12, kSunken},
    {kAdd, K::kButton, "\x92\xC7\x89\xC1 = >", 148, 70, 38, 14, kNoStyle},  // 追加 = >
    {kRemove, K::kButton, "\x8D\xED\x8F\x9C", 148, 86, 38, 14, kNoStyle},  // 削除
    {kCommands, K::kListBox, "ListBox1", 188, 66, 152, 132, kSorted | kMultipleSelection},
    {kDescription, K::kStatic, "Text3", 152, 202, 188, 44, kSunken},
    {kWrite, K::kButton, "\x8D\xB7\x95\xAA\x8D\xEC\x90\xAC", 212, 250, 42, 14, kNoStyle},  // 差分作成
    {kCancel, K::kButton, "\x8E\xE6\x8F\xC1", 256, 250, 38, 14, kNoStyle},  // 取消
    {kHelp, K::kButton, "\x83w\x83\x8B\x83v(&H)", 296, 250, 38, 14, kNoStyle},  // ヘルプ(&H)
};

const char* const kTabCaptions[kTabCount] = {
    "\x8F\x91\x97\xDE\xD2\xC6\xAD-",                  // 書類ﾒﾆｭ- (an ASCII hyphen-minus)
    "\x8F\x91\x97\xDE\xD7\xB2\xCC\xDE\xD7\xD8",      // 書類ﾗｲﾌﾞﾗﾘ
    "\x8B\xA4\x92\xCA\xD7\xB2\xCC\xDE\xD7\xD8",      // 共通ﾗｲﾌﾞﾗﾘ
    "\x82\xBB\x82\xCC\x91\xBC",                      // その他
};

const DialogLayout kLayout = {
    kResource, "\x8D\xB7\x95\xAA\x8D\xEC\x90\xAC",  // 差分作成
    "\x82l\x82r \x82o\x83S\x83V\x83\x62\x83N", 9,   // ＭＳ Ｐゴシック
    349, 257, kControls, sizeof kControls / sizeof kControls[0],
};

}  // namespace

const DialogLayout& MakeDlgLayout() { return kLayout; }

const char* MakeDlgTabCaption(int tab) { return tab >= 0 && tab < kTabCount ? kTabCaptions[tab] : ""; }

}  // namespace quarvel
