// The end-to-end test driver: a small Windows console program that finds Tavisto's window and
// works it the way a user would, through window messages. One command per run, or, with
// "serve", one per line of standard input for as long as it stays open (each Windows process
// started under Wine costs a tenth of a CPU second: the harness keeps one driver per machine).
// Results go to stdout as one JSON object per command. Texts are the windows' bytes
// (Windows-1252), written as \u00XX escapes of those bytes, so the caller decodes them as
// Latin-1 and gets the bytes back.
//
//   driver state                 the main window, its controls and any open message box; a
//                                button's text is its caption as shown, "mnemonic" its Alt+letter
//   driver wait-window MS        wait until the main window exists and answers; prints its handle
//   driver click CAPTION         press an enabled button (exit 3 when it is disabled)
//   driver press CAPTION [click] press an enabled button with the mouse at its centre and cancel
//                                the press; with "click", let go on it (a click)
//   driver labels                each label's and button's text width in its own font (probe.cpp)
//   driver dialog MS             wait for a message box of the program and describe it
//   driver answer BUTTON [MS]    press a button of the open message box
//   driver memo FILE             write the memo's text to FILE
//   driver set-memo FILE         replace the memo's text with FILE's bytes
//   driver resize W H            set the main window's outer size
//   driver progress MS           wait for the program's progress dialog and describe it
//   driver cancel-progress MS    press the progress dialog's Cancel
//   driver wait-idle MS          wait until the window answers messages and no box is open
//   driver close MS              close the main window and wait for the process to end
//   driver keys CHORDS [ID [MS]] type key chords ("tab,shift+tab,alt+s,space,enter,esc") into the
//                                active window; with ID, wait until that control has the focus
//   driver focus [ID [MS]]       the control with the keyboard focus (with ID: wait for that one)
//   driver reactivate            activate a window of the driver's own, then the main window again
//   driver names                 each control's Active Accessibility name and keyboard shortcut
//   driver high-contrast         turn high contrast on for the program, as Windows does (probe.cpp)
//   driver serve                 read commands from stdin, a line of UTF-8 each: NAME=VALUE fields
//                                (variables for that command alone), then the command and its
//                                arguments, all separated by tabs; after each command's output,
//                                "#done CODE", CODE being the exit code the command would have had
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kMainClass[] = "TForm1";
constexpr int kMemoId = 100;

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string WindowText(HWND window) {
  // WM_GETTEXT is marshalled between processes, so this reads another program's controls.
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT copied = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

// A button's caption as it shows: "&&" is one "&", a lone "&" marks the mnemonic, which goes to
// *mnemonic when asked for.
std::string Shown(const std::string& caption, char* mnemonic = nullptr) {
  std::string shown;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && ++i < caption.size() && caption[i] != '&' && mnemonic) *mnemonic = caption[i];
    if (i < caption.size()) shown += caption[i];
  }
  return shown;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string RectJson(const RECT& r) {
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) +
         "," + std::to_string(r.bottom - r.top) + "]";
}

// Scenarios with more than one window name theirs: TAVISTO_WINDOW holds the handle wait-window
// printed for it, and wait-window passes over the handles listed in TAVISTO_OTHER_WINDOWS.
HWND FindMain() {
  if (const char* chosen = std::getenv("TAVISTO_WINDOW"))
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(chosen, nullptr, 10)));
  const char* listed = std::getenv("TAVISTO_OTHER_WINDOWS");
  const std::string others = "," + std::string(listed ? listed : "") + ",";
  HWND found = nullptr;
  while ((found = FindWindowExA(nullptr, found, kMainClass, nullptr)) != nullptr) {
    const std::string handle = "," + std::to_string(reinterpret_cast<uintptr_t>(found)) + ",";
    if (others.find(handle) == std::string::npos) return found;
  }
  return nullptr;
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM list) CALLBACK -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

// The shell's progress dialog is a dialog too; its progress bar tells it from a message box.
bool IsProgressDialog(HWND dialog) { return FindWindowExA(dialog, nullptr, PROGRESS_CLASSA, nullptr) != nullptr; }

