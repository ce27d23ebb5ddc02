// Loaded into the driven program by a message hook the driver sets, so that each label's and
// button's text is measured with the font the control really draws with: a font belongs to the
// process that made it. The results go to a shared section the driver created, one JSON object
// per control.
#include <windows.h>

#include <cstdio>

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

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT measure = RegisterWindowMessageA("TavistoProbeMeasure");
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && message->message == measure) MeasureLabels(message->hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
