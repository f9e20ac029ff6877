"""A whole check of the i686 tool under Wine, clicked through by the UI
driver on the user's display (or a private Xvfb), with screenshots: what a
newcomer runs to see the tool work. The simulated system has one working
VORNE QX7300 reader/writer with a card and a running smart card service."""
import argparse
import os
import sys
from pathlib import Path

from . import driver_script as ds
from . import lane as ln
from . import main as suite
from .main_lane import MainLane
from . import prefix as pfx
from . import scenarios as sc

SHOTS = ["01-questions-connected", "02-questions-card", "03-questions-lamp"]


def started(lane):
    """The simulated system up, then the tool started up to its dialog."""
    s = ds.Script()
    s.add("shots", "on")
    lane.start_tool(s, "main", 0)
    return s


def demo_script(lane):
    s = started(lane)
    s.add("shot", "00-dialog")
    s.add("mark", "check")
    s.add("run", ds.answers_word(sc.HAPPY.answers, dict(enumerate(SHOTS))), ln.RUN_TIMEOUT_MS)
    s.add("shot", "04-finished-log")
    s.add("click", 1)  # the exit button
    s.add("exit", "main", 60000)
    return s


def interactive_script(lane):
    """The tool left to the user: the driver only keeps the simulated system
    up until the tool is closed."""
    s = started(lane)
    s.add("exit", "main", INTERACTIVE_MS)
    return s


INTERACTIVE_MS = 8 * 3600 * 1000


def main():
    root = Path(__file__).resolve().parents[2]
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--arch", default="win32", choices=["win32", "win64"])
    parser.add_argument("--shots", default=root / "out" / "screenshots")
    parser.add_argument("--work", default=ln.WORK)
    parser.add_argument("--auto", action="store_true",
                        help="click a whole check through even on the user's display")
    args = parser.parse_args()
    interactive = bool(os.environ.get("DISPLAY")) and not args.auto
    work = Path(args.work).resolve()
    shots = Path(args.shots).resolve()
    work.mkdir(parents=True, exist_ok=True)
    displays = suite.Displays(work)
    try:
        pfx.ensure_locales()
        base = suite.ensure_base_prefix(work, displays)
        lane = MainLane(args.arch, base, work, displays.get("demo"), shots, True,
                        name="demo")
        lane.prepare()
        lane.install_tool(args.arch)
        print("running ReaderCheck.exe (%s) under Wine; a 32-bit start takes a minute ..."
              % args.arch, flush=True)
        if interactive:
            print("when the dialog is open, click 「動 作 確 認 開 始」 and answer はい three "
                  "times; 「終　了」 closes it.", flush=True)
            lane.run_driver(interactive_script(lane), timeout=INTERACTIVE_MS / 1000)
            return 0
        sections = lane.run_driver(demo_script(lane), timeout=900)
    finally:
        displays.stop()
    problems = lane.run_problems(0, sc.HAPPY, sections.get("check"))
    for problem in problems:
        print("  " + problem)
    log = ds.first(sections.get("check") or [], "LOG")
    if log:
        print(ds.decode(log[0]).decode("cp932", errors="replace").replace("\r\n", "\n"))
    print("screenshots: %s" % shots)
    print("check %s" % ("as expected" if not problems else "NOT as expected"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