// The program's visible message box (or, with progress set, its progress dialog), if one is
// open. Without a main window (the program failed while creating it) any on the desktop counts.
HWND FindDialog(HWND main, bool progress = false) {
  struct Search {
    DWORD process;
    bool progress;
    HWND found;
  } search{main ? ProcessOf(main) : 0, progress, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (ClassOf(window) == "#32770" && IsWindowVisible(window) &&
            (s->process == 0 || ProcessOf(window) == s->process) && IsProgressDialog(window) == s->progress) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string DialogJson(HWND dialog) {
  std::string text, buttons;
  bool icon = false;
  for (HWND child : Children(dialog)) {
    const std::string kind = ClassOf(child);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(kind.c_str(), "Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        // A message box without an icon still has the icon control, with no icon in it.
        icon = icon || (IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0);
      } else if (!WindowText(child).empty()) {
        text += (text.empty() ? "" : "\n") + WindowText(child);
      }
    } else if (_stricmp(kind.c_str(), "Button") == 0 && IsWindowVisible(child)) {
      buttons += (buttons.empty() ? "" : ",") + Json(WindowText(child));
    }
  }
  return "{\"caption\":" + Json(WindowText(dialog)) + ",\"text\":" + Json(text) + ",\"buttons\":[" + buttons +
         "],\"icon\":" + (icon ? "true" : "false") + "}";
}

// The progress dialog's caption, its text lines in order (empty ones included), its bar and
// whether the main window is disabled meanwhile.
std::string ProgressJson(HWND dialog, HWND main) {
  std::string lines, buttons;
  int position = 0, maximum = 0;
  for (HWND child : Children(dialog)) {
    const std::string kind = ClassOf(child);
    if (_stricmp(kind.c_str(), "Static") == 0 && IsWindowVisible(child)) {
      lines += (lines.empty() ? "" : ",") + Json(WindowText(child));
    } else if (kind == PROGRESS_CLASSA) {
      position = static_cast<int>(SendMessageA(child, PBM_GETPOS, 0, 0));
      maximum = static_cast<int>(SendMessageA(child, PBM_GETRANGE, FALSE, 0));
    } else if (_stricmp(kind.c_str(), "Button") == 0 && IsWindowVisible(child)) {
      buttons += (buttons.empty() ? "" : ",") + Json(WindowText(child));
    }
  }
  return "{\"caption\":" + Json(WindowText(dialog)) + ",\"lines\":[" + lines + "],\"bar\":[" +
         std::to_string(position) + "," + std::to_string(maximum) + "],\"buttons\":[" + buttons +
         "],\"main_enabled\":" + (main && IsWindowEnabled(main) ? "true" : "false") + "}";
}

int Fail(const std::string& why, int code = 2) {
  std::printf("{\"error\":%s}\n", Json(why).c_str());
  return code;
}

HWND MainOrNull(int timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND main = FindMain(); main && IsWindowVisible(main)) return main;
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return nullptr;
    Sleep(50);
  }
}

bool Answers(HWND window, int timeoutMs) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(timeoutMs), &ignored) != 0;
}

int State(HWND main) {
  RECT window, client;
  GetWindowRect(main, &window);
  GetClientRect(main, &client);
  std::string controls;
  for (HWND child : Children(main)) {
    if (GetParent(child) != main) continue;
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    const bool button = ClassOf(child) == "Button";
    char mnemonic[2] = {};
    const std::string text = GetDlgCtrlID(child) == kMemoId ? std::string()
                             : button                        ? Shown(WindowText(child), mnemonic)
                                                             : WindowText(child);
    controls += std::string(controls.empty() ? "" : ",") + "{\"id\":" + std::to_string(GetDlgCtrlID(child)) +
                ",\"class\":" + Json(ClassOf(child)) + ",\"text\":" + Json(text) +
                (button ? ",\"mnemonic\":" + Json(mnemonic) : "") + ",\"rect\":" + RectJson(r) +
                ",\"enabled\":" + (IsWindowEnabled(child) ? "true" : "false") +
                ",\"visible\":" + (IsWindowVisible(child) ? "true" : "false") + "}";
  }
  HWND dialog = FindDialog(main);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  POINT origin{0, 0};  // the client area's top left on the screen
  ClientToScreen(main, &origin);
  std::printf("{\"caption\":%s,\"rect\":%s,\"client\":%s,\"origin\":[%ld,%ld],\"dpi\":%d,\"screen\":[%d,%d],"
              "\"work\":%s,\"controls\":[%s],\"dialog\":%s}\n",
              Json(WindowText(main)).c_str(), RectJson(window).c_str(), RectJson(client).c_str(), origin.x, origin.y,
              dpi,
              GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), RectJson(work).c_str(), controls.c_str(),
              dialog ? DialogJson(dialog).c_str() : "null");
  return 0;
}

