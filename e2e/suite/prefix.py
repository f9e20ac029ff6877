"""The Wine prefix the suite runs in: made once (a Windows 7 setting,
Japanese fonts, a virtual desktop, the stand-in smart card service) and
cached; every lane works on a fresh copy of it."""
import shutil
import subprocess
from pathlib import Path

from . import wine

# Raise when the way the prefix is made changes, so cached ones are remade.
PREFIX_FORMAT = "3"
READY_STAMP = "readercheck-e2e-ready"
MARLETT = Path("/usr/share/wine/fonts/marlett.ttf")

# Windows fonts the dialogs ask for, mapped to the IPA fonts of Debian.
REGISTRY = """Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine]
"Version"="win7"

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"ＭＳ ゴシック"="IPAGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="800x600"
"""


def readercheck_dir(prefix):
    return Path(prefix) / "drive_c" / "readercheck"


def ensure_locales():
    """Japanese for the lanes, English for a tool started on a Windows not set
    to Japanese."""
    listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower()
    for name in ("ja_JP", "en_US"):
        if name.lower() + ".utf8" not in listed:
            subprocess.run(["localedef", "-i", name, "-f", "UTF-8", name + ".UTF-8"], check=True)


def is_ready(prefix):
    stamp = Path(prefix) / READY_STAMP
    return stamp.exists() and stamp.read_text().strip() == PREFIX_FORMAT


def create(prefix, display, bin64, log_path):
    """wineboot -i (both sides), settings, fonts and the service."""
    prefix = Path(prefix)
    shutil.rmtree(prefix, ignore_errors=True)
    prefix.mkdir(parents=True)
    wine.run_wine(prefix, display, ["wineboot", "-i"], log_path, timeout=900)
    wine.wineserver(prefix, "-w", log_path)

    settings = prefix / "drive_c" / "readercheck-settings.reg"
    settings.write_bytes(b"\xff\xfe" + REGISTRY.replace("\n", "\r\n").encode("utf-16-le"))
    wine.run_wine(prefix, display, ["regedit", "/S", "C:\\readercheck-settings.reg"],
                  log_path, timeout=300)
    if not MARLETT.exists():
        raise RuntimeError("%s is missing: install the fonts-wine package" % MARLETT)
    shutil.copy(MARLETT, prefix / "drive_c" / "windows" / "Fonts" / "marlett.ttf")

    # The service must be registered after the prefix has settled, and the
    # registry written back (wineserver -w) before anything else runs.
    tools = readercheck_dir(prefix)
    tools.mkdir(exist_ok=True)
    shutil.copy(Path(bin64) / "scardsvr.exe", tools / "scardsvr.exe")
    shutil.copy(Path(bin64) / "readercheck_driver.exe", tools / "readercheck_driver.exe")
    (tools / "setup.script").write_text("service stopped C:\\readercheck\\scardsvr.exe\n")
    wine.run_wine(prefix, display, ["C:\\readercheck\\readercheck_driver.exe",
                                    "C:\\readercheck\\setup.script",
                                    "C:\\readercheck\\setup.result"], log_path, timeout=300)
    wine.wineserver(prefix, "-w", log_path)
    result = (tools / "setup.result").read_text() if (tools / "setup.result").exists() else ""
    if "SERVICE stopped ok" not in result:
        raise RuntimeError("registering the stand-in service failed: " + result.strip())
    (prefix / READY_STAMP).write_text(PREFIX_FORMAT + "\n")


def copy_for_lane(base, lane_prefix):
    shutil.rmtree(lane_prefix, ignore_errors=True)
    subprocess.run(["cp", "-a", str(base), str(lane_prefix)], check=True)
