#include "gui/win32/layout_dialog.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstring>

#include "gui/win32/ui_text.h"

namespace quarvel {

namespace {

// A combo box's layout height includes its drop-down list; closed it is about one line high.
constexpr int kClosedComboUnits = 14;

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

void AppendString(std::vector<WORD>* words, const std::wstring& text) {
  for (wchar_t c : text) words->push_back(static_cast<WORD>(c));
  words->push_back(0);
}

void AppendDword(std::vector<WORD>* words, DWORD value) {
  words->push_back(LOWORD(value));
  words->push_back(HIWORD(value));
}

// The layout's size in dialog units, grown to hold every control that shows, with the margin that the
// layout leaves on its left below and to the right: dialogs 2010 and 2020 place their bottom buttons
// below their stated height.
SIZE FittedUnits(const DialogLayout& layout) {
  int margin = -1;
  int right = 0;
  int bottom = 0;
  for (std::size_t i = 0; i < layout.count; ++i) {
    const ControlLayout& c = layout.controls[i];
    if (c.styles & kHiddenControl) continue;
    if (margin < 0 || c.x < margin) margin = c.x;
    const int height = c.kind == ControlKind::kComboBox ? std::min(c.height, kClosedComboUnits) : c.height;
    right = std::max(right, c.x + c.width);
    bottom = std::max(bottom, c.y + height);
  }
  margin = std::max(margin, 0);
  return SIZE{std::max(layout.width, right + margin), std::max(layout.height, bottom + margin)};
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD exStyle;
};

// The window class and styles of a layout's control. Lists never sort by themselves: the model gives
// the lines in their order, the same under every locale.
ControlClass ClassOf(const ControlLayout& c) {
  const DWORD common = WS_CHILD | WS_CLIPSIBLINGS;
  switch (c.kind) {
    case ControlKind::kStatic: {
      DWORD style = common | ((c.styles & kCentered) ? SS_CENTER : SS_LEFT);
      if (c.styles & kSunken) style |= SS_SUNKEN;
      // Paths and descriptions show every "&" they hold; only a label with a mnemonic underlines.
      if (!c.text || !std::strchr(c.text, '&')) style |= SS_NOPREFIX;
      return {L"STATIC", style, 0};
    }
    case ControlKind::kEdit:
      return {L"EDIT", common | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::kButton:
      return {L"BUTTON", common | WS_TABSTOP | ((c.styles & kDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
    case ControlKind::kListBox: {
      DWORD style = common | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      if (c.styles & kMultipleSelection) style |= LBS_EXTENDEDSEL;
      return {L"LISTBOX", style, WS_EX_CLIENTEDGE};
    }
    case ControlKind::kComboBox:
      return {L"COMBOBOX",
              common | WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL |
                  static_cast<DWORD>((c.styles & kDropDownList) ? CBS_DROPDOWNLIST : CBS_DROPDOWN),
              0};
    case ControlKind::kTab:
      return {WC_TABCONTROLW, common | WS_TABSTOP, 0};
  }
  return {L"STATIC", common, 0};
}

std::wstring ListLine(HWND list, bool combo, int index) {
  const LRESULT length = SendMessageW(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
  if (length < 0) return std::wstring();
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(list, combo ? CB_GETLBTEXT : LB_GETTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
  return std::wstring(buffer.data());
}

// Puts the model's lines into a list or combo box when they differ from what it holds.
void MirrorLines(HWND list, bool combo, const ListControl& model) {
  std::vector<std::wstring> lines;
  for (const ListItem& item : model.Items()) lines.push_back(Wide(item.text));
  const int count = static_cast<int>(SendMessageW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
  bool same = count == static_cast<int>(lines.size());
  for (int k = 0; same && k < count; ++k) same = ListLine(list, combo, k) == lines[static_cast<std::size_t>(k)];
  if (same) return;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
  int widest = 0;
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  for (const std::wstring& line : lines) {
    SendMessageW(list, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SIZE extent{};
    if (GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &extent)) {
      widest = std::max(widest, static_cast<int>(extent.cx));
    }
  }
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  if (!combo) SendMessageW(list, LB_SETHORIZONTALEXTENT, widest + 8, 0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

void InitDialogControlClasses() {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
}

LayoutDialog::LayoutDialog(const DialogLayout& layout, DialogControls& controls, ViewRoutes routes)
    : layout_(layout), controls_(controls), routes_(std::move(routes)) {}

LayoutDialog::~LayoutDialog() {
  if (window_ && !modal_) {
    SetWindowLongPtrW(window_, DWLP_USER, 0);
    DestroyWindow(window_);
  }
}

std::vector<WORD> LayoutDialog::Template(DWORD style, const std::wstring& title) const {
  const SIZE units = FittedUnits(layout_);
  std::vector<WORD> t;
  t.push_back(1);       // dlgVer
  t.push_back(0xFFFF);  // signature: the extended template
  AppendDword(&t, 0);   // helpID
  AppendDword(&t, 0);   // exStyle
  AppendDword(&t, style | DS_SETFONT);
  t.push_back(0);  // no items: the controls are created from the layout at WM_INITDIALOG
  t.push_back(0);
  t.push_back(0);
  t.push_back(static_cast<WORD>(units.cx));
  t.push_back(static_cast<WORD>(units.cy));
  t.push_back(0);  // no menu
  t.push_back(0);  // the dialog class
  AppendString(&t, title);
  t.push_back(static_cast<WORD>(layout_.pointSize));
  t.push_back(FW_NORMAL);
  t.push_back(MAKEWORD(FALSE, SHIFTJIS_CHARSET));  // italic, charset
  AppendString(&t, Wide(layout_.font ? layout_.font : ""));
  return t;
}

int LayoutDialog::RunModal(HWND owner, const std::wstring& title, const std::function<void()>& init,
                           const std::function<int()>& result) {
  modal_ = true;
  init_ = init;
  result_ = result;
  const std::vector<WORD> t = Template(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, title);
  const INT_PTR outcome = DialogBoxIndirectParamW(Instance(), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), owner,
                                                  Procedure, reinterpret_cast<LPARAM>(this));
  return outcome > 0 ? static_cast<int>(outcome) : 0;
}

HWND LayoutDialog::CreateChild(HWND parent, const std::function<void()>& init) {
  modal_ = false;
  init_ = init;
  const std::vector<WORD> t = Template(WS_CHILD | DS_CONTROL, L"");
  return CreateDialogIndirectParamW(Instance(), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), parent, Procedure,
                                    reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK LayoutDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<LayoutDialog*>(lParam)->window_ = window;
  }
  auto* self = reinterpret_cast<LayoutDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (self && message == WM_NCDESTROY) {
    // Gone with its parent or by itself: nothing may address its controls any more.
    self->window_ = nullptr;
    self->windows_.clear();
    self->tabs_ = nullptr;
    return FALSE;
  }
  return self ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR LayoutDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      Build();
      if (init_) init_();
      Mirror();
      if (modal_) {
        // Centred on the screen (the work area of the owner's monitor), as the main window is.
        HWND owner = GetWindow(window_, GW_OWNER);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(owner ? owner : window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& area = monitor.rcWork;
        RECT own{};
        GetWindowRect(window_, &own);
        const int x = (area.left + area.right - (own.right - own.left)) / 2;
        const int y = (area.top + area.bottom - (own.bottom - own.top)) / 2;
        SetWindowPos(window_, nullptr, std::max<int>(x, area.left), std::max<int>(y, area.top), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
      }
      PostMessageW(window_, kShownMessage, 0, 0);
      return TRUE;
    }
    case kShownMessage:
      // A modal dialog shows once its loop first idles; whoever drives it sees it shown.
      if (modal_ && !IsWindowVisible(window_)) ShowWindow(window_, SW_SHOW);
      if (onShown) onShown(*this);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      const ControlLayout* c = LayoutOf(id);
      if (!c) return FALSE;
      switch (c->kind) {
        case ControlKind::kButton:
          if (code == BN_CLICKED) Forward(id);
          break;
        case ControlKind::kListBox:
          if (code == LBN_SELCHANGE) Forward(id);
          if (code == LBN_DBLCLK) {
            ForwardDoubleClick(id, static_cast<int>(SendMessageW(Control(id), LB_GETCARETINDEX, 0, 0)));
          }
          break;
        case ControlKind::kComboBox:
          if (code == CBN_SELCHANGE) Forward(id);
          if (code == CBN_DROPDOWN || code == CBN_CLOSEUP) ForwardDropDown(id, code == CBN_DROPDOWN);
          break;
        case ControlKind::kEdit:
          if (code == EN_CHANGE) KeepByteLimit(id);
          break;
        default:
          break;
      }
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code == TCN_SELCHANGE && !mirroring_) {
        ForwardTab(static_cast<int>(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
      }
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      // A label on a tab control's page has the page's face: white under visual styles, where the
      // dialog's own is grey. Framed statics and labels elsewhere keep theirs.
      HWND control = reinterpret_cast<HWND>(lParam);
      if (!tabs_ || !IsThemeActive() || (GetWindowLongW(control, GWL_STYLE) & SS_SUNKEN)) return FALSE;
      RECT label{};
      RECT page{};
      RECT both{};
      GetWindowRect(control, &label);
      GetWindowRect(tabs_, &page);
      if (!IntersectRect(&both, &label, &page) || !EqualRect(&both, &label)) return FALSE;
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_CLOSE:
      // The close box and Alt+F4 are the dialog's cancel, as its own cancel button is.
      Forward(routes_.cancel);
      return TRUE;
    default:
      return FALSE;
  }
}

void LayoutDialog::Build() {
  const auto font = static_cast<WPARAM>(SendMessageW(window_, WM_GETFONT, 0, 0));
  int defaultId = -1;
  for (std::size_t i = 0; i < layout_.count; ++i) {
    const ControlLayout& c = layout_.controls[i];
    RECT r{c.x, c.y, c.x + c.width, c.y + c.height};
    MapDialogRect(window_, &r);
    const ControlClass cls = ClassOf(c);
    const int id = c.id == kNoId ? 0xFFFF : c.id;
    HWND w = CreateWindowExW(cls.exStyle, cls.name, Wide(c.text ? c.text : "").c_str(), cls.style, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, window_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    if (!w) continue;
    SendMessageW(w, WM_SETFONT, font, FALSE);
    if (!(c.styles & kHiddenControl)) ShowWindow(w, SW_SHOWNA);
    if (c.kind == ControlKind::kTab) {
      // Half the default padding: with the resource's captions all four tabs fit its width.
      SendMessageW(w, TCM_SETPADDING, 0, MAKELPARAM(3, 3));
      for (int page = 0; page < routes_.tabCount; ++page) {
        std::wstring caption = Wide(routes_.tabCaption(page));
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageW(w, TCM_INSERTITEMW, page, reinterpret_cast<LPARAM>(&item));
      }
      tabs_ = w;
    }
    if (c.styles & kDefaultButton) defaultId = c.id;
    if (c.id != kNoId) windows_[c.id] = w;
  }
  // The controls of each page are the dialog's own siblings, drawn over the tab control.
  if (tabs_) SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (defaultId >= 0) SendMessageW(window_, DM_SETDEFID, defaultId, 0);
}

const ControlLayout* LayoutDialog::LayoutOf(int id) const {
  return windows_.count(id) ? FindControl(layout_, id) : nullptr;
}

HWND LayoutDialog::Control(int id) const {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : it->second;
}

SIZE LayoutDialog::ClientSize() const {
  RECT r{};
  GetClientRect(window_, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

void LayoutDialog::KeepByteLimit(int id) {
  // An edit's own limit counts characters: a limit in bytes of CP932 is kept here, as the user types
  // or pastes.
  if (mirroring_ || controls_.ByteLimit(id) == 0) return;
  // Typed or pasted at the end, what does not fit is cut; inside the text, the change that would not
  // fit is refused, so that the end the user wrote is never lost.
  HWND w = Control(id);
  const std::wstring now = WindowText(w);
  DWORD caret = 0;
  SendMessageW(w, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  const bool atEnd = caret >= now.size();
  std::string kept;
  const DialogControls::EditFit fit = controls_.FitEdit(id, Cp932(now), atEnd, &kept);
  if (fit == DialogControls::EditFit::kFits) {
    fitted_[id] = now;
    return;
  }
  const std::wstring shown = fit == DialogControls::EditFit::kCut ? Wide(kept) : fitted_[id];
  mirroring_ = true;
  SetWindowTextW(w, shown.c_str());
  mirroring_ = false;
  fitted_[id] = shown;
  const WPARAM at = atEnd ? shown.size() : std::min<std::size_t>(caret, shown.size());
  SendMessageW(w, EM_SETSEL, at, static_cast<LPARAM>(at));
  MessageBeep(MB_OK);
}

void LayoutDialog::Collect() {
  for (const auto& [id, w] : windows_) {
    const ControlLayout* c = FindControl(layout_, id);
    if (c->kind == ControlKind::kEdit) {
      controls_.SetText(id, Cp932(WindowText(w)));
    } else if (c->kind == ControlKind::kListBox) {
      ListControl& list = controls_.MutableList(id);
      const int count = static_cast<int>(SendMessageW(w, LB_GETCOUNT, 0, 0));
      if (list.multiple()) {
        for (int k = 0; k < list.Count() && k < count; ++k) list.SetSelected(k, SendMessageW(w, LB_GETSEL, k, 0) > 0);
      } else {
        const LRESULT sel = SendMessageW(w, LB_GETCURSEL, 0, 0);
        if (sel == LB_ERR) list.ClearSelection(); else list.Select(static_cast<int>(sel));
      }
    } else if (c->kind == ControlKind::kComboBox) {
      ListControl& list = controls_.MutableList(id);
      const LRESULT sel = SendMessageW(w, CB_GETCURSEL, 0, 0);
      if (sel != CB_ERR) list.Select(static_cast<int>(sel));
      controls_.SetText(id, Cp932(WindowText(w)));
    }
  }
}

void LayoutDialog::Mirror() {
  mirroring_ = true;
  for (const auto& [id, w] : windows_) {
    const ControlLayout* c = FindControl(layout_, id);
    if (c->styles & kHiddenControl) continue;
    // The control's own visibility: the dialog itself may not show yet.
    const bool visible = controls_.Visible(id);
    const bool showing = (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0;
    if (showing != visible) ShowWindow(w, visible ? SW_SHOWNA : SW_HIDE);
    const bool enabled = controls_.Enabled(id);
    if ((IsWindowEnabled(w) != FALSE) != enabled) EnableWindow(w, enabled);
    switch (c->kind) {
      case ControlKind::kStatic:
      case ControlKind::kEdit:
        SetWindowTextIfChanged(w, Wide(controls_.Text(id)));
        fitted_[id] = Wide(controls_.Text(id));
        break;
      case ControlKind::kButton:
        SetWindowTextIfChanged(w, Wide(controls_.Text(id)));
        break;
      case ControlKind::kListBox: {
        const ListControl& list = controls_.List(id);
        MirrorLines(w, false, list);
        if (list.multiple()) {
          for (int k = 0; k < list.Count(); ++k) {
            const bool selected = list.Item(k).selected;
            if ((SendMessageW(w, LB_GETSEL, k, 0) > 0) != selected) SendMessageW(w, LB_SETSEL, selected, k);
          }
        } else if (SendMessageW(w, LB_GETCURSEL, 0, 0) != list.CurSel()) {
          SendMessageW(w, LB_SETCURSEL, list.CurSel(), 0);
        }
        break;
      }
      case ControlKind::kComboBox: {
        const ListControl& list = controls_.List(id);
        MirrorLines(w, true, list);
        if (list.CurSel() >= 0) {
          if (SendMessageW(w, CB_GETCURSEL, 0, 0) != list.CurSel()) SendMessageW(w, CB_SETCURSEL, list.CurSel(), 0);
        } else if (!(c->styles & kDropDownList)) {
          SetWindowTextIfChanged(w, Wide(controls_.Text(id)));
        }
        break;
      }
      case ControlKind::kTab:
        break;
    }
  }
  mirroring_ = false;
}

void LayoutDialog::Run(const std::function<void()>& handler) {
  if (busy_) return;
  busy_ = true;
  Collect();
  if (beforeEvent) beforeEvent();
  handler();
  if (doneEvent) doneEvent();
  Mirror();
  busy_ = false;
  if (afterEvent) afterEvent();
  if (modal_ && result_ && result_() != 0) EndDialog(window_, result_());
}

void LayoutDialog::Forward(int id) {
  auto it = routes_.commands.find(id);
  if (mirroring_ || it == routes_.commands.end()) return;
  Run(it->second);
}

void LayoutDialog::ForwardTab(int page) {
  if (mirroring_ || !routes_.tabChanged) return;
  Run([this, page] { routes_.tabChanged(page); });
}

void LayoutDialog::ForwardDoubleClick(int id, int line) {
  auto it = routes_.doubleClicks.find(id);
  if (mirroring_ || it == routes_.doubleClicks.end()) return;
  Run([&handler = it->second, line] { handler(line); });
}

void LayoutDialog::ForwardDropDown(int id, bool shown) {
  auto it = routes_.dropDowns.find(id);
  if (mirroring_ || it == routes_.dropDowns.end()) return;
  Run([&handler = it->second, shown] { handler(shown); });
}

}  // namespace quarvel