int Click(HWND main, const std::string& caption) {
  for (HWND child : Children(main)) {
    if (ClassOf(child) != "Button" || Shown(WindowText(child)) != caption) continue;
    // A posted click reaches even a disabled button, so the driver checks as a user's mouse would.
    if (!IsWindowEnabled(child)) return Fail("button is disabled: " + caption, 3);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), BN_CLICKED), reinterpret_cast<LPARAM>(child));
    std::printf("{\"clicked\":%s}\n", Json(caption).c_str());
    return 0;
  }
  return Fail("no button " + caption);
}

void MouseButton(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

bool WaitPushed(HWND button, bool pushed, int timeoutMs) {
  const DWORD start = GetTickCount();
  while (((SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0) != pushed) {
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return false;
    Sleep(20);
  }
  return true;
}

// The mouse as a user moves it: the system sends the press to whatever window is at that point.
// Only one move, to the button's centre: Wine also moves the X pointer, and the program may learn
// of that move late, so a second position could be overtaken by the first.
int Press(HWND main, const std::string& caption, bool click) {
  for (HWND child : Children(main)) {
    if (ClassOf(child) != "Button" || Shown(WindowText(child)) != caption) continue;
    if (!IsWindowEnabled(child)) return Fail("button is disabled: " + caption, 3);
    RECT r;
    GetWindowRect(child, &r);
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    SetCursorPos(centre.x, centre.y);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    const bool pushed = WaitPushed(child, true, 10000);
    // Without a click, the press is cancelled as the system cancels one when a window takes over
    // (the button lets go of the mouse), and letting go of the mouse button then does nothing.
    if (!pushed || !click) SendMessageA(child, WM_CANCELMODE, 0, 0);
    const bool released = pushed && (click || WaitPushed(child, false, 10000));
    MouseButton(MOUSEEVENTF_LEFTUP);
    if (!pushed) {
      HWND there = WindowFromPoint(centre);
      return Fail("the button did not go down under the mouse: " + caption + " (the mouse is over " + ClassOf(there) +
                  " \"" + WindowText(there) + "\")");
    }
    if (!released) return Fail("the button stayed down: " + caption);
    std::printf("{\"pressed\":%s,\"at\":[%ld,%ld]}\n", Json(caption).c_str(), centre.x, centre.y);
    return 0;
  }
  return Fail("no button " + caption);
}

std::string BesideMe(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string self = path;
  return self.substr(0, self.find_last_of('\\') + 1) + name;
}

bool Is32BitProcess(HWND window) {
  if (sizeof(void*) == 4) return true;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ProcessOf(window));
  BOOL wow64 = FALSE;
  if (process) {
    IsWow64Process(process, &wow64);
    CloseHandle(process);
  }
  return wow64;
}

// Runs the 32-bit build of this driver with the same command; its output is ours.
int As32Bit(const std::string& command) {
  std::string line = "\"" + BesideMe("tavisto_driver32.exe") + "\" " + command;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  std::fflush(stdout);  // what this driver wrote goes first; the child writes to the same output
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
    return Fail("cannot run the 32-bit driver for a 32-bit program");
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD code = 2;
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return static_cast<int>(code);
}

// The probe (probe.cpp) works inside the program, where the labels' fonts live and where the
// program asks the system for its settings: a hook loads it on the window's thread, where it
// answers one registered message and writes what it found into a section made here.
int RunProbe(HWND main, const std::string& command, const char* message, const char* key) {
  if (sizeof(void*) == 8 && Is32BitProcess(main)) return As32Bit(command);
  const std::string probePath = BesideMe(sizeof(void*) == 4 ? "tavisto_probe32.dll" : "tavisto_probe.dll");
  HMODULE probe = LoadLibraryA(probePath.c_str());
  const auto hook = probe ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeHook"))) : nullptr;
  if (!hook) return Fail("cannot load " + probePath);
  constexpr DWORD kSize = 65536;
  HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, "TavistoProbeResult");
  char* view = section ? static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kSize)) : nullptr;
  if (!view) return Fail("cannot make the probe's section");
  view[0] = '\0';
  HHOOK installed = SetWindowsHookExA(WH_CALLWNDPROC, hook, probe, GetWindowThreadProcessId(main, nullptr));
  if (!installed) return Fail("cannot hook the program's window thread");
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(main, RegisterWindowMessageA(message), 0, 0, SMTO_ABORTIFHUNG, 30000, &ignored);
  UnhookWindowsHookEx(installed);
  const std::string found(view, strnlen(view, kSize));
  UnmapViewOfFile(view);
  CloseHandle(section);
  if (found.empty()) return Fail("the probe did not run inside the program");
  std::printf("{\"%s\":[%s]}\n", key, found.c_str());
  return 0;
}

