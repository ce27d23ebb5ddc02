// Child processes through CreateProcessW and a job object; the WOW64 probe through
// IsWow64Process by name.
#include "os/process.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "os/os_error.h"
#include "os/handle.h"
#include "os/library_handle.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};
using KernelHandle = ScopedHandle<KernelHandleTraits>;

// Enough time for a terminated process to let go of its files.
constexpr DWORD kStopGraceMs = 10000;
// How often a running child is looked at (crash handler, the caller's wish to stop).
constexpr DWORD kLookEveryMs = 100;

// An unhandled exception ends a process with its exception code, an NTSTATUS of error
// severity (0xC0000005 for an access violation). Plain exit codes such as -1 are not of
// that form.
bool IsExceptionCode(DWORD code) { return (code & 0xFFFF0000) == 0xC0000000; }

// Wine's crash handler and just-in-time debuggers attach to a crashed process as its debugger
// and keep it alive, waiting for someone to look at it.
bool HeldByCrashHandler(HANDLE process) {
  BOOL attached = FALSE;
  return CheckRemoteDebuggerPresent(process, &attached) && attached;
}

// A job for the child and everything it starts: closing it ends them all. Nothing when the
// system will not give one (Windows 7 refuses a second job to a process already in one).
KernelHandle MakeJob() {
  KernelHandle job(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (job && !SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
    return KernelHandle();
  return job;
}

// Ends every process still in the job and waits until they are gone, so that the files they
// held are free when the caller goes on.
void StopJob(HANDLE job) {
  TerminateJobObject(job, kStillActive);
  for (DWORD waited = 0; waited < kStopGraceMs; waited += kLookEveryMs) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                   nullptr) ||
        accounting.ActiveProcesses == 0)
      return;
    Sleep(kLookEveryMs);
  }
}

// Waits for the process up to the request's limit; the outcome Ended, TimedOut, Cancelled or
// Crashed (held by a crash handler).
RunOutcome WaitFor(HANDLE process, const RunRequest& request) {
  const DWORD started = GetTickCount();
  for (;;) {
    DWORD slice = kLookEveryMs;
    if (request.timeLimitMs != kWaitForever) {
      const DWORD elapsed = GetTickCount() - started;
      if (elapsed >= request.timeLimitMs) return RunOutcome::TimedOut;
      slice = std::min<DWORD>(slice, request.timeLimitMs - elapsed);
    }
    if (WaitForSingleObject(process, slice) != WAIT_TIMEOUT) return RunOutcome::Ended;
    if (HeldByCrashHandler(process)) return RunOutcome::Crashed;
    if (request.keepWaiting && !request.keepWaiting()) return RunOutcome::Cancelled;
  }
}

}  // namespace

RunResult Run(const RunRequest& request) {
  RunResult result;
  // A longer line would be cut, and a cut command line may name another program or file.
  if (request.commandLine.size() > kMaxCommandLine) {
    result.error = ERROR_INVALID_PARAMETER;
    return result;
  }
  // CreateProcessW may write into the command line, so it gets a buffer of its own.
  std::wstring commandLine = win32::Widen(request.commandLine);
  const std::wstring program = win32::Widen(request.program);
  const std::wstring workingFolder = win32::Widen(request.workingFolder);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = request.showState;
  PROCESS_INFORMATION created{};
  // The child inherits the error mode: a crash ends it instead of opening a dialog that waits
  // for a user who never started that program.
  const UINT errorMode = SetErrorMode(0);
  SetErrorMode(errorMode | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const BOOL started = CreateProcessW(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr,
                                      nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &created);
  const DWORD startError = GetLastError();
  SetErrorMode(errorMode);
  if (!started) {
    result.error = startError;
    return result;
  }
  const KernelHandle process(created.hProcess);
  const KernelHandle thread(created.hThread);
  KernelHandle job = MakeJob();
  if (job && !AssignProcessToJobObject(job.Get(), process.Get())) job = KernelHandle();
  ResumeThread(thread.Get());

  result.outcome = WaitFor(process.Get(), request);
  if (result.outcome == RunOutcome::Ended) {
    DWORD exitCode = 0;
    GetExitCodeProcess(process.Get(), &exitCode);
    result.exitCode = exitCode;
    if (IsExceptionCode(exitCode)) result.outcome = RunOutcome::Crashed;
  } else {
    TerminateProcess(process.Get(), kStillActive);
    WaitForSingleObject(process.Get(), kStopGraceMs);
    result.exitCode = result.outcome == RunOutcome::Crashed ? 0 : kStillActive;
  }
  if (job) StopJob(job.Get());
  return result;
}

bool IsRunningOnWow64() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  const LibraryHandle kernel(LoadLibraryA("kernel32.dll"));
  if (!kernel) throw OSError(GetLastError());
  const auto query = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(kernel.Get()), "IsWow64Process")));
  if (!query) return false;
  BOOL wow64 = FALSE;
  if (!query(GetCurrentProcess(), &wow64)) throw OSError(GetLastError());
  return wow64 != FALSE;
}

}  // namespace tavisto::os
