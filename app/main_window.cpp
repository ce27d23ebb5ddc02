// The window plumbing of TForm1: creation, layout, colours, routing, destruction.
#include "app/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "app/accessible_name.h"
#include "app/busy_cursor.h"
#include "app/control_ids.h"
#include "app/error_box.h"
#include "app/window_design.h"
#include "os/dialogs.h"
#include "jobs/machine_facts.h"
#include "os/system_facts.h"

namespace tavisto::app {
namespace {

constexpr char kWindowClass[] = "TForm1";
constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT_PTR kMemoKeys = 1;  // the memo's subclass id

// A multi-line edit asks for every key. The memo keeps Enter (a line break in the report) and
// its editing keys, but leaves Tab to the dialog navigation so that the focus moves on, and Esc,
// which an edit that knows it is in a dialog turns into closing its parent window. Nor is its
// text selected whole when Tab brings the focus in: the next key would replace the report.
LRESULT CALLBACK MemoKeys(HWND memo, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(memo, MemoKeys, kMemoKeys);
  if (message != WM_GETDLGCODE) return DefSubclassProc(memo, message, wParam, lParam);
  LRESULT code = DefSubclassProc(memo, message, wParam, lParam) & ~DLGC_HASSETSEL;
  const auto* key = reinterpret_cast<const MSG*>(lParam);
  if (key && key->message == WM_KEYDOWN && (key->wParam == VK_TAB || key->wParam == VK_ESCAPE)) {
    code &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB);
  }
  return code;
}

std::wstring Utf16(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

bool HighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// As in a dialog, the button with the focus is the default one: its border says that Enter
// presses it.
void ShowAsDefault(HWND button, bool isDefault) {
  const LONG style = GetWindowLongA(button, GWL_STYLE) & 0xFFFF & ~BS_TYPEMASK;
  SendMessageA(button, BM_SETSTYLE, style | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
}

HFONT CreateFormFont(int pixelHeight) {
  return CreateFontA(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
}

// The work area (the screen less the taskbar) of the primary monitor, where the window opens.
Rect PrimaryWorkArea() {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info)) {
    const RECT& r = info.rcWork;
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

TForm1::TForm1() = default;

TForm1::~TForm1() {
  for (const auto& [height, font] : fonts_) DeleteObject(font);
  if (labelBrush_) DeleteObject(labelBrush_);
}

void TForm1::Create(int showCommand) {
  // The identity components gather their facts as the window's components are created.
  SystemInfo = std::make_unique<sysinfo::TSystemInfo>();
  ExeInfo1 = std::make_unique<sysinfo::TExeInfo>();

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExA(&windowClass)) throw std::runtime_error("RegisterClassEx failed");

  dpi_ = os::ScreenDpi();
  const Rect workArea = PrimaryWorkArea();
  // Scaled as designed where that fits the work area, else shrunk to fit; centred in it.
  const Size wanted{Scale(kDesignWindow.width, dpi_), Scale(kDesignWindow.height, dpi_)};
  const Rect placed = PlaceWindow(wanted, workArea);
  handle_ = CreateWindowExA(0, kWindowClass, "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, placed.x, placed.y,
                            placed.width, placed.height, nullptr, nullptr, windowClass.hInstance, this);
  if (!handle_) throw std::runtime_error("CreateWindowEx failed");
  asker_ = std::make_unique<WindowAsker>(handle_);
  // The controls keep their distances to the edges of the client area the design was drawn
  // for; a window shrunk to fit has less, and the layout starts from what it really has.
  RECT outer, client;
  GetWindowRect(handle_, &outer);
  GetClientRect(handle_, &client);
  const Size frame{(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
  referenceClient_ = Size{wanted.width - frame.width, wanted.height - frame.height};
  // Small enough for the work area even when the buttons then have to crowd.
  const Size minimum = MinimumClient(dpi_, referenceClient_);
  minTrack_ = Size{std::min(minimum.width + frame.width, workArea.width),
                   std::min(minimum.height + frame.height, workArea.height)};
  LayOut(Size{client.right, client.bottom});
  FormCreate();
  NameControls();
  // Mnemonics underlined and the focus shown as the system's keyboard-cue setting and the last
  // input say, as a dialog starts.
  SendMessageA(handle_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
  ShowWindow(handle_, showCommand);
  UpdateWindow(handle_);
  // What windows that were killed left in our folder goes as soon as the next one shows.
  session_.emplace(jobs::Face::Window);
}

jobs::Session& TForm1::Session() {
  if (!session_) session_.emplace(jobs::Face::Window);
  return *session_;
}

os::DialogAnswer TForm1::Say(const std::string& text, os::DialogIcon icon,
                             std::initializer_list<os::DialogAnswer> buttons, const std::string& caption) {
  return os::ShowDialog(handle_, text, icon, buttons, caption);
}

jobs::AnalysisFacts TForm1::AnalysisFacts() const { return jobs::AnalysisFactsOf(*SystemInfo, *ExeInfo1); }

delivery::RunFacts TForm1::RunFacts() const { return jobs::RunFactsOf(*SystemInfo, *ExeInfo1); }

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TForm1* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<TForm1*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  return self ? self->HandleMessage(message, wParam, lParam)
              : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    // Activated again (the default WM_ACTIVATE gives the window itself the focus), the window
    // hands the focus on to its control.
    case WM_SETFOCUS: RestoreFocus(); return 0;
    case DM_GETDEFID: return DefaultButton();
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE: OnColoursChanged(); break;
    case WM_SIZE: OnSize(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case WM_DESTROY: OnDestroy(); return 0;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

void TForm1::OnCreate() { CreateControls(); }

void TForm1::CreateControls() {
  // Font and controls scaled by screen DPI / 96; at 96 DPI nothing changes.
  font_ = FormFont(-Scale(kDesignFontHeight, dpi_));
  FitCaptionFonts();
  labelBrush_ = CreateSolidBrush(kTeal);
  highContrast_ = HighContrastOn();
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const ControlDesign& item : kWindowControls) {
    const Rect at = Scale(item.design, dpi_);  // placed for real by LayOut
    const char* windowClass = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (item.kind) {
      case ControlKind::Memo:
        windowClass = "EDIT";
        style |= WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::Button:
        windowClass = "BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY;  // it says when it gets the focus
        break;
      case ControlKind::Label:
        style |= SS_LEFTNOWORDWRAP;  // a label clips its text rather than wrap it
        // A value shows as it is: the "&" of a company name is no mnemonic.
        if (!IsCaptionLabel(item.id)) style |= SS_NOPREFIX;
        break;
    }
    if (!item.enabled) style |= WS_DISABLED;
    HWND control = CreateWindowExA(exStyle, windowClass, item.caption, style, at.x, at.y, at.width,
                                   at.height, handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                                   instance, nullptr);
    const auto fitted = fontOf_.find(item.id);
    const HFONT font = IsCaptionLabel(item.id) ? captionFont_ : fitted != fontOf_.end() ? fitted->second : font_;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  Memo1.Attach(Control(kMemo1));
  SetWindowSubclass(Control(kMemo1), MemoKeys, kMemoKeys, 0);
  Btn_StartAnalisys = Control(kBtnStartAnalisys);
  Btn_SaveResult = Control(kBtnSaveResult);
  Btn_SendResultEmail = Control(kBtnSendResultEmail);
  Btn_GetData = Control(kBtnGetData);
  Btn_SaveData = Control(kBtnSaveData);
  Btn_SendDataEmail = Control(kBtnSendDataEmail);
}

void TForm1::NameControls() {
  // Screen readers read the memo as what it is, not as the report in it, and a value label with
  // its row's caption ("Computer Name: VM"). A button's own caption names it already.
  SetAccessibleName(Control(kMemo1), [] { return std::wstring(L"Analysis report"); });
  for (const ControlDesign& item : kWindowControls) {
    if (item.kind != ControlKind::Label) continue;
    const HWND label = Control(item.id);
    const int captionId = IsCaptionLabel(item.id) ? item.id : CaptionLabelOf(item.id);
    const std::string spoken = SpokenCaption(DesignOf(captionId).caption);
    const std::wstring caption(spoken.begin(), spoken.end());  // the captions are ASCII
    if (IsCaptionLabel(item.id)) {
      SetAccessibleName(label, [caption] { return caption; });
    } else {
      SetAccessibleName(label, [caption, label] { return caption + L": " + TextOf(label); });
    }
  }
}

LRESULT TForm1::DefaultButton() const {
  // The dialog navigation asks which button Enter presses (and, moving the focus, which button
  // to show as the default): the one with the focus, none while the memo has it.
  const HWND focus = GetFocus();
  const int id = focus && GetParent(focus) == handle_ ? GetDlgCtrlID(focus) : 0;
  return id >= kBtnStartAnalisys && id <= kBtnSendDataEmail ? MAKELRESULT(id, DC_HASDEFID) : 0;
}

void TForm1::RestoreFocus() {
  HWND target = focus_;
  if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target)) {
    target = GetNextDlgTabItem(handle_, nullptr, FALSE);
  }
  if (target) SetFocus(target);
}

void TForm1::OnColoursChanged() {
  const bool highContrast = HighContrastOn();
  if (highContrast == highContrast_) return;
  highContrast_ = highContrast;
  RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm1::FitCaptionFonts() {
  // The system may draw "MS Sans Serif" with a wider face than the design assumed (another
  // font stands in for it, or a raster font scales coarsely): measure the captions as the
  // controls will draw them ("&&" shows as "&" in a label). The identity panel's captions share
  // one font that fits their column; a button whose caption would be cut by its border gets a
  // font of its own that fits, and the others keep the form's font.
  HDC dc = GetDC(handle_);
  const auto overflowAt = [&](auto&& which, int margin) {
    return [&dc, &which, margin, this](int height) {
      const HFONT font = CreateFormFont(height);
      const HGDIOBJ previous = SelectObject(dc, font);
      int overflow = INT_MIN;
      for (const ControlDesign& item : kWindowControls) {
        if (!which(item)) continue;
        RECT extent{0, 0, 0, 0};
        DrawTextA(dc, item.caption, -1, &extent, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        overflow = std::max(overflow, static_cast<int>(extent.right) + margin - Scale(item.design.width, dpi_));
      }
      SelectObject(dc, previous);
      DeleteObject(font);
      return overflow;
    };
  };
  const int formFont = -Scale(kDesignFontHeight, dpi_);
  const auto isCaption = [](const ControlDesign& item) { return IsCaptionLabel(item.id); };
  const CaptionFit captions = FitCaptions(formFont, overflowAt(isCaption, 0));
  captionFont_ = FormFont(captions.fontHeight);
  captionWiden_ = captions.widen;
  for (const ControlDesign& button : kWindowControls) {
    if (button.kind != ControlKind::Button) continue;
    const auto isThis = [&button](const ControlDesign& item) { return item.id == button.id; };
    fontOf_[button.id] = FormFont(FitCaptions(formFont, overflowAt(isThis, Scale(kButtonTextMargin, dpi_))).fontHeight);
  }
  ReleaseDC(handle_, dc);
}

HFONT TForm1::FormFont(int pixelHeight) {
  HFONT& font = fonts_[pixelHeight];
  if (!font) font = CreateFormFont(pixelHeight);
  return font;
}

void TForm1::OnSize(int width, int height) {
  if (referenceClient_.width == 0) return;  // still being created
  LayOut(Size{width, height});
}

void TForm1::LayOut(Size client) {
  for (const ControlDesign& item : kWindowControls) {
    const Rect at = ControlRect(item, dpi_, referenceClient_, client, captionWiden_);
    SetWindowPos(Control(item.id), nullptr, at.x, at.y, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TForm1::OnGetMinMaxInfo(MINMAXINFO& limits) const {
  if (minTrack_.width == 0) return;  // the system's limits while the window is created
  limits.ptMinTrackSize.x = minTrack_.width;
  limits.ptMinTrackSize.y = minTrack_.height;
}

LRESULT TForm1::OnCtlColorStatic(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  // High contrast: the system's colours, as for any label.
  if (!highContrast_ && id >= kLabel2 && id <= kLbMemD) {
    SetTextColor(dc, kWhite);
    SetBkColor(dc, kTeal);
    return reinterpret_cast<LRESULT>(labelBrush_);
  }
  return DefWindowProcA(handle_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

bool TForm1::OnSetCursor() {
  if (!busy_) return false;
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  return true;
}

void TForm1::OnCommand(int id, int notification, HWND control) {
  // Enter and Esc on no button come as IDOK and IDCANCEL without a control: nothing to do.
  if (!control) return;
  if (id == kMemo1) {
    if (notification == EN_SETFOCUS) focus_ = control;
    return;
  }
  if (notification == BN_SETFOCUS || notification == BN_KILLFOCUS) {
    if (notification == BN_SETFOCUS) focus_ = control;
    ShowAsDefault(control, notification == BN_SETFOCUS);
    return;
  }
  // Only clicks of enabled buttons run handlers (a posted click can reach a disabled one).
  if (notification != BN_CLICKED || !IsWindowEnabled(control)) return;
  switch (id) {
    case kBtnStartAnalisys: RunHandler(control, [&] { Btn_StartAnalisysClick(control); }); break;
    case kBtnSaveResult: RunHandler(control, [&] { Btn_SaveResultClick(control); }); break;
    case kBtnSendResultEmail: RunHandler(control, [&] { Btn_SendResultEmailClick(control); }); break;
    case kBtnGetData: RunHandler(control, [&] { Btn_GetDataClick(control); }); break;
    case kBtnSaveData: RunHandler(control, [&] { Btn_SaveDataClick(control); }); break;
    case kBtnSendDataEmail: RunHandler(control, [&] { Btn_SendDataEmailClick(control); }); break;
  }
}

template <typename Handler>
void TForm1::RunHandler(HWND sender, Handler&& handler) {
  // The focus comes back to this button when the job's boxes close, wherever it was before (a
  // click posted by another program leaves it where it was).
  focus_ = sender;
  try {
    handler();
    Memo1.Flush();
  } catch (const std::exception& error) {
    // Lines written before the error stay in the memo; the cursor guard of the handler has
    // already put the default cursor back.
    Memo1.Flush();
    busy_ = false;
    ShowErrorBox(handle_, error);
  }
  // Also after a job that ends without a box (a mail handed over, a cancelled copy).
  if (GetActiveWindow() == handle_) RestoreFocus();
}

void TForm1::FormCreate() {
  SetWindowTextA(handle_, ("Tavisto. Ver. " + ExeInfo1->FileVersion()).c_str());
  // The identity panel is filled once; it is not refreshed later.
  SetWindowTextA(Control(kLbComputer), SystemInfo->ComputerName().c_str());
  // A label shows any character: the user's name in full, whatever the code page holds.
  SetWindowTextW(Control(kLbUtente), Utf16(SystemInfo->UserName()).c_str());
  SetWindowTextA(Control(kLbOwner), (SystemInfo->RegOwner() + ", " + SystemInfo->RegCompany()).c_str());
  SetWindowTextA(Control(kLbSystem), (SystemInfo->OSPlatform() + " ver. " + SystemInfo->OSVersion()).c_str());
  SetWindowTextA(Control(kLbMemT), SystemInfo->TotalPhys().c_str());
  SetWindowTextA(Control(kLbMemD), SystemInfo->AvailPhys().c_str());
}

void TForm1::OnDestroy() {
  FormDestroy();
  PostQuitMessage(0);
}

void TForm1::FormDestroy() {
  // The files this window made (its Data.zip among them) go while they are still those files;
  // nothing else is touched.
  session_.reset();
}

}  // namespace tavisto::app
