"""End-to-end harness: a Wine machine per scenario, a virtual display, and the real tavisto.exe
driven through the test driver (a Windows program that sends window messages).

    machine = WineMachine(work_dir / "machine")     # a fresh prefix with its own home and desktop
    with Display() as display, machine.session():
        app = Tavisto(machine, display, cwd=machine.c(r"C:\\Tools"))
        app.start()
        app.click("Start Analysis")
        assert app.dialog()["text"] == "Finish"
        app.answer("OK")
        report = app.memo()
        app.close()
"""

import contextlib
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

if str(Path(__file__).resolve().parents[2]) not in sys.path:
    sys.path.insert(0, str(Path(__file__).resolve().parents[2]))

from tests.support import wine_prefix  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver"


def wine32_installed() -> bool:
    return os.access(WINE32, os.X_OK)


def is_32bit_program(program) -> bool:
    """True for an i386 Windows program (its PE header's machine field is 0x14C)."""
    if not str(program).lower().endswith(".exe"):
        return False  # one of Wine's own programs ("reg", "regedit"), run as 64-bit
    try:
        with open(program, "rb") as file:
            header = file.read(4096)
    except OSError:
        return False
    if header[:2] != b"MZ" or len(header) < 0x40:
        return False
    pe = int.from_bytes(header[0x3C:0x40], "little")
    return header[pe:pe + 4] == b"PE\0\0" and header[pe + 4:pe + 6] == b"\x4c\x01"


def wine_for(program) -> str:
    """The Wine loader for a program: the 32-bit one runs i386 programs in the same win64
    prefix, as WOW64 does on 64-bit Windows."""
    if not is_32bit_program(program):
        return WINE
    if not wine32_installed():
        raise RuntimeError(f"{program} is a 32-bit program and wine32 is not installed (scripts/can-run-32bit)")
    return WINE32


def source_dir() -> Path:
    return Path(os.environ.get("TAVISTO_SOURCE_DIR", Path(__file__).resolve().parents[2]))


def build_dir() -> Path:
    """The build under test, which holds tavisto.exe, the driver and the fixtures: the one the
    test registration names (win64 or win32); by hand, the build folder we are in, else win64."""
    if "TAVISTO_BUILD_DIR" in os.environ:
        return Path(os.environ["TAVISTO_BUILD_DIR"])
    here = Path.cwd()
    return here if (here / "app" / "tavisto.exe").exists() else source_dir() / "build" / "win64"


def work_root() -> Path:
    return Path(os.environ.get("TAVISTO_E2E_WORK", build_dir() / "e2e"))


def tavisto_exe() -> Path:
    return build_dir() / "app" / "tavisto.exe"


def driver_exe() -> Path:
    return build_dir() / "tests" / "e2e" / "driver" / "tavisto_driver.exe"


def win_path(path) -> str:
    """A Linux path as Windows programs under Wine see it (through drive Z:)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def decode(text: str) -> bytes:
    """The driver writes window texts byte for byte as \\u00XX escapes: get the bytes back."""
    return text.encode("latin-1")


# --- Wine prefixes -------------------------------------------------------------------------

def _wine_env(prefix: Path, home: Path, display=None, extra_path=()) -> dict:
    env = dict(os.environ)
    env.update(WINEPREFIX=str(prefix), WINEDEBUG=env.get("TAVISTO_WINEDEBUG", "-all"), HOME=str(home))
    env.pop("DISPLAY", None)
    if display is not None:
        env["DISPLAY"] = display.name
    if extra_path:
        env["PATH"] = os.pathsep.join([str(p) for p in extra_path] + [env.get("PATH", "")])
    return env


# Wine runs one of its own programs named without a path through start.exe: a Windows process
# more for every reg or cmd call. By its path the 64-bit loader runs it directly.
_BUILTIN_PATHS = {"reg": r"C:\windows\system32\reg.exe", "cmd": r"C:\windows\system32\cmd.exe",
                  "regedit": r"C:\windows\regedit.exe"}


def _builtin_path(program):
    return _BUILTIN_PATHS.get(str(program).lower(), program)


def template_root() -> Path:
    """Where the test run's booted prefix is: the one the test registration names (shared by the
    builds of a source tree), else the one beside the build folders (build/wine-template), else
    one of the build's own."""
    if "TAVISTO_WINE_TEMPLATE" in os.environ:
        return Path(os.environ["TAVISTO_WINE_TEMPLATE"])
    builds = source_dir() / "build"
    return builds / "wine-template" if build_dir().parent == builds else work_root() / "template"


def template_prefix() -> Path:
    """The booted prefix every machine is copied from, made once per test run (under a lock)."""
    return wine_prefix.template(template_root())


