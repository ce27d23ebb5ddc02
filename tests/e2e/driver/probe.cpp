// Loaded into the driven program by a message hook the driver sets, so that each label's and
// button's text is measured with the font the control really draws with: a font belongs to the
// process that made it; and so that high contrast can be turned on for the program, which Wine
// cannot do for the system. The results go to a shared section the driver created.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

void MeasureLabels(HWND main) {
  HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "TavistoProbeResult");
  if (!section) return;
  constexpr size_t kSize = 65536;
  char* out = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kSize));
  if (out) {
    size_t used = 0;
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      char kind[32] = {};
      GetClassNameA(child, kind, sizeof kind);
      if (lstrcmpiA(kind, "Static") != 0 && lstrcmpiA(kind, "Button") != 0) continue;
      char text[512] = {};
      GetWindowTextA(child, text, sizeof text);
      HDC dc = GetDC(child);
      const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)));
      // As the control draws it: one line, "&&" shown as "&".
      RECT extent{0, 0, 0, 0};
      DrawTextA(dc, text, -1, &extent, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
      char face[LF_FACESIZE] = {};
      GetTextFaceA(dc, sizeof face, face);
      TEXTMETRICA metrics{};
      GetTextMetricsA(dc, &metrics);
      SelectObject(dc, previous);
      ReleaseDC(child, dc);
      const int written = std::snprintf(out + used, kSize - used, "%s{\"id\":%d,\"width\":%ld,\"height\":%ld,\"face\":\"%s\"}",
                                        used ? "," : "", GetDlgCtrlID(child), extent.right, metrics.tmHeight, face);
      if (written < 0 || used + written >= kSize) break;
      used += written;
    }
    UnmapViewOfFile(out);
  }
  CloseHandle(section);
}

using SystemParametersInfoWFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
SystemParametersInfoWFunction systemParametersInfoW = nullptr;

// The system's answers, but with high contrast on.
BOOL WINAPI HighContrastParameters(UINT action, UINT number, PVOID data, UINT flags) {
  const BOOL done = systemParametersInfoW(action, number, data, flags);
  if (done && action == SPI_GETHIGHCONTRAST) static_cast<HIGHCONTRASTW*>(data)->dwFlags |= HCF_HIGHCONTRASTON;
  return done;
}

// Points the program's import of user32's `name` at `replacement`; false when it imports none.
bool ReplaceImport(const char* name, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name; ++dll) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + dll->Name), "user32.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD protection = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return true;
    }
  }
  return false;
}

// High contrast as Windows turns it on: the system says it is on, the colours become the
// high-contrast scheme's (white on black), and the windows are told of both.
void TurnOnHighContrast(HWND main) {
  // The program now calls into this probe: it must stay loaded after the driver unhooks.
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCSTR>(&TurnOnHighContrast), &self);
  systemParametersInfoW = reinterpret_cast<SystemParametersInfoWFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SystemParametersInfoW")));
  if (!ReplaceImport("SystemParametersInfoW", reinterpret_cast<void*>(&HighContrastParameters))) return;
  const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_GRAYTEXT,
                          COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT};
  const COLORREF colours[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255),
                              RGB(63, 242, 63), RGB(26, 235, 255), RGB(0, 0, 0)};
  SetSysColors(sizeof elements / sizeof elements[0], elements, colours);  // sends WM_SYSCOLORCHANGE
  SendMessageA(main, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "TavistoProbeResult");
  if (!section) return;
  if (char* out = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 64))) {
    std::strcpy(out, "\"SystemParametersInfoW\"");
    UnmapViewOfFile(out);
  }
  CloseHandle(section);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT measure = RegisterWindowMessageA("TavistoProbeMeasure");
  static const UINT highContrast = RegisterWindowMessageA("TavistoProbeHighContrast");
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && message->message == measure) MeasureLabels(message->hwnd);
  if (code == HC_ACTION && message->message == highContrast) TurnOnHighContrast(message->hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
