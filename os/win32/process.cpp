// Child processes through CreateProcessA; the WOW64 probe through IsWow64Process by name.
#include "os/process.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "os/errors.h"
#include "os/handle.h"

namespace tavisto::os {
namespace {

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};
using KernelHandle = ScopedHandle<KernelHandleTraits>;

struct LibraryTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type module) { FreeLibrary(module); }
};

// Enough time for a terminated process to let go of its files.
constexpr DWORD kStopGraceMs = 10000;
// How often a caller that may stop waiting is asked.
constexpr DWORD kAskEveryMs = 100;

// Waits for the process up to timeLimitMs; the outcome Ended, TimedOut or Cancelled.
RunOutcome WaitFor(HANDLE process, uint32_t timeLimitMs, const KeepWaiting& keepWaiting) {
  if (!keepWaiting) return WaitForSingleObject(process, timeLimitMs) == WAIT_TIMEOUT ? RunOutcome::TimedOut : RunOutcome::Ended;
  const DWORD started = GetTickCount();
  for (;;) {
    DWORD slice = kAskEveryMs;
    if (timeLimitMs != kWaitForever) {
      const DWORD elapsed = GetTickCount() - started;
      if (elapsed >= timeLimitMs) return RunOutcome::TimedOut;
      slice = std::min<DWORD>(slice, timeLimitMs - elapsed);
    }
    if (WaitForSingleObject(process, slice) != WAIT_TIMEOUT) return RunOutcome::Ended;
    if (!keepWaiting()) return RunOutcome::Cancelled;
  }
}

}  // namespace

RunResult RunAndWait(const std::string& commandLine, uint16_t showState, uint32_t timeLimitMs,
                     const KeepWaiting& keepWaiting) {
  RunResult result;
  // A longer line would be cut, and a cut command line may name another program or file.
  if (commandLine.size() > kMaxCommandLine) {
    result.error = ERROR_INVALID_PARAMETER;
    return result;
  }
  // CreateProcessA may write into the command line, so it gets a buffer of its own.
  std::vector<char> buffer(kMaxCommandLine + 1, '\0');
  commandLine.copy(buffer.data(), commandLine.size());

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;  // 68 bytes in a 32-bit build, 104 in a 64-bit one
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showState;
  PROCESS_INFORMATION created{};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &created)) {
    result.error = GetLastError();
    return result;
  }
  const KernelHandle process(created.hProcess);
  const KernelHandle thread(created.hThread);

  if (const RunOutcome waited = WaitFor(process.Get(), timeLimitMs, keepWaiting); waited != RunOutcome::Ended) {
    TerminateProcess(process.Get(), kStillActive);
    WaitForSingleObject(process.Get(), kStopGraceMs);
    result.outcome = waited;
    result.exitCode = kStillActive;
    return result;
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(process.Get(), &exitCode);
  result.outcome = RunOutcome::Ended;
  result.exitCode = exitCode;
  return result;
}

std::optional<bool> QueryWow64Process() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  const ScopedHandle<LibraryTraits> kernel(LoadLibraryA("kernel32.dll"));
  if (!kernel) throw OSError(GetLastError());
  const auto query = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel.Get(), "IsWow64Process")));
  if (!query) return std::nullopt;
  BOOL wow64 = FALSE;
  if (!query(GetCurrentProcess(), &wow64)) throw OSError(GetLastError());
  return wow64 != FALSE;
}

bool RunningUnderWow64() noexcept {
  try {
    return QueryWow64Process().value_or(false);
  } catch (const OSError&) {
    return false;
  }
}

}  // namespace tavisto::os
