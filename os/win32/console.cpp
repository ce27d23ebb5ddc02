// The standard handles as the process got them, and the parent's console through AttachConsole.
// A GUI program's standard handles are only there when the starter redirected them (a file, a
// pipe; Wine passes the Linux shell's own); otherwise the console is reached as CONOUT$.
#include "os/console.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

// WriteConsoleW takes a limited buffer on older systems: long lines go in pieces.
constexpr size_t kConsolePiece = 8192;

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

// A handle the process was given that leads somewhere: a file, a pipe, a device or a console.
bool LeadsSomewhere(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  // FILE_TYPE_UNKNOWN is also what a handle that is not open gives: the error code tells them apart.
  SetLastError(NO_ERROR);
  return GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

// The stop the handler sets, and the event it waits on while the console closes. The handler
// runs on a thread of its own that the system starts for it.
std::atomic<bool> stopRequested{false};
HANDLE finishedEvent = nullptr;
// Less than the five seconds the system gives a closing console before it ends the process.
constexpr DWORD kMostCleanUpMs = 4500;

BOOL WINAPI OnConsoleControl(DWORD event) {
  stopRequested = true;
  switch (event) {
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // Returning lets the system end the process at once: the work removes its files first.
      if (finishedEvent) WaitForSingleObject(finishedEvent, kMostCleanUpMs);
      return TRUE;
    default: return TRUE;  // Ctrl+C, Ctrl+Break: the work stops by itself
  }
}

}  // namespace

ConsoleStop::ConsoleStop() {
  stopRequested = false;
  finishedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

ConsoleStop::~ConsoleStop() {
  Finished();
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

bool ConsoleStop::Requested() const noexcept { return stopRequested; }

void ConsoleStop::Finished() noexcept {
  if (finishedEvent) SetEvent(finishedEvent);
}

void Console::OwnedTraits::Close(Type handle) noexcept { CloseHandle(H(handle)); }

Console::Console() {
  // Taken before attaching: attaching may point the standard handles at the console, and a
  // redirected output must keep its lines.
  const HANDLE givenOut = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE givenError = GetStdHandle(STD_ERROR_HANDLE);
  if (LeadsSomewhere(givenOut)) out_ = {reinterpret_cast<intptr_t>(givenOut), IsConsole(givenOut)};
  if (LeadsSomewhere(givenError)) error_ = {reinterpret_cast<intptr_t>(givenError), IsConsole(givenError)};
  if (out_.handle && error_.handle) return;
  // Fails when the parent has no console (Explorer, a service, a Linux shell under Wine), or
  // when this process already has one.
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  openedOutput_.Reset(reinterpret_cast<intptr_t>(console));
  const Output attached{reinterpret_cast<intptr_t>(console), IsConsole(console)};
  if (!out_.handle) out_ = attached;
  if (!error_.handle) error_ = attached;
}

Console::~Console() = default;

void Console::WriteLine(std::string_view line) { Write(out_, line); }

void Console::WriteErrorLine(std::string_view line) { Write(error_, line); }

bool Console::Shown() const noexcept { return out_.handle != 0; }

void Console::Write(const Output& output, std::string_view line) {
  if (!output.handle) return;
  if (output.isConsole) {
    const std::wstring text = win32::Widen(line) + L"\r\n";
    for (size_t at = 0; at < text.size();) {
      size_t count = std::min(kConsolePiece, text.size() - at);
      // A piece never ends between the two halves of a character outside the BMP.
      if (at + count < text.size() && IS_HIGH_SURROGATE(text[at + count - 1])) --count;
      DWORD written = 0;
      if (!WriteConsoleW(H(output.handle), text.data() + at, static_cast<DWORD>(count), &written, nullptr) ||
          written == 0)
        return;
      at += written;
    }
    return;
  }
  // One write for the line and its break, so that lines of two writers do not interleave.
  std::string bytes;
  bytes.reserve(line.size() + 2);
  bytes.append(line);
  bytes.append("\r\n");
  for (size_t at = 0; at < bytes.size();) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 0x40000000));
    DWORD written = 0;
    if (!WriteFile(H(output.handle), bytes.data() + at, want, &written, nullptr) || written == 0) return;
    at += written;
  }
}

}  // namespace tavisto::os