// The control of the main window with the keyboard focus: its id (0: the window itself, -1:
// none of the program's), class and shown text.
HWND FocusOf(HWND main) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) ? info.hwndFocus : nullptr;
}

int FocusId(HWND main, HWND focus) {
  return focus == main ? 0 : focus && IsChild(main, focus) ? GetDlgCtrlID(focus) : -1;
}

std::string FocusJson(HWND main, HWND focus) {
  const int id = FocusId(main, focus);
  const std::string text = id > 0 && id != kMemoId ? Shown(WindowText(focus)) : std::string();
  return "{\"focus\":" + std::to_string(id) + ",\"class\":" + Json(focus ? ClassOf(focus) : "") +
         ",\"text\":" + Json(text) + "}";
}

// Without an id, the focus now; with one, waits until that control has it.
int WaitFocus(HWND main, int id, int timeoutMs) {
  const DWORD start = GetTickCount();
  HWND focus = FocusOf(main);
  while (id >= 0 && FocusId(main, focus) != id) {
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) {
      return Fail("the focus did not come to control " + std::to_string(id) + ": " + FocusJson(main, focus));
    }
    Sleep(20);
    focus = FocusOf(main);
  }
  std::printf("%s\n", FocusJson(main, focus).c_str());
  return 0;
}

INPUT KeyInput(WORD key, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = flags;
  return input;
}

// Real key presses, as from the keyboard, into whatever window is active: chords separated by
// commas, keys of a chord by "+", pressed in order and let go in reverse.
int Keys(HWND main, const std::string& chords, int focusId, int timeoutMs) {
  static const struct {
    const char* name;
    WORD key;
  } kNamed[] = {{"shift", VK_SHIFT}, {"ctrl", VK_CONTROL}, {"alt", VK_MENU}, {"tab", VK_TAB},
                {"space", VK_SPACE}, {"enter", VK_RETURN}, {"esc", VK_ESCAPE}};
  std::vector<INPUT> inputs;
  size_t chordStart = 0;
  while (chordStart <= chords.size()) {
    const size_t chordEnd = std::min(chords.find(',', chordStart), chords.size());
    std::vector<WORD> keys;
    for (size_t start = chordStart; start <= chordEnd;) {
      const size_t end = std::min(chords.find('+', start), chordEnd);
      const std::string name = chords.substr(start, end - start);
      WORD key = name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))
                     ? static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])))
                     : 0;
      for (const auto& named : kNamed) {
        if (name == named.name) key = named.key;
      }
      if (!key) return Fail("no key named " + name);
      keys.push_back(key);
      start = end + 1;
    }
    for (WORD key : keys) inputs.push_back(KeyInput(key, 0));
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(KeyInput(*key, KEYEVENTF_KEYUP));
    chordStart = chordEnd + 1;
  }
  if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) {
    return Fail("the keys were not sent");
  }
  return WaitFocus(main, focusId, timeoutMs);
}

bool WaitForeground(HWND window, int timeoutMs) {
  const DWORD start = GetTickCount();
  while (GetForegroundWindow() != window) {
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(20);
  }
  return true;
}

// Another window takes the activation, as when the user turns to another program, and then the
// user comes back to the main window.
int Reactivate(HWND main) {
  HWND other = CreateWindowExA(0, "STATIC", "elsewhere", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 120, 40, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(other);
  const bool away = WaitForeground(other, 10000);
  SetForegroundWindow(main);
  const bool back = WaitForeground(main, 10000);
  DestroyWindow(other);
  if (!away) return Fail("the driver's window did not become active");
  if (!back) return Fail("the main window did not become active again");
  std::printf("{\"reactivated\":true}\n");
  return 0;
}

std::string Narrow(BSTR text) {
  if (!text) return "";
  const int length = static_cast<int>(SysStringLen(text));
  std::string out(static_cast<size_t>(length) * 2 + 1, '\0');
  out.resize(static_cast<size_t>(
      WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), static_cast<int>(out.size()), nullptr, nullptr)));
  SysFreeString(text);
  return out;
}

