"""A lane is one copy of the prefix with its own Wine server and display,
where one UI driver process runs a script; lanes run side by side (the
tool's single-copy mutex would otherwise tie them together)."""
import os
import shutil
import subprocess
import time
from pathlib import Path

from . import driver_script as ds
from . import model as m
from . import prefix as pfx
from . import texts as t
from . import wine

ROOT = Path(__file__).resolve().parents[2]
WORK = ROOT / "build" / "e2e"  # the prepared prefix, the lanes' copies, logs
# The two Windows builds: their name in reports, and the system folder of a
# 64-bit prefix that holds their libraries.
ARCH_LABELS = {"win32": "i686", "win64": "x86_64"}
SYSTEM_DIRS = {"win32": "syswow64", "win64": "system32"}

TOOL_DIR = "C:\\readercheck"
SCENARIO_FILE = TOOL_DIR + "\\scenario.txt"
SERVICE_EXE = TOOL_DIR + "\\scardsvr.exe"
PLANTED_MARKER = TOOL_DIR + "\\planted.txt"
STARTUP_TIMEOUT_MS = 300000  # a 32-bit start under qemu on a busy machine
RUN_TIMEOUT_MS = 90000
IDOK = 1  # the check dialog's exit button
IDC_LOG = 1000


def e2e_bin(arch):
    """The end-to-end programs of a build (tools/build-windows.sh --e2e)."""
    return ROOT / "build" / arch / "e2e"


def system_dir(arch):
    return "C:\\windows\\" + SYSTEM_DIRS[arch]


class Lane:
    locale = wine.JAPANESE  # of every program the lane starts
    desktop = "800x600"  # Wine's virtual desktop, and the lane's X screen

    def __init__(self, name, base, work, display, shots_dir):
        self.name = name
        self.prefix = Path(work) / ("prefix-" + name)
        self.base = base
        self.display = display
        self.shots_dir = shots_dir
        self.log = Path(work) / ("wine-" + name + ".log")
        # Whether the lane's 32-bit programs ran under an emulator, as their
        # processes showed while the driver ran; None if none was seen.
        self.emulated = None
        self.results = []  # (scenario line, problems)
        self.notes = []  # lines printed with the results, whatever they are

    def architectures(self):
        """The tools the lane installs: its own build unless it says otherwise."""
        return [self.arch]

    @property
    def tools(self):
        return pfx.readercheck_dir(self.prefix)

    def prepare(self):
        pfx.copy_for_lane(self.base, self.prefix)
        settings = self.prefix / "user.reg"
        settings.write_text(settings.read_text().replace('"Default"="800x600"',
                                                         '"Default"="%s"' % self.desktop))
        for name in ("readercheck_driver.exe", "scardsvr.exe"):
            shutil.copy(e2e_bin("win64") / name, self.tools / name)
        (self.tools / "traces").mkdir(exist_ok=True)
        (self.tools / "scenarios").mkdir(exist_ok=True)

    def write_scenario(self, index, cards):
        """The simulated system of one run, with its own trace file."""
        trace = "%s\\traces\\%d.txt" % (TOOL_DIR, index)
        path = self.tools / "scenarios" / ("%d.txt" % index)
        path.write_bytes(t.encode(cards.scenario_text(trace)))
        return "%s\\scenarios\\%d.txt" % (TOOL_DIR, index)

    def start_tool(self, s, name, index, cards=None):
        """The stand-in service running, the scenario of one working reader
        (or of cards), and the tool started up to its dialog."""
        s.add("service", "running", SERVICE_EXE)
        s.add("copy", self.write_scenario(index, cards or m.Cards()), SCENARIO_FILE)
        launch_lines(s, name, self.arch)
        s.add("dialog", name, ds.hex_text(t.CHECK_CAPTION), STARTUP_TIMEOUT_MS)

    def install_tool(self, arch):
        """The tool, the simulated library in the system directory, and
        planted copies beside the tool and in its working directory."""
        target = self.tools / arch
        (target / "cwd").mkdir(parents=True, exist_ok=True)
        shutil.copy(ROOT / "dist" / arch / "ReaderCheck.exe", target / "ReaderCheck.exe")
        bin_dir = e2e_bin(arch)
        shutil.copy(bin_dir / "winscard.dll", target / "full.dll")
        shutil.copy(bin_dir / "no_control" / "winscard.dll", target / "no_control.dll")
        for place in (target, target / "cwd"):
            shutil.copy(bin_dir / "planted" / "WinSCard.dll", place / "WinSCard.dll")
        installed = self.prefix / "drive_c" / "windows" / SYSTEM_DIRS[arch] / "winscard.dll"
        installed.unlink(missing_ok=True)
        shutil.copy(bin_dir / "winscard.dll", installed)

    def run_driver(self, script, timeout, debug="-all"):
        """Runs the script; Wine's debug channels as WINEDEBUG takes them."""
        (self.tools / "lane.script").write_text(script.text())
        result_path = self.tools / "lane.result"
        result_path.unlink(missing_ok=True)
        # Wine takes the load order from the Unix environment that a new
        # process inherits, so the driver carries the tool's override too;
        # nothing in the driver itself loads the smart card library.
        process = wine.start_wine(self.prefix, self.display,
                                  [TOOL_DIR + "\\readercheck_driver.exe",
                                   TOOL_DIR + "\\lane.script", TOOL_DIR + "\\lane.result"],
                                  self.log, overrides=wine.TOOL_OVERRIDES, debug=debug,
                                  locale=self.locale)
        request = self.tools / "shot-request.txt"
        deadline = time.time() + timeout
        next_look = 0
        while process.poll() is None and time.time() < deadline:
            if request.exists():
                self.take_shot(request)
            if self.emulated is None and time.time() >= next_look:
                self.emulated = wine.i686_emulated(self.prefix)
                next_look = time.time() + 2
            time.sleep(0.1)
        if process.poll() is None:
            process.kill()
        wine.wineserver(self.prefix, "-k", self.log)
        if not result_path.exists():
            return {"": []}
        return ds.parse_results(result_path.read_text(errors="replace"))

    def take_shot(self, request):
        name = request.read_text().strip()
        if not name:
            return  # created but not written yet: the next look reads it
        self.shots_dir.mkdir(parents=True, exist_ok=True)
        with open(self.log, "ab") as log:
            subprocess.run(["import", "-window", "root", str(self.shots_dir / (name + ".png"))],
                           env=dict(os.environ, DISPLAY=self.display),
                           stdout=log, stderr=log, timeout=60)
        request.unlink()

    def record(self, line, problems):
        self.results.append(("[%s] %s" % (self.name, line), problems))


def launch_lines(script, name, arch, exe="ReaderCheck.exe"):
    """Starts a program of the tool's folder in its working directory with
    the driver's environment, which carries Wine's load order of the
    simulated library and the lane's locale."""
    script.add("launch", name, "%s\\%s\\%s" % (TOOL_DIR, arch, exe),
               "%s\\%s\\cwd" % (TOOL_DIR, arch))