def program_view() -> str:
    """The registry view the build under test reads: "32" for the 32-bit build."""
    return "32" if is_32bit_program(tavisto_exe()) else "64"


def _view_switch(view):
    assert view in ("32", "64"), view
    return ["/reg:32"] if view == "32" else []


class WineMachine:
    """A Windows machine of its own: a prefix cloned from the build's template, a home folder
    (whose Desktop is the Windows desktop), and helpers to set it up."""

    def __init__(self, root: Path):
        self.root = Path(root)
        shutil.rmtree(self.root, ignore_errors=True)
        self.prefix = self.root / "prefix"
        self.home = self.root / "home"
        wine_prefix.clone(template_prefix(), self.prefix, self.home)
        users = [u.name for u in (self.prefix / "drive_c" / "users").iterdir() if u.name != "Public"]
        self.user = users[0]
        self.display = None
        # Linux folders searched first for the desktop's helper programs (a recording
        # xdg-email stand-in, for example).
        self.extra_path = []
        # Variables every program of the machine gets: LANG and LC_ALL make a Russian or a
        # Japanese Windows (Wine takes the system's code pages from the Linux locale).
        self.environment = {}
        self._driver = None  # the machine's resident test driver, started on first use

    # Paths
    @property
    def desktop(self) -> Path:
        return self.home / "Desktop"

    @property
    def temp(self) -> Path:
        return self.c(rf"C:\users\{self.user}\Temp")

    def c(self, windows_path: str) -> Path:
        """The Linux path of a path on the machine's drive C: ("C:\\Velmo\\x" -> .../drive_c/Velmo/x)."""
        assert windows_path[:2].upper() == "C:", windows_path
        return self.prefix / "drive_c" / windows_path[3:].replace("\\", "/")

    # Running programs
    def env(self) -> dict:
        return {**_wine_env(self.prefix, self.home, self.display, self.extra_path), **self.environment}

    def run(self, args, cwd=None, check=True, timeout=120, wine=None, env=None):
        """Runs a Windows program to its end (under the given Wine loader, else the one its
        bitness needs), with env's variables added. Output goes through files, not pipes: Wine's
        own background processes inherit the handles and would keep a pipe open for ever."""
        loader = wine or wine_for(args[0])
        if loader == WINE:
            args = [_builtin_path(args[0])] + list(args[1:])
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run([loader] + [str(a) for a in args], cwd=cwd,
                                  env={**self.env(), **(env or {})},
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout)
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(done.args, done.returncode, out.read(), err.read())
        if check and result.returncode != 0:
            raise subprocess.CalledProcessError(result.returncode, result.args, result.stdout, result.stderr)
        return result

    def popen(self, args, cwd=None, winedebug=None, stderr_path=None, **kwargs):
        """Starts a Windows program; its Wine debug output (winedebug channels such as
        "+winemapi") goes to stderr_path when given."""
        env = self.env()
        if winedebug:
            env["WINEDEBUG"] = winedebug
        stderr = open(stderr_path, "wb") if stderr_path else subprocess.DEVNULL
        try:
            return subprocess.Popen([wine_for(args[0])] + [str(a) for a in args], cwd=cwd, env=env,
                                    stdout=subprocess.DEVNULL, stderr=stderr, **kwargs)
        finally:
            if stderr_path:
                stderr.close()

    @contextlib.contextmanager
    def session(self, display=None):
        """Keeps one Wine server up for the scenario (volatile registry keys such as
        HKLM\\Hardware live only as long as it does) and stops everything at the end."""
        self.display = display
        # Without -f the server returns once it listens: a program started before that would
        # start a server of its own, which ends a few seconds after its last program, volatile
        # keys and all.
        subprocess.run([WINESERVER, "-p"], env=self.env(), check=False, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            yield self
        finally:
            self.stop_driver()
            subprocess.run([WINESERVER, "-k"], env=self.env(), check=False, timeout=60)
            subprocess.run([WINESERVER, "-w"], env=self.env(), check=False, timeout=60)
            self.display = None

    def drive(self, args, env=None, timeout=600) -> subprocess.CompletedProcess:
        """Runs one command of the test driver, as `run([driver_exe()] + args)` would, through
        the machine's resident driver: one Windows process for the machine's commands, started
        again when the machine's variables have changed, when it has ended, and after
        stop_driver() (each program start)."""
        environment = self.env()
        if self._driver and not self._driver.serves(environment):
            self.stop_driver()
        if not self._driver:
            self._driver = _ResidentDriver(environment)
        return self._driver.command(args, env or {}, timeout)

    def stop_driver(self):
        if self._driver:
            self._driver.stop()
            self._driver = None

    # Registry. On 64-bit Windows a 32-bit program sees HKLM\SOFTWARE redirected to a 32-bit
    # copy: view "64" is the machine's own registry (what the system and `reg` show), view "32"
    # that copy; program_view() is the one the build under test reads.
    def reg_add(self, key: str, name, value, kind="REG_SZ", view="64"):
        """Sets one value (name None: the key's default value; value None: only the key)."""
        args = ["reg", "add", key, "/f"] + _view_switch(view)
        if name is None and value is not None:
            args += ["/ve"]
        elif name is not None:
            args += ["/v", name]
        if value is not None:
            args += ["/t", kind, "/d", str(value)]
        self.run(args)

    def reg_delete(self, key: str, name=None, view="64"):
        args = ["reg", "delete", key, "/f"] + (["/v", name] if name is not None else []) + _view_switch(view)
        self.run(args, check=False)

    def reg_import(self, text: str, view="64"):
        """Imports a REGEDIT4 text (ANSI); the usual way to set binary or odd-typed values."""
        path = self.root / f"import-{time.monotonic_ns()}.reg"
        path.write_bytes(("REGEDIT4\r\n\r\n" + text.replace("\n", "\r\n")).encode("cp1252"))
        # regedit has no view switch: the 32-bit regedit writes the 32-bit view.
        self.run(["regedit", "/S", win_path(path)], wine=WINE32 if view == "32" else WINE)

    def reg_query(self, key: str, name: str, view="64") -> str:
        # Wine's reg.exe now and then prints nothing at all on a loaded machine: a silent answer
        # is asked again rather than taken for a missing value.
        for _ in range(3):
            done = self.run(["reg", "query", key, "/v", name] + _view_switch(view), check=False)
            out = done.stdout.decode("cp1252", "replace")
            for line in out.splitlines():
                parts = line.strip().split(None, 2)
                if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
                    return parts[2] if len(parts) == 3 else ""
            if out.strip() or done.stderr.strip():
                break
        raise KeyError(f"{key}\\{name}")


# --- The display ---------------------------------------------------------------------------

class Display:
    """A private X server (Xvfb) for one scenario."""

    def __init__(self, width=1024, height=768, existing=None):
        self.size = (width, height)
        self.name = existing  # an X display that is already there (the user's), or None
        self._process = None

    def __enter__(self):
        if self.name:
            return self
        read_end, write_end = os.pipe()
        # -noreset: what a scenario sets on the root window (a work area) outlives the tool that set it.
        self._process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{self.size[0]}x{self.size[1]}x24",
             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number
        return self

    def __exit__(self, *exc):
        if not self._process:
            return
        self._process.terminate()
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()

    def screenshot(self, path: Path):
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-display", self.name, "-window", "root", str(path)], check=True, timeout=60)
        return path


# --- The program ---------------------------------------------------------------------------

class DriverError(AssertionError):
    pass


class _ResidentDriver:
    """tavisto_driver.exe serve on a machine: a command a line, its output up to "#done CODE".
    Its standard error goes to a file; a command's share of it is what it added."""

    def __init__(self, environment: dict):
        self.environment = environment
        self.stderr = tempfile.TemporaryFile()
        self.process = subprocess.Popen([wine_for(driver_exe()), str(driver_exe()), "serve"],
                                        env=environment, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.stderr)
        # Lines are read on a thread of their own, so that a command can be waited for with a
        # time limit; None marks the end of the output.
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line)
        self.lines.put(None)

    def serves(self, environment: dict) -> bool:
        return self.environment == environment and self.process.poll() is None

    def command(self, args, env: dict, timeout: float) -> subprocess.CompletedProcess:
        fields = [f"{name}={value}" for name, value in env.items()] + [str(a) for a in args]
        for field in fields:
            assert "\t" not in field and "\n" not in field, field
        stderr_start = self.stderr.seek(0, os.SEEK_END)
        out, code = [], None
        try:
            self.process.stdin.write(("\t".join(fields) + "\n").encode("utf-8"))
            self.process.stdin.flush()
        except OSError:
            pass  # it has ended: what it left is read below
        deadline = time.monotonic() + timeout
        while code is None:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                self.stop()
                raise subprocess.TimeoutExpired(args, timeout) from None
            if line is None:  # the driver ended in the middle of the command
                code = self.process.wait()
            elif line.startswith(b"#done "):
                code = int(line.split()[1])
            else:
                out.append(line)
        self.stderr.seek(stderr_start)
        return subprocess.CompletedProcess(args, code, b"".join(out), self.stderr.read())

    def stop(self):
        try:
            self.process.stdin.close()
            self.process.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()