// What a screen reader gets from Active Accessibility for each control, from this process as
// a screen reader asks.
int Names(HWND main) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return Fail("no COM");
  std::string names;
  for (HWND child : Children(main)) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(child, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
      return Fail("no accessible object for control " + std::to_string(GetDlgCtrlID(child)));
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, shortcut = nullptr;
    const HRESULT named = object->get_accName(self, &name);
    object->get_accKeyboardShortcut(self, &shortcut);
    object->Release();
    names += std::string(names.empty() ? "" : ",") + "{\"id\":" + std::to_string(GetDlgCtrlID(child)) +
             ",\"name\":" + (named == S_OK ? Json(Narrow(name)) : "null") + ",\"shortcut\":" + Json(Narrow(shortcut)) +
             "}";
  }
  CoUninitialize();
  std::printf("{\"names\":[%s]}\n", names.c_str());
  return 0;
}

int WaitDialog(HWND main, int timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND dialog = FindDialog(main)) {
      std::printf("%s\n", DialogJson(dialog).c_str());
      return 0;
    }
    if (main && !IsWindow(main)) return Fail("the main window is gone");
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return Fail("no message box appeared");
    Sleep(50);
  }
}

int Answer(HWND main, const std::string& button, int timeoutMs) {
  const DWORD start = GetTickCount();
  HWND dialog = nullptr;
  while (!(dialog = FindDialog(main))) {
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return Fail("no message box to answer");
    Sleep(50);
  }
  for (HWND child : Children(dialog)) {
    if (ClassOf(child) == "Button" && WindowText(child) == button) {
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), BN_CLICKED), reinterpret_cast<LPARAM>(child));
      // Wait until that box is gone, so the next command sees what follows it.
      while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return Fail("the message box stayed open");
        Sleep(20);
      }
      std::printf("{\"answered\":%s}\n", Json(button).c_str());
      return 0;
    }
  }
  return Fail("the message box has no button " + button);
}

int WaitProgress(HWND main, int timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND dialog = FindDialog(main, true)) {
      std::printf("%s\n", ProgressJson(dialog, main).c_str());
      return 0;
    }
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return Fail("no progress dialog appeared");
    Sleep(50);
  }
}

int CancelProgress(HWND main, int timeoutMs) {
  const DWORD start = GetTickCount();
  HWND dialog = nullptr;
  while (!(dialog = FindDialog(main, true))) {
    if (GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) return Fail("no progress dialog to cancel");
    Sleep(50);
  }
  HWND cancel = GetDlgItem(dialog, IDCANCEL);
  if (!cancel) return Fail("the progress dialog has no Cancel button");
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
  std::printf("{\"cancelled\":true}\n");
  return 0;
}

int Memo(HWND main, const char* path) {
  const std::string text = WindowText(GetDlgItem(main, kMemoId));
  FILE* out = std::fopen(path, "wb");
  if (!out) return Fail(std::string("cannot write ") + path);
  std::fwrite(text.data(), 1, text.size(), out);
  std::fclose(out);
  std::printf("{\"bytes\":%zu}\n", text.size());
  return 0;
}

int SetMemo(HWND main, const char* path) {
  FILE* in = std::fopen(path, "rb");
  if (!in) return Fail(std::string("cannot read ") + path);
  std::string text;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, got);
  std::fclose(in);
  SendMessageA(GetDlgItem(main, kMemoId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  std::printf("{\"bytes\":%zu}\n", text.size());
  return 0;
}

int WaitIdle(HWND main, int timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const int left = timeoutMs - static_cast<int>(GetTickCount() - start);
    if (left <= 0) return Fail("the window did not become idle");
    // A handler under the progress dialog keeps the window disabled until it is done; the
    // window may answer meanwhile (the dialog's calls let messages through).
    if (Answers(main, left) && !FindDialog(main) && !FindDialog(main, true) && IsWindowEnabled(main)) {
      std::printf("{\"idle\":true}\n");
      return 0;
    }
    if (FindDialog(main)) return Fail("a message box is open");
    Sleep(50);
  }
}

