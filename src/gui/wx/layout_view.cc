#include "gui/wx/layout_view.h"

#include <wx/dcclient.h>
#include <wx/notebook.h>
#include <wx/settings.h>

#include <algorithm>

namespace quarvel {

wxString FromCp932(const std::string& text) {
  static wxCSConv conv(wxFONTENCODING_CP932);
  return wxString(text.data(), conv, text.size());
}

std::string ToCp932(const wxString& text) {
  static wxCSConv conv(wxFONTENCODING_CP932);
  const wxCharBuffer bytes = text.mb_str(conv);
  return std::string(bytes.data(), bytes.length());
}

namespace {

// GTK's themes pad every tab by some twelve pixels a side: with the resource's captions four tabs
// overflow the resource's strip and the last ones hide behind scroll arrows. A tighter padding, given
// to this widget alone, and where the captions are still wider than the strip (a Japanese desktop's
// font), a smaller font for the captions keep every tab in view.
class TabStrip : public wxNotebook {
 public:
  TabStrip(wxWindow* parent, wxWindowID id, const wxPoint& pos, int width)
      : wxNotebook(parent, id, pos, wxSize(width, -1)) {
#ifdef __WXGTK3__
    GTKApplyCssStyle("tab { padding: 2px 4px; }");
#endif
  }