def _exit_and_stderr(done) -> str:
    """A finished driver run's exit code and the end of what it wrote to standard error."""
    text = f"exit code {done.returncode}"
    err = done.stderr.decode("utf-8", "replace").strip()
    return text + (f"; standard error: {err[-1500:]}" if err else "; nothing on standard error")


class Tavisto:
    """tavisto.exe running on a machine, worked through the test driver."""

    def __init__(self, machine: WineMachine, cwd: Path = None, exe: Path = None, winedebug=None,
                 stderr_path=None):
        self.machine = machine
        self.exe = Path(exe or tavisto_exe())
        self.winedebug = winedebug
        self.stderr_path = stderr_path
        # The program's working folder: where it looks for the inventory tools.
        self.cwd = Path(cwd) if cwd else machine.root / "cwd"
        self.process = None
        self.handle = None  # of its window, which the driver works from then on

    def start(self, timeout_ms=60000, others=()):
        """Starts the program and waits for its window: a window that none of the running
        Tavisto objects in others has."""
        self.cwd.mkdir(parents=True, exist_ok=True)
        skip = ",".join(str(other.handle) for other in others)
        # A driver of the program's own age: it reads the system's settings (the screen's DPI)
        # when it starts, as the program does.
        self.machine.stop_driver()
        for attempt in (1, 2):
            self.process = self.machine.popen([self.exe], cwd=self.cwd, winedebug=self.winedebug,
                                              stderr_path=self.stderr_path)
            try:
                self.handle = self.driver("wait-window", timeout_ms, env={"TAVISTO_OTHER_WINDOWS": skip}).get("handle")
                return self
            except DriverError:
                # Now and then Wine fails to lay out a new process's memory ("failed to map the
                # shared user data") and the program ends before its first instruction. Tried
                # once more; a program of ours that dies at start dies twice and fails the test.
                if attempt == 2 or self.process.poll() is None:
                    raise
                print(f"tavisto.exe ended (exit code {self.process.returncode}) before its window appeared: "
                      "started once more", file=sys.stderr)

    # Commands that change nothing, so that one which printed nothing may be asked again.
    _ASKING = {"state", "wait-window", "dialog", "memo", "wait-idle", "progress", "labels"}

    def driver(self, *args, check=True, env=None) -> dict:
        command = " ".join(map(str, args))
        # The driver's own time limit (in ms) plus a margin, so it is never cut off first.
        limit = 600 + max((a for a in args if isinstance(a, int)), default=0) / 1000
        env = dict(env or {})
        if self.handle is not None:
            env["TAVISTO_WINDOW"] = str(self.handle)
        for attempt in (1, 2):
            try:
                done = self.machine.drive(list(args), env=env, timeout=limit)
            except subprocess.TimeoutExpired:
                raise DriverError(f"driver {command}: did not end within {limit:.0f} s") from None
            lines = done.stdout.decode("ascii", "replace").strip().splitlines()
            if lines or attempt == 2 or args[0] not in self._ASKING:
                break
            print(f"driver {command} printed nothing ({_exit_and_stderr(done)}); asking once more",
                  file=sys.stderr)
        result = json.loads(lines[-1]) if lines else {"error": "printed nothing"}
        if check and (done.returncode != 0 or "error" in result):
            raise DriverError(f"driver {command}: {result.get('error', result)} ({_exit_and_stderr(done)})")
        return result

    def state(self) -> dict:
        return self.driver("state")

    def control(self, text: str) -> dict:
        for control in self.state()["controls"]:
            if control["text"] == text:
                return control
        raise DriverError(f"no control with text {text!r}")

    def click(self, caption: str):
        return self.driver("click", caption)

    def dialog(self, timeout_ms=120000) -> dict:
        return self.driver("dialog", timeout_ms)

    def answer(self, button="OK", timeout_ms=30000):
        return self.driver("answer", button, timeout_ms)

    def expect_message(self, text: str, timeout_ms=300000):
        """Waits for a message box, checks its text and closes it with OK."""
        box = self.dialog(timeout_ms)
        if box["text"] != text:
            raise DriverError(f"message box says {box['text']!r}, expected {text!r}")
        self.answer("OK")
        return box

    def progress(self, timeout_ms=120000) -> dict:
        """Waits for the progress dialog: its caption, text lines, bar [position, maximum],
        buttons, and whether the main window is enabled meanwhile."""
        return self.driver("progress", timeout_ms)

    def cancel_progress(self, timeout_ms=30000):
        return self.driver("cancel-progress", timeout_ms)

    def memo(self) -> bytes:
        out = self.machine.root / "memo.txt"
        self.driver("memo", win_path(out))
        return out.read_bytes()

    def set_memo(self, data: bytes):
        src = self.machine.root / "memo-in.txt"
        src.write_bytes(data)
        self.driver("set-memo", win_path(src))

    def wait_idle(self, timeout_ms=300000):
        return self.driver("wait-idle", timeout_ms)

    def close(self, timeout_ms=60000):
        self.driver("close", timeout_ms)
        if self.process:
            self.process.wait(timeout=60)
