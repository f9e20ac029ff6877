"""Running Wine programs and X servers for the end-to-end suite.

Wine's output always goes to files: its background services would keep a
pipe open long after the program has ended.
"""
import os
import shutil
import subprocess
import time
from pathlib import Path

WINE64 = "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver64"
BASE_OVERRIDES = "mscoree,mshtml=;winedbg.exe=d"
TOOL_OVERRIDES = BASE_OVERRIDES + ";winscard=n"


JAPANESE = "ja_JP.UTF-8"


def wine_env(prefix, display, overrides=BASE_OVERRIDES, debug="-all", locale=JAPANESE):
    """Wine takes the processes' ANSI code page from the locale: 932 in
    Japanese, 1252 in English."""
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": str(prefix),
        "WINEDEBUG": debug,
        "WINEDLLOVERRIDES": overrides,
        "LANG": locale,
        "LC_ALL": locale,
        "DISPLAY": display,
    })
    return env


def run_wine(prefix, display, args, log_path, timeout):
    """Runs one 64-bit Wine program to its end; returns its exit code."""
    with open(log_path, "ab") as log:
        return subprocess.run([WINE64] + args, env=wine_env(prefix, display),
                              stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                              timeout=timeout).returncode


def start_wine(prefix, display, args, log_path, overrides=BASE_OVERRIDES, debug="-all",
               locale=JAPANESE):
    log = open(log_path, "ab")
    return subprocess.Popen([WINE64] + args,
                            env=wine_env(prefix, display, overrides, debug, locale),
                            stdin=subprocess.DEVNULL, stdout=log, stderr=log)


def wineserver(prefix, flag, log_path, timeout=120):
    with open(log_path, "ab") as log:
        subprocess.run([WINESERVER, flag], env=wine_env(prefix, ""),
                       stdin=subprocess.DEVNULL, stdout=log, stderr=log, timeout=timeout)


def i686_emulated(prefix):
    """Whether the 32-bit programs of this prefix run under an emulator, read
    from their own Linux processes: one that maps the 32-bit libraries while
    the executable behind it is a 64-bit program is qemu-i386, which the
    kernel's binfmt_misc entry started (inside a chroot or a container too,
    where that entry applies though its folder is not mounted). None while no
    32-bit process of the prefix runs."""
    wanted = b"WINEPREFIX=" + str(prefix).encode()
    for process in Path("/proc").iterdir():
        try:
            if not process.name.isdigit() or \
                    wanted not in (process / "environ").read_bytes().split(b"\0"):
                continue
            if "/i386-linux-gnu/" not in (process / "maps").read_text(errors="replace"):
                continue
            with open(process / "exe", "rb") as exe:
                return exe.read(5)[4] == 2  # ELFCLASS64
        except OSError:  # gone meanwhile, or not ours to read
            continue
    return None


class Xvfb:
    """A private X server, used when no display is given."""

    def __init__(self, number, log_path, size="800x600"):
        self.display = ":%d" % number
        self.log = open(log_path, "ab")
        self.process = subprocess.Popen(
            ["Xvfb", self.display, "-screen", "0", size + "x24", "-nolisten", "tcp"],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        socket = Path("/tmp/.X11-unix/X%d" % number)
        for _ in range(100):
            if socket.exists():
                return
            time.sleep(0.05)

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        self.log.close()


def free_display_number(start):
    number = start
    while Path("/tmp/.X%d-lock" % number).exists() or Path("/tmp/.X11-unix/X%d" % number).exists():
        number += 1
    return number
