// The floor Start Analysis is measured against: a bare window whose multi-line EDIT control,
// styled, sized and in the font of the report memo (what the control measures every line in),
// is filled with a text file's bytes, and nothing else.
//   edit_floor TEXT [settext | append BYTES]
// settext (the default) puts the whole text in with one WM_SETTEXT; append puts it in with
// appends of BYTES at the end. It prints the milliseconds the fill took and the memo's length.
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string ReadAll(const char* path) {
  std::string text;
  FILE* in = std::fopen(path, "rb");
  if (!in) return text;
  char buffer[1 << 16];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, got);
  std::fclose(in);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: edit_floor TEXT [settext | append BYTES]\n");
    return 2;
  }
  const std::string text = ReadAll(argv[1]);
  const bool append = argc > 3 && std::strcmp(argv[2], "append") == 0;
  const size_t step = append ? std::strtoul(argv[3], nullptr, 10) : 0;

  HWND window = CreateWindowExA(0, "STATIC", "edit floor", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 100, 406, 503,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                  ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                              8, 106, 381, 281, window, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!window || !edit) return 1;
  SendMessageA(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  HFONT font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);

  const DWORD start = GetTickCount();
  if (!append) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  } else {
    for (size_t at = 0; at < text.size(); at += step) {
      const std::string piece = text.substr(at, step);
      SendMessageA(edit, EM_SETSEL, INT_MAX, INT_MAX);
      SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
    }
  }
  const DWORD elapsed = GetTickCount() - start;
  std::printf("%lu ms, %ld characters\n", static_cast<unsigned long>(elapsed),
              static_cast<long>(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0)));
  DestroyWindow(window);
  DeleteObject(font);
  return 0;
}
