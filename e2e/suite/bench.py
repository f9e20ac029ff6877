"""Benchmark of ReaderCheck.exe under Wine (a measurement, not a test): for
a whole check with 1 and with 4 matching readers, the run's wall time
against the pauses the check must make; the time from process start to the
check dialog; the peak working set; the size of each .exe. The UI driver
answers every question at once and times its own answering, which is shown
apart. Prints a small table."""
import argparse
import os
import platform
import statistics
import subprocess
import sys
import time
from pathlib import Path

from . import driver_script as ds
from . import main as suite
from . import model as m
from . import prefix as pfx
from . import scenarios as sc
from . import texts as t
from . import wine
from .lane import Lane, RUN_TIMEOUT_MS, SCENARIO_FILE, SERVICE_EXE, STARTUP_TIMEOUT_MS, launch_lines

READER_COUNTS = (1, 4)
WORKER_START_WAIT_MS = 50
STEP_PAUSE_MS = 500
ARCH_LABELS = {"win64": "x86_64", "win32": "i686"}


def required_pauses_ms(readers):
    """50 ms after starting the worker, 500 ms before steps 2, 3 and 8 once
    and before steps 4, 5 and 7 for each reader."""
    return WORKER_START_WAIT_MS + STEP_PAUSE_MS * (3 + 3 * readers)


def cards_with(readers):
    return m.Cards(readers=[m.Reader("VORNE QX7300 %d" % i) for i in range(readers)])


