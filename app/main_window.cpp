// The window plumbing of TForm1: creation, layout, colours, routing, destruction.
#include "app/main_window.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "app/busy_cursor.h"
#include "app/control_ids.h"
#include "app/error_box.h"
#include "app/window_design.h"
#include "os/dialogs.h"
#include "os/system_facts.h"
#include "sysinfo/identity_format.h"

namespace tavisto::app {
namespace {

constexpr char kWindowClass[] = "TForm1";
constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);

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
  os::SetDialogOwner(handle_);  // every box of the program is modal to this window
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
  ShowWindow(handle_, showCommand);
  UpdateWindow(handle_);
}

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
    case WM_COMMAND: OnCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
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
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
      case ControlKind::Label:
        style |= SS_LEFTNOWORDWRAP;  // a label clips its text rather than wrap it
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
  Btn_StartAnalisys = Control(kBtnStartAnalisys);
  Btn_SaveResult = Control(kBtnSaveResult);
  Btn_SendResultEmail = Control(kBtnSendResultEmail);
  Btn_GetData = Control(kBtnGetData);
  Btn_SaveData = Control(kBtnSaveData);
  Btn_SendDataEmail = Control(kBtnSendDataEmail);
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
  const CaptionFit captions = FitCaptions(formFont, 0, overflowAt(isCaption, 0));
  captionFont_ = FormFont(captions.fontHeight);
  captionWiden_ = captions.widen;
  for (const ControlDesign& button : kWindowControls) {
    if (button.kind != ControlKind::Button) continue;
    const auto isThis = [&button](const ControlDesign& item) { return item.id == button.id; };
    fontOf_[button.id] = FormFont(FitCaptions(formFont, 0, overflowAt(isThis, Scale(kButtonTextMargin, dpi_))).fontHeight);
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
  if (id >= kLabel2 && id <= kLbMemD) {
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

void TForm1::OnCommand(int id, HWND control) {
  // Only clicks of enabled buttons run handlers (a posted click can reach a disabled one).
  if (!control || !IsWindowEnabled(control)) return;
  switch (id) {
    case kBtnStartAnalisys: RunHandler([&] { Btn_StartAnalisysClick(control); }); break;
    case kBtnSaveResult: RunHandler([&] { Btn_SaveResultClick(control); }); break;
    case kBtnSendResultEmail: RunHandler([&] { Btn_SendResultEmailClick(control); }); break;
    case kBtnGetData: RunHandler([&] { Btn_GetDataClick(control); }); break;
    case kBtnSaveData: RunHandler([&] { Btn_SaveDataClick(control); }); break;
    case kBtnSendDataEmail: RunHandler([&] { Btn_SendDataEmailClick(control); }); break;
  }
}

template <typename Handler>
void TForm1::RunHandler(Handler&& handler) {
  try {
    handler();
    Memo1.Flush();
  } catch (const std::exception& error) {
    // Lines written before the error stay in the memo; the cursor guard of the handler has
    // already put the default cursor back.
    Memo1.Flush();
    busy_ = false;
    ShowErrorBox(error);
  }
}

void TForm1::FormCreate() {
  SetWindowTextA(handle_, ("Tavisto. Ver. " + ExeInfo1->FileVersion()).c_str());
  // The identity panel is filled once; it is not refreshed later.
  SetWindowTextA(Control(kLbComputer), SystemInfo->ComputerName().c_str());
  SetWindowTextA(Control(kLbUtente), SystemInfo->UserName().c_str());
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
  ScanFolders.reset();
  // The files this window made (its Data.zip among them) go while they are still those files;
  // nothing else is touched.
  journal_.reset();
}

std::string TForm1::GetWindowsLanguage() const {
  std::string language, country;
  const int languageCount = os::UserLocaleInfo(os::kLocaleIso639LangName, 5, language);
  const int countryCount = os::UserLocaleInfo(os::kLocaleIso3166CtryName, 5, country);
  return sysinfo::LanguageCode(language, languageCount, country, countryCount);
}

}  // namespace tavisto::app