  // Once the pages are added: the captions' font shrinks by a point at a time until they fit. Only the
  // captions' style changes (GTK): the strip keeps its own font, and with it its height.
  void FitCaptions(int width) {
    constexpr int kTabExtra = 17;  // padding, border and the gap between tabs, in pixels
    wxFont font = GetFont();
    const int full = font.GetPointSize();
    while (font.GetPointSize() > 6) {
      int needed = 0;
      for (std::size_t page = 0; page < GetPageCount(); ++page) {
        int w = 0, h = 0;
        GetTextExtent(GetPageText(page), &w, &h, nullptr, nullptr, &font);
        needed += w + kTabExtra;
      }
      if (needed <= width) break;
      font.SetPointSize(font.GetPointSize() - 1);
    }
#ifdef __WXGTK3__
    if (font.GetPointSize() < full) {
      GTKApplyCssStyle(wxString::Format("tab { padding: 2px 4px; } tab label { font-size: %dpt; }",
                                        font.GetPointSize()).utf8_str());
    }
#else
    (void)full;
#endif
  }
};
// A combo box; one that cannot be typed into (a drop-down list) shows no text caret in its field.
class Combo : public wxComboBox {
 public:
  Combo(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos, const wxSize& size, bool listOnly)
      : wxComboBox(parent, id, text, pos, size, 0, nullptr, listOnly ? wxCB_READONLY : wxCB_DROPDOWN) {
#ifdef __WXGTK3__
    if (listOnly) GTKApplyCssStyle("* { caret-color: transparent; }");
#endif
  }
};

}  // namespace

LayoutPanel::LayoutPanel(wxWindow* parent, const DialogLayout& layout, DialogControls& controls, Routes routes)
    : wxPanel(parent, wxID_ANY), layout_(layout), controls_(controls), routes_(std::move(routes)) {
  SetFont(wxFont(wxFontInfo(layout.pointSize).FaceName(FromCp932(layout.font)).Encoding(wxFONTENCODING_CP932)));
  Build();
  SetClientSize(FittedClientSize());
}

// The resource's size, grown to hold every control: dialogs 2010 and 2020 place their bottom buttons
// below their stated height, and GTK draws some controls larger than their rectangles. Below and to
// the right the controls keep the margin that the layout leaves on its left.
wxSize LayoutPanel::FittedClientSize() const {
  wxSize size = ConvertDialogToPixels(wxSize(layout_.width, layout_.height));
  int margin = -1;
  wxRect extent;
  for (std::size_t i = 0; i < layout_.count; ++i) {
    const ControlLayout& c = layout_.controls[i];
    if (c.styles & kHiddenControl) continue;
    if (margin < 0 || c.x < margin) margin = c.x;
  }
  for (const wxWindow* w : GetChildren()) {
    if (w->IsShown()) extent.Union(w->GetRect());
  }
  const wxSize room = ConvertDialogToPixels(wxSize(std::max(margin, 0), std::max(margin, 0)));
  size.IncTo(wxSize(extent.GetRight() + 1 + room.x, extent.GetBottom() + 1 + room.y));
  return size;
}

void LayoutPanel::Build() {
  for (std::size_t i = 0; i < layout_.count; ++i) {
    const ControlLayout& c = layout_.controls[i];
    const wxPoint pos = ConvertDialogToPixels(wxPoint(c.x, c.y));
    wxSize size = ConvertDialogToPixels(wxSize(c.width, c.height));
    const int wid = c.id == kNoId ? wxID_ANY : c.id;
    const wxString text = FromCp932(c.text ? c.text : "");
    wxWindow* w = nullptr;
    switch (c.kind) {
      case ControlKind::kStatic: {
        long style = (c.styles & kCentered) ? wxALIGN_CENTRE_HORIZONTAL : 0;
        if (c.styles & kSunken) style |= wxBORDER_SUNKEN;
        auto* s = new wxStaticText(this, wid, text, pos, size, style | wxST_NO_AUTORESIZE);
        if (c.styles & kSunken) sunken_.push_back(s);
        // GTK's text is wider than the resource's: a label gets at least its own width, never wraps,
        // up to the next control on its row; where even that is too narrow (a Japanese desktop's
        // wider font) its font gives way by a point, and the text past its room is cut.
        const int room = RoomToTheRight(c) > 0 ? ConvertDialogToPixels(wxSize(RoomToTheRight(c), 0)).x - 1 : -1;
        wxSize best = s->GetBestSize();
        const int smallest = std::max(6, s->GetFont().GetPointSize() - 1);  // still easy to read
        while (room > 0 && best.GetWidth() > room && s->GetFont().GetPointSize() > smallest) {
          wxFont smaller = s->GetFont();
          smaller.SetPointSize(smaller.GetPointSize() - 1);
          s->SetFont(smaller);
          s->InvalidateBestSize();
          best = s->GetBestSize();
        }
        int width = std::max(size.GetWidth(), best.GetWidth());
        if (room > 0) width = std::min(width, std::max(room, size.GetWidth()));
        s->SetSize(wxSize(width, std::max(size.GetHeight(), best.GetHeight())));
        w = s;
        break;
      }
      case ControlKind::kEdit: {
        auto* t = new wxTextCtrl(this, wid, text, pos, size, wxTE_PROCESS_ENTER);
        // Enter in a field, once its input method has let it go, is the default button's.
        t->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { PressDefault(); });
        // A limit in bytes of CP932 is kept as the user types or pastes.
        // Typed or pasted at the end, what does not fit is cut; inside the text, the change that would
        // not fit is refused, so that the end the user wrote is never lost.
        t->Bind(wxEVT_TEXT, [this, t, id = c.id](wxCommandEvent& event) {
          event.Skip();
          if (mirroring_ || controls_.ByteLimit(id) == 0) return;
          const long at = t->GetInsertionPoint();
          const bool atEnd = at >= t->GetLastPosition();
          std::string kept;
          const DialogControls::EditFit fit = controls_.FitEdit(id, ToCp932(t->GetValue()), atEnd, &kept);
          if (fit == DialogControls::EditFit::kFits) {
            fitted_[id] = t->GetValue();
            return;
          }
          const wxString shown = fit == DialogControls::EditFit::kCut ? FromCp932(kept) : fitted_[id];
          t->ChangeValue(shown);
          fitted_[id] = shown;
          t->SetInsertionPoint(atEnd ? t->GetLastPosition() : std::min<long>(at, t->GetLastPosition()));
          wxBell();
        });
        w = t;
        break;
      }
      case ControlKind::kButton: {
        auto* b = new wxButton(this, wid, text, pos, size);
        if (c.styles & kDefaultButton) b->SetDefault();
        b->Bind(wxEVT_BUTTON, [this, id = c.id](wxCommandEvent&) { Forward(id); });
        w = b;
        break;
      }
      case ControlKind::kListBox: {
        // Never wxLB_SORT: the model gives the lines in their order.
        auto* l = new wxListBox(this, wid, pos, size, 0, nullptr,
                                ((c.styles & kMultipleSelection) ? wxLB_EXTENDED : wxLB_SINGLE) | wxLB_HSCROLL);
        l->Bind(wxEVT_LISTBOX, [this, id = c.id](wxCommandEvent&) { Forward(id); });
        l->Bind(wxEVT_LISTBOX_DCLICK, [this, id = c.id](wxCommandEvent& e) { ForwardDoubleClick(id, e.GetInt()); });
        w = l;
        break;
      }
      case ControlKind::kComboBox: {
        // A resource's combo height includes the drop-down part; GTK draws only the field.
        size.SetHeight(-1);
        auto* cb = new Combo(this, wid, text, pos, size, (c.styles & kDropDownList) != 0);
        cb->Bind(wxEVT_COMBOBOX, [this, id = c.id](wxCommandEvent&) { Forward(id); });
        cb->Bind(wxEVT_COMBOBOX_DROPDOWN, [this, id = c.id](wxCommandEvent&) { ForwardDropDown(id, true); });
        cb->Bind(wxEVT_COMBOBOX_CLOSEUP, [this, id = c.id](wxCommandEvent&) { ForwardDropDown(id, false); });
        w = cb;
        break;
      }
      case ControlKind::kTab: {
        // Only the tab strip: the controls of each page are the dialog's own siblings, as in the
        // resource, and the model shows and hides them.
        auto* nb = new TabStrip(this, wid, pos, size.GetWidth());
        for (int page = 0; page < routes_.tabCount; ++page) {
          // An empty page, painted as the dialog is: the strip's page area shows below the tabs.
          auto* empty = new wxPanel(nb, wxID_ANY, wxDefaultPosition, wxSize(1, 1));
          empty->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
          nb->AddPage(empty, FromCp932(routes_.tabCaption(page)));
        }
        nb->FitCaptions(size.GetWidth());
        nb->SetSize(wxSize(size.GetWidth(), nb->GetBestSize().GetHeight()));
        nb->Bind(wxEVT_NOTEBOOK_PAGE_CHANGED, [this](wxBookCtrlEvent& e) {
          if (!mirroring_) ForwardTab(e.GetSelection());
        });
        w = nb;
        break;
      }
    }
    if (c.styles & kHiddenControl) w->Hide();
    if (c.id != kNoId) windows_[c.id] = w;
  }
  if (sunken_.empty()) return;
  Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const wxColour light = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT);
    for (const wxWindow* w : sunken_) {
      if (!w->IsShown()) continue;
      // The shadow on all four edges, and the light inside the top and left ones: on GTK's light
      // background a light outer edge would not show, and the field would look open.
      const wxRect r = w->GetRect().Inflate(3, 1);
      dc.SetPen(wxPen(shadow));
      dc.SetBrush(*wxTRANSPARENT_BRUSH);
      dc.DrawRectangle(r);
      dc.SetPen(wxPen(light));
      dc.DrawLine(r.GetLeft() + 1, r.GetBottom() - 1, r.GetLeft() + 1, r.GetTop() + 1);
      dc.DrawLine(r.GetLeft() + 1, r.GetTop() + 1, r.GetRight() - 1, r.GetTop() + 1);
    }
  });
}

