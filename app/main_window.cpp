// The window plumbing of TForm1: creation, layout, colours, routing, destruction.
#include "app/main_window.h"

#include <stdexcept>

#include "app/busy_cursor.h"
#include "app/control_ids.h"
#include "app/error_box.h"
#include "os/dialogs.h"
#include "os/files.h"
#include "os/system_facts.h"
#include "sysinfo/identity_format.h"

namespace tavisto::app {
namespace {

constexpr char kWindowClass[] = "TForm1";
constexpr int kDesignWidth = 406;
constexpr int kDesignHeight = 503;
constexpr int kDesignFontHeight = -11;  // "MS Sans Serif", 8 point at 96 DPI
constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);

enum class Kind { Memo, Button, Label };

}  // namespace

struct TForm1::ControlDesign {
  int id;
  Kind kind;
  const char* caption;
  Rect design;
  unsigned anchors;
  bool enabled;
};

// In tab order: the memo, the six buttons, then the labels (which take no focus).
const TForm1::ControlDesign TForm1::kControls[] = {
    {kMemo1, Kind::Memo, "", {8, 106, 381, 281}, kAnchorAll, true},
    {kBtnStartAnalisys, Kind::Button, "Start Analysis", {8, 397, 113, 25}, kAnchorLeft | kAnchorBottom, true},
    {kBtnSaveResult, Kind::Button, "Save Result", {158, 397, 77, 25}, kAnchorRight | kAnchorBottom, false},
    {kBtnSendResultEmail, Kind::Button, "Send result by email", {253, 397, 116, 25}, kAnchorRight | kAnchorBottom, false},
    {kBtnGetData, Kind::Button, "Get Data", {8, 437, 113, 25}, kAnchorLeft | kAnchorBottom, true},
    {kBtnSaveData, Kind::Button, "Save Data", {158, 437, 77, 25}, kAnchorRight | kAnchorBottom, false},
    {kBtnSendDataEmail, Kind::Button, "Send data by email", {254, 437, 115, 25}, kAnchorRight | kAnchorBottom, false},
    // The label control shows "&&" as one "&" and makes no mnemonic of it.
    {kLabel2, Kind::Label, " Computer Name", {4, 2, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel4, Kind::Label, " User", {4, 18, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel5, Kind::Label, " Owner && Company", {4, 34, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel6, Kind::Label, " O.S. && Version", {4, 50, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel7, Kind::Label, " Total physical memory", {4, 66, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLabel8, Kind::Label, " Avaiable physical memory", {4, 82, 138, 15}, kAnchorLeft | kAnchorTop, true},
    {kLbComputer, Kind::Label, "", {142, 2, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbUtente, Kind::Label, "", {142, 18, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbOwner, Kind::Label, "", {142, 34, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbSystem, Kind::Label, "", {142, 50, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbMemT, Kind::Label, "", {142, 66, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
    {kLbMemD, Kind::Label, "", {142, 82, 248, 15}, kAnchorLeft | kAnchorTop | kAnchorRight, true},
};

TForm1::TForm1() = default;

TForm1::~TForm1() {
  if (font_) DeleteObject(font_);
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
  const int width = Scale(kDesignWidth, dpi_);
  const int height = Scale(kDesignHeight, dpi_);
  // Centred on the desktop when first shown.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  handle_ = CreateWindowExA(0, kWindowClass, "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, width,
                            height, nullptr, nullptr, windowClass.hInstance, this);
  if (!handle_) throw std::runtime_error("CreateWindowEx failed");
  os::SetDialogOwner(handle_);  // every box of the program is modal to this window
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
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case WM_DESTROY: OnDestroy(); return 0;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

void TForm1::OnCreate() {
  CreateControls();
  RECT client;
  GetClientRect(handle_, &client);
  initialClient_ = Size{client.right, client.bottom};
}

void TForm1::CreateControls() {
  // Font and controls scaled by screen DPI / 96; at 96 DPI nothing changes.
  font_ = CreateFontA(Scale(kDesignFontHeight, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
  labelBrush_ = CreateSolidBrush(kTeal);
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const ControlDesign& item : kControls) {
    const Rect at = Scale(item.design, dpi_);
    const char* windowClass = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (item.kind) {
      case Kind::Memo:
        windowClass = "EDIT";
        style |= WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case Kind::Button:
        windowClass = "BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
      case Kind::Label:
        style |= SS_LEFTNOWORDWRAP;  // a label clips its text rather than wrap it
        break;
    }
    if (!item.enabled) style |= WS_DISABLED;
    HWND control = CreateWindowExA(exStyle, windowClass, item.caption, style, at.x, at.y, at.width,
                                   at.height, handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)),
                                   instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  Memo1.Attach(Control(kMemo1));
  Btn_StartAnalisys = Control(kBtnStartAnalisys);
  Btn_SaveResult = Control(kBtnSaveResult);
  Btn_SendResultEmail = Control(kBtnSendResultEmail);
  Btn_GetData = Control(kBtnGetData);
  Btn_SaveData = Control(kBtnSaveData);
  Btn_SendDataEmail = Control(kBtnSendDataEmail);
}

void TForm1::OnSize(int width, int height) {
  if (initialClient_.width == 0) return;  // still being created
  for (const ControlDesign& item : kControls) {
    const Rect at = Anchor(Scale(item.design, dpi_), item.anchors, initialClient_, Size{width, height});
    SetWindowPos(Control(item.id), nullptr, at.x, at.y, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
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
  // Only the overall archive this program wrote into the temporary folder; before any
  // handler recorded that folder there is nothing of ours to remove.
  if (!TempFolder.empty()) (void)os::RemoveFile(TempFolder + "\\Data.zip");
}

std::string TForm1::GetWindowsLanguage() const {
  std::string language, country;
  const int languageCount = os::UserLocaleInfo(os::kLocaleIso639LangName, 5, language);
  const int countryCount = os::UserLocaleInfo(os::kLocaleIso3166CtryName, 5, country);
  return sysinfo::LanguageCode(language, languageCount, country, countryCount);
}

}  // namespace tavisto::app
