#!/usr/bin/env python3
"""The console probe, a GUI program, run under Wine as a shell or a script runs tavisto.exe:
its arguments come back exactly as given, as UTF-8 lines ended by CR LF, whether its output is
a pipe or a file; on a terminal (which Wine gives a console of its own) every line shows; with
its output gone (closed, /dev/null) it still runs and ends as it should.

    console_check.py PROBE.exe EMULATOR [EMULATOR ARGS...]
"""
import os
import pty
import re
import subprocess
import sys
import tempfile
import threading

PROBE = sys.argv[1]
EMULATOR = sys.argv[2:]
EXIT_CODE = 7
# Spaces, quotes, backslashes before a quote, an empty argument, and characters outside the
# code page and outside the BMP: Wine quotes each for the Windows command line, the probe
# splits that line again by the system's rules.
ARGUMENTS = ["/report", "C:\\My Files\\r\u00e9sum\u00e9.txt", 'say "hi"', "ends in \\", "", "\u2713 \U0001F600",
             "-DATA"]
EXPECTED_OUT = b"".join(b"[" + a.encode() + b"]\r\n" for a in ARGUMENTS)

failures = []


def run(what, **streams):
    env = dict(os.environ, LC_ALL="C.UTF-8")
    result = subprocess.run(EMULATOR + [PROBE] + ARGUMENTS, env=env, timeout=120, **streams)
    if result.returncode != EXIT_CODE:
        failures.append(f"{what}: exit code {result.returncode}, not {EXIT_CODE}")
    return result


def expect(what, got, wanted):
    if got != wanted:
        failures.append(f"{what}:\n  got    {got!r}\n  wanted {wanted!r}")


def on_terminal(command):
    """Runs command on a terminal of its own; the lines it shows, without the escape sequences
    that Wine's console draws them with."""
    leader, follower = pty.openpty()
    shown = []

    def read():  # while the program runs: a terminal holds only a few kilobytes unread
        while True:
            try:
                chunk = os.read(leader, 65536)
            except OSError:  # the terminal is gone once the program and Wine have ended
                return
            if not chunk:
                return
            shown.append(chunk)

    reader = threading.Thread(target=read)
    reader.start()
    result = subprocess.run(command, env=dict(os.environ, LC_ALL="C.UTF-8"), stdin=follower, stdout=follower,
                            stderr=follower, timeout=120)
    os.close(follower)
    reader.join(timeout=30)
    os.close(leader)
    shown = b"".join(shown)
    lines = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", shown).replace(b"\r", b"").split(b"\n")
    return result.returncode, [line for line in lines if line]


# Output to a pipe, to a file, to nowhere: each run as a script's caller would set it up.
with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "out.txt")
    with open(path, "wb") as file:
        for what, streams, wanted_out, wanted_err in (
                ("a pipe", dict(stdout=subprocess.PIPE, stderr=subprocess.PIPE), EXPECTED_OUT, b"shown\r\n"),
                ("a file", dict(stdout=file, stderr=subprocess.DEVNULL), None, None),
                ("/dev/null", dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL), None, None),
                ("closed", dict(stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                preexec_fn=lambda: os.close(1)), None, None)):
            result = run("output " + what, **streams)
            if wanted_out is not None:
                expect("output " + what, (result.stdout, result.stderr), (wanted_out, wanted_err))
    with open(path, "rb") as file:
        expect("output a file", file.read(), EXPECTED_OUT)

# A terminal, which Wine gives a console of its own. Wine 8's console draws a character outside
# the BMP as two U+FFFD (one per surrogate); the pipe and the file above show that the probe
# wrote it whole.
code, lines = on_terminal(EMULATOR + [PROBE] + ARGUMENTS)
drawn = [line.replace("\ufffd\ufffd".encode(), "\U0001F600".encode()) for line in lines]
expect("output a terminal", (code, drawn), (EXIT_CODE, [b"[" + a.encode() + b"]" for a in ARGUMENTS] + [b"shown"]))

# Started by cmd as the usage says ("start /wait"), the probe attaches to cmd's console, and cmd
# sees its exit code.
windows_probe = "Z:" + os.path.abspath(PROBE).replace("/", "\\")
code, lines = on_terminal(EMULATOR + ["cmd", "/c", f"start /wait {windows_probe} /report r\u00e9sum\u00e9.txt"
                                                  " & echo exit code %ERRORLEVEL%"])
expect("started by cmd", (code, lines),
       (EXIT_CODE, [b"[/report]", "[r\u00e9sum\u00e9.txt]".encode(), b"shown", b"exit code 7"]))

for failure in failures:
    print("FAIL", failure)
print("console check:", "failed" if failures else "passed")
sys.exit(1 if failures else 0)