int LayoutPanel::DefaultButton() const {
  // As a Windows dialog's: the button styled so, else the one of id 1 (IDOK).
  bool hasOk = false;
  for (std::size_t i = 0; i < layout_.count; ++i) {
    const ControlLayout& c = layout_.controls[i];
    if (c.kind != ControlKind::kButton) continue;
    if (c.styles & kDefaultButton) return c.id;
    hasOk |= c.id == 1;
  }
  return hasOk ? 1 : -1;
}

bool LayoutPanel::FieldHasFocus() const {
  wxWindow* focus = FindFocus();
  auto* combo = dynamic_cast<wxComboBox*>(focus);
  return dynamic_cast<wxTextCtrl*>(focus) != nullptr || (combo != nullptr && !combo->HasFlag(wxCB_READONLY));
}

bool LayoutPanel::PressDefaultOnEnter() {
  if (dynamic_cast<wxButton*>(FindFocus()) != nullptr || FieldHasFocus()) return false;
  PressDefault();
  return true;
}

void LayoutPanel::PressDefault() {
  const int id = DefaultButton();
  wxWindow* button = id >= 0 ? Control(id) : nullptr;
  if (button != nullptr && button->IsShown() && button->IsEnabled()) Forward(id);
}

int LayoutPanel::RoomToTheRight(const ControlLayout& c) const {
  int room = -1;
  for (std::size_t i = 0; i < layout_.count; ++i) {
    const ControlLayout& o = layout_.controls[i];
    const bool sameRow = o.y < c.y + c.height && c.y < o.y + o.height;
    if (&o == &c || !sameRow || o.x < c.x + c.width || (o.styles & kHiddenControl)) continue;
    if (room < 0 || o.x - c.x < room) room = o.x - c.x;
  }
  return room;
}

wxWindow* LayoutPanel::Control(int id) const {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : it->second;
}

