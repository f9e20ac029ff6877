"""End-to-end suite: the real ReaderCheck.exe of both architectures under
Wine, with the simulated smart card library, the stand-in service and the
UI driver, and a leak check over many runs in one process. Prints one line
per scenario, the leak check's counts, and "N passed, N failed"."""
import argparse
import os
import shutil
import sys
import threading
import time
import traceback
from pathlib import Path

from . import prefix as pfx
from . import wine
from .gate_lane import GateLane
from .lane import WORK, e2e_bin
from .leak_lane import LeakLane
from .main_lane import EnglishLane, MainLane

# The 32-bit starts come first: they are slow, and the 64-bit ones then
# finish while the other lanes still run.
GATE_VERSIONS = [
    ("win32", "winxp", "Windows XP (i686)"),
    ("win32", "vista", "Windows Vista (i686)"),
    ("win32", "win10", "Windows 10 (i686)"),
    ("win64", "winxp", "Windows XP (x86_64)"),
    ("win64", "vista", "Windows Vista (x86_64)"),
    ("win64", "win8", "Windows 8 (x86_64)"),
    ("win64", "win10", "Windows 10 (x86_64)"),
]
SHOTS_LANE = "win32"  # the build users get


def parse_args(root):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--work", default=WORK)
    parser.add_argument("--shots", default=root / "docs" / "screenshots")
    # leak: many runs of the x86_64 tool in one process, its counts read
    # after each; leak32 does the same with the i686 tool (under qemu here).
    parser.add_argument("--lanes", default="win32,win64,english,gate,leak,leak32")
    # The i686 tool every lane tests instead of dist/win32's: CI names the
    # signed release file, which must still start and show its dialog.
    parser.add_argument("--tool32")
    return parser.parse_args()


class Displays:
    """The user's display, or one private Xvfb per user of it."""

    def __init__(self, work):
        self.work = work
        self.servers = []

    def get(self, name, size="800x600"):
        if os.environ.get("DISPLAY"):
            return os.environ["DISPLAY"]
        number = wine.free_display_number(90 + len(self.servers) * 3)
        server = wine.Xvfb(number, Path(self.work) / ("xvfb-%s.log" % name), size)
        self.servers.append(server)
        return server.display

    def stop(self):
        for server in self.servers:
            server.stop()


def run_lane(lane, args):
    try:
        lane.prepare()
        for arch in lane.architectures():
            lane.install_tool(arch)
            if arch == "win32" and args.tool32:
                shutil.copy(args.tool32, lane.tools / arch / "ReaderCheck.exe")
        sections = lane.run_driver(lane.script(), timeout=1200)
        lane.evaluate(sections)
    except Exception:  # a broken lane fails its scenarios, never the others
        lane.record("lane %s ran" % lane.name, [traceback.format_exc().strip().splitlines()[-1]])


def resolved(args):
    """Wine wants absolute paths."""
    for name in ("work", "shots"):
        setattr(args, name, Path(getattr(args, name)).resolve())
    return args


def ensure_base_prefix(work, displays):
    base = work / "prefix-base"
    if not pfx.is_ready(base):
        print("preparing the Wine prefix (once, a few minutes) ...", flush=True)
        try:
            pfx.create(base, displays.get("base"), e2e_bin("win64"), work / "wine-base.log")
        finally:
            wine.wineserver(base, "-k", work / "wine-base.log")
    return base


def make_lanes(args, base, displays):
    chosen = args.lanes.split(",")
    made = []
    for arch in ("win32", "win64"):
        if arch in chosen:
            made.append(MainLane(arch, base, args.work, displays.get(arch, MainLane.desktops[arch]),
                                 args.shots, with_shots=arch == SHOTS_LANE))
    if "english" in chosen:
        made.append(EnglishLane(base, args.work, displays.get("english"), args.shots))
    if "gate" in chosen:
        made.append(GateLane(base, args.work, displays.get("gate"), args.shots, GATE_VERSIONS))
    for name, arch in (("leak", "win64"), ("leak32", "win32")):
        if name in chosen:
            made.append(LeakLane(arch, base, args.work, displays.get(name), args.shots, name))
    return made


def report(results, notes, seconds, work):
    passed = failed = 0
    for line, problems in results:
        if problems:
            failed += 1
            print("FAIL %s" % line)
            for problem in problems:
                print("     %s" % problem)
        else:
            passed += 1
            print("PASS %s" % line)
    for note in notes:
        print(note)
    print("(%.0f s; logs in %s)" % (seconds, work))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not passed else 0


def main():
    args = resolved(parse_args(Path(__file__).resolve().parents[2]))
    args.work.mkdir(parents=True, exist_ok=True)
    started = time.time()
    displays = Displays(args.work)
    results = []
    notes = []
    try:
        pfx.ensure_locales()
        base = ensure_base_prefix(args.work, displays)
        lanes = make_lanes(args, base, displays)
        threads = [threading.Thread(target=run_lane, args=(lane, args)) for lane in lanes]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        for lane in lanes:
            results += lane.results
            notes += lane.notes
    except Exception:
        results.append(("preparing the suite", [traceback.format_exc().strip().splitlines()[-1]]))
    finally:
        displays.stop()
    return report(results, notes, time.time() - started, args.work)


if __name__ == "__main__":
    sys.exit(main())