int Close(HWND main, int timeoutMs) {
  DWORD processId = ProcessOf(main);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  PostMessageA(main, WM_CLOSE, 0, 0);
  const DWORD waited = process ? WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) : WAIT_FAILED;
  if (process) CloseHandle(process);
  if (waited != WAIT_OBJECT_0) return Fail("the program did not end");
  std::printf("{\"closed\":true}\n");
  return 0;
}

// One command: args[0] is its name.
int Run(const std::vector<std::string>& args) {
  const int argc = static_cast<int>(args.size()) + 1;
  auto argv = [&](int index) { return args[static_cast<size_t>(index) - 1].c_str(); };
  const std::string command = args[0];
  auto number = [&](int index, int fallback) { return argc > index ? std::atoi(argv(index)) : fallback; };
  if (command == "wait-window") {
    HWND main = MainOrNull(number(2, 30000));
    if (!main || !Answers(main, number(2, 30000))) return Fail("the main window did not appear");
    std::printf("{\"window\":true,\"handle\":%llu}\n",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(main)));
    return 0;
  }
  HWND main = FindMain();
  if (command == "dialog") return WaitDialog(main, number(2, 30000));
  if (command == "answer" && argc > 2) return Answer(main, argv(2), number(3, 30000));
  if (!main) return Fail("the main window is not there");
  if (command == "state") return State(main);
  if (command == "click" && argc > 2) return Click(main, argv(2));
  if (command == "press" && argc > 2) return Press(main, argv(2), argc > 3 && std::string(argv(3)) == "click");
  if (command == "labels") return RunProbe(main, command, "TavistoProbeMeasure", "labels");
  if (command == "high-contrast") return RunProbe(main, command, "TavistoProbeHighContrast", "high_contrast");
  if (command == "keys" && argc > 2) return Keys(main, argv(2), number(3, -1), number(4, 10000));
  if (command == "focus") return WaitFocus(main, number(2, -1), number(3, 10000));
  if (command == "reactivate") return Reactivate(main);
  if (command == "names") return Names(main);
  if (command == "memo" && argc > 2) return Memo(main, argv(2));
  if (command == "set-memo" && argc > 2) return SetMemo(main, argv(2));
  if (command == "resize" && argc > 3) {
    SetWindowPos(main, nullptr, 0, 0, std::atoi(argv(2)), std::atoi(argv(3)), SWP_NOMOVE | SWP_NOZORDER);
    std::printf("{\"resized\":true}\n");
    return 0;
  }
  if (command == "progress") return WaitProgress(main, number(2, 30000));
  if (command == "cancel-progress") return CancelProgress(main, number(2, 30000));
  if (command == "wait-idle") return WaitIdle(main, number(2, 30000));
  if (command == "close") return Close(main, number(2, 30000));
  return Fail("unknown command " + command);
}

std::vector<std::string> Fields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t end; (end = line.find(separator, start)) != std::string::npos; start = end + 1)
    fields.push_back(line.substr(start, end - start));
  fields.push_back(line.substr(start));
  return fields;
}

// A line of UTF-8 in this program's code page, as Wine turns a Linux command line into the
// arguments of a Windows program.
std::string FromUtf8(const std::string& text) {
  const int wide = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring buffer(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), buffer.data(), wide);
  const int narrow = WideCharToMultiByte(CP_ACP, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(narrow), '\0');
  WideCharToMultiByte(CP_ACP, 0, buffer.data(), wide, out.data(), narrow, nullptr, nullptr);
  return out;
}

// Commands from stdin until it closes. A command's variables are set for it and taken away
// after it, so that no command sees those of the one before.
int Serve() {
  std::string line;
  for (int c; (c = std::getchar()) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields = Fields(FromUtf8(line), '\t');
    line.clear();
    std::vector<std::string> variables;
    for (size_t equals; !fields.empty() && (equals = fields.front().find('=')) != std::string::npos;) {
      variables.push_back(fields.front().substr(0, equals));
      _putenv_s(variables.back().c_str(), fields.front().substr(equals + 1).c_str());
      fields.erase(fields.begin());
    }
    const int code = fields.empty() || fields[0].empty() ? Fail("no command") : Run(fields);
    for (const std::string& name : variables) _putenv_s(name.c_str(), "");
    std::printf("#done %d\n", code);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  SetProcessDPIAware();  // see the same pixels as the DPI-aware program
  if (argc < 2) return Fail("usage: driver COMMAND [ARGS]");
  if (std::string(argv[1]) == "serve") return Serve();
  return Run(std::vector<std::string>(argv + 1, argv + argc));
}
