// TForm1, the program's one window: the identity panel, the report memo and six buttons.
// The window procedure only routes: one On* per message, one line per command, and each
// button runs its handler through RunHandler, which shows the error box when it fails.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/layout.h"
#include "app/memo_lines.h"
#include "app/window_asker.h"
#include "delivery/get_data.h"
#include "jobs/analysis_job.h"
#include "jobs/session.h"
#include "os/dialogs.h"
#include "sysinfo/exe_info.h"
#include "sysinfo/system_info.h"

namespace tavisto::app {

class TForm1 {
 public:
  TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;
  ~TForm1();

  // Creates the window, runs FormCreate and shows it.
  void Create(int showCommand);
  [[nodiscard]] HWND Handle() const { return handle_; }

  // --- Button handlers (the sender is the clicked button). ---
  void Btn_StartAnalisysClick(HWND sender);
  void Btn_SaveResultClick(HWND sender);
  void Btn_SendResultEmailClick(HWND sender);
  void Btn_GetDataClick(HWND sender);
  void Btn_SaveDataClick(HWND sender);
  void Btn_SendDataEmailClick(HWND sender);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void OnCommand(int id, int notification, HWND control);
  void OnColoursChanged();
  void OnSize(int width, int height);
  void OnGetMinMaxInfo(MINMAXINFO& limits) const;
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  bool OnSetCursor();
  void OnDestroy();

  void FormCreate();
  void FormDestroy();
  void CreateControls();
  void NameControls();
  // Gives the keyboard focus back to the control that had it last (the button that started a
  // job, after its boxes), else to the first control of the tab order.
  void RestoreFocus();
  [[nodiscard]] LRESULT DefaultButton() const;
  void FitCaptionFonts();
  // The form's font at a pixel height, made once.
  HFONT FormFont(int pixelHeight);
  void LayOut(Size client);
  HWND Control(int id) const { return GetDlgItem(handle_, id); }

  // Runs a button handler; an error ends it and shows the application's error box.
  template <typename Handler>
  void RunHandler(HWND sender, Handler&& handler);

  HWND handle_ = nullptr;
  int dpi_ = kDesignDpi;
  Size referenceClient_;  // the client area the scaled design was drawn for
  Size minTrack_;         // the smallest outer size; empty until the window exists
  std::map<int, HFONT> fonts_;   // the form's font at each pixel height in use, owned here
  HFONT font_ = nullptr;
  HFONT captionFont_ = nullptr;  // the form's font, or smaller where a caption would not fit
  int captionWiden_ = 0;         // pixels the caption column grows by
  std::map<int, HFONT> fontOf_;  // by button: the form's font, or smaller where its caption would be cut
  HBRUSH labelBrush_ = nullptr;
  bool highContrast_ = false;  // the system's high-contrast colours are on: no teal panel
  HWND focus_ = nullptr;       // the control that had the keyboard focus last
  bool busy_ = false;  // the hourglass is up

  // Components, in the window's declaration order. The products' archive writers and the data
  // folders Get Data records live in the session the window's jobs share (ArchivioZorvel ...
  // ArchivioTotale by their names there).
  HWND Btn_GetData = nullptr;
  MemoLines Memo1;
  std::unique_ptr<sysinfo::TSystemInfo> SystemInfo;
  HWND Btn_StartAnalisys = nullptr;
  HWND Btn_SaveResult = nullptr;
  HWND Btn_SendResultEmail = nullptr;
  HWND Btn_SaveData = nullptr;
  HWND Btn_SendDataEmail = nullptr;
  std::unique_ptr<sysinfo::TExeInfo> ExeInfo1;

  // What the window's jobs share: the files it writes in our own folder, the products, its
  // Data.zip. Made once the window shows (what killed windows left is swept then), ended with it.
  jobs::Session& Session();
  std::optional<jobs::Session> session_;
  std::unique_ptr<WindowAsker> asker_;
  // The report's identity block and the manifest's facts, from the identity components.
  [[nodiscard]] jobs::AnalysisFacts AnalysisFacts() const;
  [[nodiscard]] delivery::RunFacts RunFacts() const;
  // A box modal to the window.
  os::DialogAnswer Say(const std::string& text, os::DialogIcon icon,
                       std::initializer_list<os::DialogAnswer> buttons = {os::DialogAnswer::Ok},
                       const std::string& caption = os::ApplicationTitle());
};

}  // namespace tavisto::app