class BenchLane(Lane):

    def __init__(self, arch, base, work, display, shots_dir, runs, starts):
        super().__init__("bench-" + arch, base, work, display, shots_dir)
        self.arch = arch
        self.runs = runs
        self.starts = starts

    def architectures(self):
        return [self.arch]

    def script(self):
        s = ds.Script()
        s.add("service", "running", SERVICE_EXE)
        s.add("copy", self.write_scenario(0, cards_with(1)), SCENARIO_FILE)
        for start in range(1, self.starts + 1):
            name = "start-%d" % start
            s.add("mark", name)
            launch_lines(s, name, self.arch)
            s.add("dialog", name, ds.hex_text(t.CHECK_CAPTION), STARTUP_TIMEOUT_MS)
            if start == 1:
                self.add_runs(s)
            s.add("click", 1)  # the exit button
            s.add("exit", name, 60000)
        return s

    def add_runs(self, s):
        for readers in READER_COUNTS:
            s.add("copy", self.write_scenario(readers, cards_with(readers)), SCENARIO_FILE)
            for index in range(1, self.runs + 1):
                s.add("mark", "run-%d-%d" % (readers, index))
                s.add("timedrun", ds.answers_word(sc.HAPPY.answers, {}), RUN_TIMEOUT_MS)
        s.add("mark", "memory")
        s.add("counters")

    def measure(self, dist):
        sections = self.run_driver(self.script(), timeout=3600)
        result = {"arch": self.arch, "problems": [], "runs": {}, "starts": []}
        for readers in READER_COUNTS:
            result["runs"][readers] = [self.one_run(sections, readers, i, result["problems"])
                                       for i in range(1, self.runs + 1)]
        for start in range(1, self.starts + 1):
            line = ds.first(sections.get("start-%d" % start) or [], "STARTUP")
            if line is None:
                result["problems"].append("start %d: no check dialog" % start)
            else:
                result["starts"].append(int(line[1]))
        counters = ds.first(sections.get("memory") or [], "COUNTERS") or []
        values = dict(w.split("=", 1) for w in counters)
        peak = values.get("peak_working_set", "-")
        result["peak"] = int(peak) if peak != "-" else None
        result["size"] = (Path(dist) / self.arch / "ReaderCheck.exe").stat().st_size
        return result

    @staticmethod
    def one_run(sections, readers, index, problems):
        section = sections.get("run-%d-%d" % (readers, index)) or []
        timing = ds.first(section, "TIMING")
        boxes = len(ds.all_of(section, "BOX"))
        if ds.first(section, "RUN") != ["done"] or timing is None or boxes != 3:
            problems.append("run %d with %d reader(s): %s, %d boxes" % (
                index, readers, ds.first(section, "RUN"), boxes))
            return None
        values = dict(w.split("=", 1) for w in timing)
        return int(values["wall"]), int(values["answering"])


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def print_table(results, runs, starts, work):
    print()
    print("%-7s %7s %9s %12s %10s %10s %6s %9s" % (
        "arch", "readers", "pauses", "wall", "answering", "program", "ratio", "program/"))
    print("%-7s %7s %9s %12s %10s %10s %6s %9s" % (
        "", "", "ms", "ms", "ms", "ms", "", "pauses"))
    for result in results:
        for readers in READER_COUNTS:
            measured = [r for r in result["runs"][readers] if r is not None]
            pauses = required_pauses_ms(readers)
            wall = median([w for w, _ in measured])
            answering = median([a for _, a in measured])
            program = median([w - a for w, a in measured])
            if wall is None:
                print("%-7s %7d %9d   (no run completed)" % (
                    ARCH_LABELS[result["arch"]], readers, pauses))
                continue
            print("%-7s %7d %9d %12.0f %10.0f %10.0f %6.2f %9.2f" % (
                ARCH_LABELS[result["arch"]], readers, pauses, wall, answering, program,
                wall / pauses, program / pauses))
    print()
    print("%-7s %22s %21s %12s" % ("arch", "start to dialog ms", "peak working set KiB",
                                   ".exe bytes"))
    for result in results:
        start = median(result["starts"])
        print("%-7s %22s %21s %12d" % (
            ARCH_LABELS[result["arch"]], "%.0f" % start if start is not None else "-",
            result["peak"] // 1024 if result["peak"] else "-", result["size"]))
    print()
    print("wall: from the click on the start button until both buttons are enabled again "
          "(median of %d runs; every run and start in %s/bench-*.txt)" % (runs, work))
    print("answering: the driver's own time, from a question box appearing until its answer "
          "closed it (three per run); program = wall - answering")
    print("pauses: what the check must wait: 50 ms after starting the worker, 500 ms before "
          "steps 2, 3, 8 and before steps 4, 5, 7 of each reader")
    print("start to dialog: from CreateProcess in the driver until the check dialog is visible "
          "(median of %d starts)" % starts)
    print("peak working set: GetProcessMemoryInfo PeakWorkingSetSize after all runs; under Wine "
          "this is the Linux process's peak resident size, Wine's own libraries included")
    print("i686 runs under qemu-i386 user emulation on this machine (32-bit Linux programs "
          "cannot run natively here): its times are not Windows times")
    for result in results:
        for problem in result["problems"]:
            print("%s: %s" % (ARCH_LABELS[result["arch"]], problem))


def write_details(work, result):
    path = Path(work) / ("bench-%s.txt" % result["arch"])
    lines = ["%d readers: wall,answering ms: %s" % (readers, result["runs"][readers])
             for readers in READER_COUNTS]
    lines.append("start to dialog ms: %s" % result["starts"])
    path.write_text("\n".join(lines) + "\n")


def describe_machine():
    version = subprocess.run([wine.WINE64, "--version"], capture_output=True, text=True)
    load = os.getloadavg()
    print("%s, %d CPUs, load average %.1f %.1f %.1f, %s, %s" % (
        platform.node(), os.cpu_count(), load[0], load[1], load[2], version.stdout.strip(),
        time.strftime("%Y-%m-%d %H:%M")), flush=True)


def main():
    root = Path(__file__).resolve().parents[2]
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--arch", default="win64,win32")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--starts", type=int, default=3)
    parser.add_argument("--dist", default=root / "dist")
    parser.add_argument("--work", default=root / "build" / "e2e")
    args = parser.parse_args()
    work = Path(args.work).resolve()
    dist = Path(args.dist).resolve()
    work.mkdir(parents=True, exist_ok=True)
    bins = {"win32": root / "build" / "win32" / "e2e", "win64": root / "build" / "win64" / "e2e"}
    describe_machine()
    displays = suite.Displays(work)
    results = []
    try:
        pfx.ensure_japanese_locale()
        base = suite.ensure_base_prefix(work, displays, bins["win64"])
        # One architecture after the other: they would share the two cores.
        for arch in args.arch.split(","):
            print("measuring the %s tool ..." % ARCH_LABELS[arch], flush=True)
            lane = BenchLane(arch, base, work, displays.get("bench-" + arch), work,
                             args.runs, args.starts)
            lane.prepare(bins["win64"])
            lane.install_tool(arch, dist, bins)
            result = lane.measure(dist)
            write_details(work, result)
            results.append(result)
    finally:
        displays.stop()
    print_table(results, args.runs, args.starts, work)
    return 1 if any(r["problems"] for r in results) else 0


if __name__ == "__main__":
    sys.exit(main())
