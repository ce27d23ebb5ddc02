#!/usr/bin/env python3
"""Wine machines for the tests: one prefix booted per test run (the template), which every test
that needs a machine of its own gets a copy of in a blink (Wine's own DLLs hard-linked, the rest
copied). Booting writes some 700 MB and takes seconds of CPU; a copy takes a fraction of one.

    wine_prefix.py TEMPLATE [PREFIX [HOME]]

boots the template in folder TEMPLATE when it is missing or another Wine made it, and makes
PREFIX a fresh machine copied from it, whose Windows desktop and user folders are in HOME
(default: PREFIX.home, where scripts/wine-run looks).
"""

import fcntl
import hashlib
import os
import shutil
import subprocess
import sys
from pathlib import Path

WINE = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver"


def wine_env(prefix: Path, home: Path) -> dict:
    env = dict(os.environ)
    env.update(WINEPREFIX=str(prefix), WINEDEBUG="-all", HOME=str(home))
    env.pop("DISPLAY", None)
    return env


SETTINGS = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""
"""


def _flavour() -> str:
    """Which Wine makes a prefix: one booted without wine32 never gains the 32-bit system files,
    and one made by another Wine version, or with other settings, is made anew."""
    version = subprocess.run([WINE, "--version"], capture_output=True, text=True, timeout=60).stdout.strip()
    settings = hashlib.sha1(SETTINGS.encode()).hexdigest()[:12]
    return f"{version} {'wow64' if os.access(WINE32, os.X_OK) else 'win64-only'} settings {settings}\n"


def template(root: Path) -> Path:
    """The test run's booted prefix in root (made once, under a lock); returns its prefix folder."""
    root = Path(root)
    root.parent.mkdir(parents=True, exist_ok=True)
    prefix, home = root / "prefix", root / "home"
    ready = prefix / ".tavisto-ready"
    flavour = _flavour()
    with open(f"{root}.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if ready.exists() and ready.read_text() == flavour:
            return prefix
        shutil.rmtree(root, ignore_errors=True)
        (home / "Desktop").mkdir(parents=True)
        env = wine_env(prefix, home)
        subprocess.run([WINE, "wineboot", "-i"], env=env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        # Without a window manager Wine draws its own caption bars only when told to.
        # winemenubuilder, which each machine's first program started to put Windows shortcuts
        # on a Linux desktop that no test has, is turned off (52 processes in a test run).
        settings = root / "settings.reg"
        settings.write_text(SETTINGS.replace("\n", "\r\n"), encoding="ascii")
        subprocess.run([WINE, "regedit", "/S", "Z:" + str(settings).replace("/", "\\")], env=env,
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        subprocess.run([WINESERVER, "-w"], env=env, check=False, timeout=300)
        if not (prefix / "system.reg").exists():
            raise RuntimeError(f"wineboot made no prefix in {prefix}")
        ready.write_text(flavour)
    return prefix


# Files under these folders are Wine's own programs and libraries, never written while a
# prefix runs: the copies share them through hard links. Everything else is copied.
_SHARED_FOLDERS = ("drive_c/windows/system32/", "drive_c/windows/syswow64/", "drive_c/windows/winsxs/")


def clone(template_prefix: Path, prefix: Path, home: Path):
    """Makes prefix a copy of the template's prefix, its user folders pointing into home."""
    prefix, home = Path(prefix), Path(home)
    shutil.rmtree(prefix, ignore_errors=True)
    for folder, dirs, files in os.walk(template_prefix):
        relative = Path(folder).relative_to(template_prefix)
        target = prefix / relative
        target.mkdir(parents=True, exist_ok=True)
        for name in dirs:
            source = Path(folder) / name
            if source.is_symlink():
                os.symlink(os.readlink(source), target / name)
        dirs[:] = [d for d in dirs if not (Path(folder) / d).is_symlink()]
        for name in files:
            source = Path(folder) / name
            rel = (relative / name).as_posix()
            if source.is_symlink():
                os.symlink(os.readlink(source), target / name)
            elif rel.startswith(_SHARED_FOLDERS):
                os.link(source, target / name)
            else:
                shutil.copy2(source, target / name)
    # The user folders point into the template's home: point them into this machine's home.
    (home / "Desktop").mkdir(parents=True, exist_ok=True)
    for user in (prefix / "drive_c" / "users").iterdir():
        for link in user.rglob("*"):
            if link.is_symlink() and not os.readlink(link).startswith(("../", "/dev")):
                link.unlink()
                os.symlink(home / "Desktop" if link.name == "Desktop" else home, link)


def main():
    if len(sys.argv) not in (2, 3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    made = template(Path(sys.argv[1]).absolute())
    if len(sys.argv) == 2:
        return 0
    prefix = Path(sys.argv[2]).absolute()
    home = Path(sys.argv[3]).absolute() if len(sys.argv) == 4 else Path(f"{prefix}.home")
    shutil.rmtree(home, ignore_errors=True)
    clone(made, prefix, home)
    return 0


if __name__ == "__main__":
    sys.exit(main())