void LayoutPanel::Collect() {
  for (std::size_t i = 0; i < layout_.count; ++i) {
    const ControlLayout& c = layout_.controls[i];
    if (c.id == kNoId) continue;
    wxWindow* w = windows_[c.id];
    if (c.kind == ControlKind::kEdit) {
      controls_.SetText(c.id, ToCp932(static_cast<wxTextCtrl*>(w)->GetValue()));
    } else if (c.kind == ControlKind::kListBox) {
      auto* l = static_cast<wxListBox*>(w);
      ListControl& list = controls_.MutableList(c.id);
      for (int k = 0; k < list.Count() && k < static_cast<int>(l->GetCount()); ++k) list.SetSelected(k, l->IsSelected(k));
      if (!list.multiple() && l->GetSelection() != wxNOT_FOUND) list.Select(l->GetSelection());
    } else if (c.kind == ControlKind::kComboBox) {
      auto* cb = static_cast<wxComboBox*>(w);
      ListControl& list = controls_.MutableList(c.id);
      if (cb->GetSelection() != wxNOT_FOUND) list.Select(cb->GetSelection());
      controls_.SetText(c.id, ToCp932(cb->GetValue()));
    }
  }
}

void LayoutPanel::Mirror() {
  mirroring_ = true;
  for (std::size_t i = 0; i < layout_.count; ++i) {
    const ControlLayout& c = layout_.controls[i];
    if (c.id == kNoId || (c.styles & kHiddenControl)) continue;
    wxWindow* w = windows_[c.id];
    w->Show(controls_.Visible(c.id));
    w->Enable(controls_.Enabled(c.id));
    const wxString text = FromCp932(controls_.Text(c.id));
    switch (c.kind) {
      case ControlKind::kStatic:
        if (w->GetLabel() != text) static_cast<wxStaticText*>(w)->SetLabel(text);
        break;
      case ControlKind::kEdit:
        if (static_cast<wxTextCtrl*>(w)->GetValue() != text) static_cast<wxTextCtrl*>(w)->ChangeValue(text);
        fitted_[c.id] = text;
        break;
      case ControlKind::kButton:
        if (w->GetLabel() != text) w->SetLabel(text);
        break;
      case ControlKind::kListBox: {
        auto* l = static_cast<wxListBox*>(w);
        const ListControl& list = controls_.List(c.id);
        wxArrayString lines;
        for (const ListItem& item : list.Items()) lines.Add(FromCp932(item.text));
        if (l->GetStrings() != lines) l->Set(lines);
        for (int k = 0; k < list.Count(); ++k) {
          if (l->IsSelected(k) != list.Item(k).selected) {
            if (list.Item(k).selected) l->SetSelection(k); else l->Deselect(k);
          }
        }
        break;
      }
      case ControlKind::kComboBox: {
        auto* cb = static_cast<wxComboBox*>(w);
        const ListControl& list = controls_.List(c.id);
        wxArrayString lines;
        for (const ListItem& item : list.Items()) lines.Add(FromCp932(item.text));
        if (cb->GetStrings() != lines) cb->Set(lines);
        if (list.CurSel() >= 0) cb->SetSelection(list.CurSel());
        else if (!(c.styles & kDropDownList)) cb->ChangeValue(text);
        break;
      }
      case ControlKind::kTab:
        break;
    }
  }
  mirroring_ = false;
}

void LayoutPanel::Forward(int id) {
  if (mirroring_) return;
  auto it = routes_.commands.find(id);
  if (it == routes_.commands.end()) return;
  Collect();
  if (beforeEvent) beforeEvent();
  it->second();
  if (doneEvent) doneEvent();
  Mirror();
  if (afterEvent) afterEvent();
}

void LayoutPanel::ForwardTab(int page) {
  Collect();
  if (beforeEvent) beforeEvent();
  if (routes_.tabChanged) routes_.tabChanged(page);
  if (doneEvent) doneEvent();
  Mirror();
  if (afterEvent) afterEvent();
}

void LayoutPanel::ForwardDoubleClick(int id, int line) {
  auto it = routes_.doubleClicks.find(id);
  if (mirroring_ || it == routes_.doubleClicks.end()) return;
  Collect();
  if (beforeEvent) beforeEvent();
  it->second(line);
  if (doneEvent) doneEvent();
  Mirror();
  if (afterEvent) afterEvent();
}

void LayoutPanel::ForwardDropDown(int id, bool shown) {
  auto it = routes_.dropDowns.find(id);
  if (mirroring_ || it == routes_.dropDowns.end()) return;
  Collect();
  if (beforeEvent) beforeEvent();
  it->second(shown);
  if (doneEvent) doneEvent();
  Mirror();
  if (afterEvent) afterEvent();
}

}  // namespace quarvel
