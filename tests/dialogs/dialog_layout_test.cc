#include <gtest/gtest.h>

#include <set>

#include "dialogs/dialog_controls.h"
#include "dialogs/directry_layout.h"
#include "dialogs/kaiseki_dlg_layout.h"
#include "dialogs/load_dlg_layout.h"
#include "dialogs/make_dlg_layout.h"

namespace quarvel {
namespace {

const DialogLayout* const kAll[] = {&MakeDlgLayout(), &KaisekiDlgLayout(), &LoadDlgLayout(), &DirectryLayout()};

TEST(DialogLayout, IdsAreUniqueAndNoControlReachesPastTheDialogsWidth) {
  for (const DialogLayout* layout : kAll) {
    SCOPED_TRACE(layout->resource);
    std::set<int> ids;
    for (std::size_t i = 0; i < layout->count; ++i) {
      const ControlLayout& c = layout->controls[i];
      if (c.id != kNoId) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
      }
      EXPECT_LE(c.x + c.width, layout->width) << c.id;
    }
    EXPECT_NE(FindControl(*layout, 1), nullptr);
    EXPECT_NE(FindControl(*layout, 9), nullptr);
  }
}

TEST(DialogLayout, ListStylesAreThoseTheModelsRelyOn) {
  using namespace make_dlg;
  const DialogLayout& make = MakeDlgLayout();
  for (int id : {kMenus, kDocuments, kCommons, kOthers}) {
    EXPECT_EQ(FindControl(make, id)->styles & (kSorted | kMultipleSelection), kSorted) << id;
  }
  EXPECT_EQ(FindControl(make, kLibraries)->styles, kSorted | kDropDownList);
  EXPECT_EQ(FindControl(make, kCommands)->styles, kSorted | kMultipleSelection);
  EXPECT_EQ(FindControl(LoadDlgLayout(), load_dlg::kCommands)->styles, kSorted | kMultipleSelection);
  EXPECT_EQ(FindControl(DirectryLayout(), directry::kDirectories)->styles & kSorted, 0u);
  EXPECT_EQ(FindControl(KaisekiDlgLayout(), kaiseki_dlg::kRun)->styles, kDefaultButton);
  EXPECT_EQ(std::string(MakeDlgTabCaption(0)), "\x8F\x91\x97\xDE\xD2\xC6\xAD-");  // ends in an ASCII hyphen
  EXPECT_EQ(std::string(MakeDlgTabCaption(3)), "\x82\xBB\x82\xCC\x91\xBC");      // その他
  EXPECT_EQ(std::string(FindControl(DirectryLayout(), directry::kAccept)->text), "\x8E\xC0  \x8Ds");  // 実  行

  DialogControls controls(make);
  EXPECT_TRUE(controls.List(kCommands).multiple());
  EXPECT_TRUE(controls.List(kMenus).sorted());
  EXPECT_EQ(controls.Text(kMenuDir), "Text2");
  DialogControls chooser(DirectryLayout());
  EXPECT_FALSE(chooser.Visible(1152));  // the platform's file-name field is never shown
  EXPECT_TRUE(chooser.Visible(directry::kDirectories));
}

TEST(ListControl, SortsByBytesAfterPinnedLinesAndKeepsItemData) {
  ListControl list(true, false);
  list.Add("b", 1);
  list.Add("\x8F\x91", 2);  // a double-byte character sorts after ASCII
  list.Add("a", 3);
  list.Add("!", 4);
  list.AddPinned("*", 0xFFFF);
  list.Add("a", 5);  // equal texts keep the order they came in
  EXPECT_EQ(list.Texts(), (std::vector<std::string>{"*", "!", "a", "a", "b", "\x8F\x91"}));
  EXPECT_EQ(list.Item(2).data, 3u);
  EXPECT_EQ(list.Item(3).data, 5u);
  list.Select(1);
  list.Select(4);
  EXPECT_EQ(list.SelectedIndices(), (std::vector<int>{4}));
  list.Select(99);
  EXPECT_EQ(list.CurSel(), 4);

  ListControl multi(false, true);
  multi.Add("x", 0);
  multi.Add("y", 1);
  multi.Add("z", 2);
  multi.SetSelected(0, true);
  multi.SetSelected(2, true);
  EXPECT_EQ(multi.SelectedIndices(), (std::vector<int>{0, 2}));
  multi.Clear();
  EXPECT_EQ(multi.CurSel(), -1);
}

}  // namespace
}  // namespace quarvel
