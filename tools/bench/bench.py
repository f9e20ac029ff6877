"""Benchmark of ReaderCheck.exe under Wine (a measurement, not a test).

First one run per reader count (1 and 4) of the timed build of the tool
(ReaderCheckTimed.exe) gives the time of every stage, and its window calls,
boxes and pauses become the baseline's replay. Then the tool is measured
against the baseline program: the tool's own check dialog and run, replaying
those calls with nothing of the check in it (no service manager, no smart
card library, no version query). The two alternate under the same UI driver,
so what the procedure, Wine and the simulated system cost is in both and
tool / baseline is what the tool adds. Reported per build and reader count:
a whole check's wall time, the time from process start to the shown dialog
and the peak working set, each as a median with min and max."""
import argparse
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import time

from e2e.suite import driver_script as ds
from e2e.suite import main as suite
from e2e.suite import model as m
from e2e.suite import prefix as pfx
from e2e.suite import scenarios as sc
from e2e.suite import texts as t
from e2e.suite import wine
from e2e.suite.lane import (ARCH_LABELS, Lane, ROOT, RUN_TIMEOUT_MS, SCENARIO_FILE, SERVICE_EXE,
                            STARTUP_TIMEOUT_MS, TOOL_DIR, WORK, launch_lines)

READER_COUNTS = (1, 4)
WORKER_START_WAIT_MS = 50
STEP_PAUSE_MS = 500
PROGRAMS = {"tool": "ReaderCheck.exe", "baseline": "ReaderCheckBaseline.exe"}
TIMED_EXE = "ReaderCheckTimed.exe"
REPLAY_FILE = TOOL_DIR + "\\replay.txt"  # where the baseline reads it
STAGE_LINE = re.compile(r'rcstage ([^\\"]*)')


def required_pauses_ms(readers):
    """50 ms after starting the worker, 500 ms before steps 2, 3 and 8 once
    and before steps 4, 5 and 7 for each reader."""
    return WORKER_START_WAIT_MS + STEP_PAUSE_MS * (3 + 3 * readers)


def cards_with(readers):
    return m.Cards(readers=[m.Reader("VORNE QX7300 %d" % i) for i in range(readers)])


def launch(s, name, arch, exe):
    launch_lines(s, name, arch, exe)
    s.add("dialog", name, ds.hex_text(t.CHECK_CAPTION), STARTUP_TIMEOUT_MS)


def alternated(index):
    """Which program goes first in round `index`: each in turn."""
    names = list(PROGRAMS)
    return names if index % 2 else names[::-1]


class BenchLane(Lane):

    def __init__(self, arch, base, work, display, runs, starts):
        super().__init__("bench-" + arch, base, work, display, work)
        self.arch = arch
        self.runs = runs
        self.starts = starts

    def install_bench_programs(self):
        bench_bin = ROOT / "build" / ("bench-" + self.arch) / "bench"
        for exe in (PROGRAMS["baseline"], TIMED_EXE):
            shutil.copy(bench_bin / exe, self.tools / self.arch / exe)

    def write_replays(self, stages):
        """The baseline's replay of each timed run (tools/bench/baseline.cpp)."""
        for readers, run in stages["runs"].items():
            lines = ["log " + run["log"].hex()]
            boxes = iter(run["boxes"])
            for _, _, what, arg in run["events"]:
                if what == "box":
                    caption, text, _, _ = next(boxes)
                    lines.append("box %d %s %s" % (arg, caption.hex(), text.hex()))
                elif what in ("text", "scroll", "enable", "disable", "pause"):
                    lines.append("%s %d" % (what, arg))
                elif what == "lines":
                    lines.append(what)
            (self.tools / ("replay-%d.txt" % readers)).write_text("\n".join(lines) + "\n")

    def use_readers(self, s, readers):
        """The simulated system of a reader count and the baseline's replay."""
        s.add("copy", self.write_scenario(readers, cards_with(readers)), SCENARIO_FILE)
        s.add("copy", "%s\\replay-%d.txt" % (TOOL_DIR, readers), REPLAY_FILE)

    def comparison_script(self):
        """Starts alternate, then the runs of both programs alternate while
        both stay open, then each one's counters."""
        s = ds.Script()
        s.add("service", "running", SERVICE_EXE)
        self.use_readers(s, 1)
        # The first program after Wine's start-up finds nothing warm: not counted.
        s.add("mark", "warm-up")
        launch(s, "warm-up", self.arch, PROGRAMS["baseline"])
        s.add("click", 1)
        s.add("exit", "warm-up", 60000)
        for start in range(1, self.starts + 1):
            for program in alternated(start):
                name = "start-%s-%d" % (program, start)
                s.add("mark", name)
                launch(s, name, self.arch, PROGRAMS[program])
                s.add("click", 1)  # the exit button
                s.add("exit", name, 60000)
        s.add("mark", "open")
        for program in PROGRAMS:
            launch(s, program, self.arch, PROGRAMS[program])
        for readers in READER_COUNTS:
            self.use_readers(s, readers)
            for index in range(1, self.runs + 1):
                for program in alternated(index):
                    s.add("mark", "run-%s-%d-%d" % (program, readers, index))
                    s.add("dialog", program, ds.hex_text(t.CHECK_CAPTION), 10000)
                    s.add("timedrun", ds.answers_word(sc.HAPPY.answers, {}), RUN_TIMEOUT_MS)
        for program in PROGRAMS:
            s.add("mark", "memory-" + program)
            s.add("dialog", program, ds.hex_text(t.CHECK_CAPTION), 10000)
            s.add("counters")
            s.add("click", 1)
            s.add("exit", program, 60000)
        return s

    def stage_script(self):
        """One run of the timed tool per reader count, with its final log."""
        s = ds.Script()
        s.add("service", "running", SERVICE_EXE)
        s.add("mark", "timed-start")
        launch(s, "timed", self.arch, TIMED_EXE)
        for readers in READER_COUNTS:
            s.add("copy", self.write_scenario(readers, cards_with(readers)), SCENARIO_FILE)
            s.add("mark", "stage-%d" % readers)
            s.add("timedrun", ds.answers_word(sc.HAPPY.answers, {}), RUN_TIMEOUT_MS)
            s.add("state")
        s.add("click", 1)
        s.add("exit", "timed", 60000)
        return s

    def measure(self):
        sections = self.run_driver(self.comparison_script(), timeout=7200)
        result = {"arch": self.arch, "problems": [], "runs": {}, "starts": {}, "peak": {}}
        for program in PROGRAMS:
            result["runs"][program] = {
                readers: [self.one_run(sections, "run-%s-%d-%d" % (program, readers, i),
                                       result["problems"]) for i in range(1, self.runs + 1)]
                for readers in READER_COUNTS}
            starts = []
            for start in range(1, self.starts + 1):
                name = "start-%s-%d" % (program, start)
                line = ds.first(sections.get(name) or [], "STARTUP")
                if line is None:
                    result["problems"].append("%s: no check dialog" % name)
                else:
                    starts.append(int(line[1]))
            result["starts"][program] = starts
            counters = ds.first(sections.get("memory-" + program) or [], "COUNTERS") or []
            values = dict(w.split("=", 1) for w in counters if "=" in w)
            peak = values.get("peak_working_set", "-")
            result["peak"][program] = int(peak) // 1024 if peak.isdigit() else None
        return result

    def measure_stages(self):
        self.log.unlink(missing_ok=True)
        # The timed tool's OutputDebugStringA lines land in the lane's log.
        sections = self.run_driver(self.stage_script(), timeout=1800, debug="-all,warn+debugstr")
        runs = parse_stage_log(self.log.read_text(errors="replace") if self.log.exists() else "")
        stages = {"problems": [], "runs": {}}
        line = ds.first(sections.get("timed-start") or [], "STARTUP")
        stages["start"] = int(line[1]) if line else None
        for position, readers in enumerate(READER_COUNTS):
            section = sections.get("stage-%d" % readers) or []
            timing = ds.first(section, "TIMING")
            boxes = ds.boxes(section)
            if (ds.first(section, "RUN") != ["done"] or timing is None or position >= len(runs) or
                    len(boxes) != sum(1 for event in runs[position] if event[2] == "box")):
                stages["problems"].append("timed run with %d reader(s) did not finish" % readers)
                continue
            values = dict(w.split("=", 1) for w in timing)
            stages["runs"][readers] = {
                "events": runs[position], "wall": int(values["wall"]),
                "answering": int(values["answering"]),
                "log": ds.decode(ds.first(section, "LOG")[0]), "boxes": boxes}
        return stages

    @staticmethod
    def one_run(sections, name, problems):
        section = sections.get(name) or []
        timing = ds.first(section, "TIMING")
        boxes = len(ds.all_of(section, "BOX"))
        if ds.first(section, "RUN") != ["done"] or timing is None or boxes != 3:
            problems.append("%s: %s, %d boxes" % (name, ds.first(section, "RUN"), boxes))
            return None
        values = dict(w.split("=", 1) for w in timing)
        return int(values["wall"])


def parse_stage_log(text):
    """[[(begin us, end us, what, arg)] per run] from Wine's debug output."""
    runs = []
    for match in STAGE_LINE.finditer(text):
        words = match.group(1).split()
        if words[0] == "run":
            runs.append([])
        elif words[0] == "end" and runs:
            runs[-1].append((int(words[1]), int(words[1]), "end", 0))
        elif len(words) == 4 and runs:
            runs[-1].append((int(words[0]), int(words[1]), words[2], int(words[3])))
    return runs


WINDOW_CALLS = ("text", "lines", "scroll", "enable", "disable")
SYSTEM_CALLS = ("load", "export", "free", "version", "scm-open", "scm-list", "scm-close")


def stage_names(readers):
    """What the run does between one pause and the next, in order."""
    names = ["step 2 (reader groups)", "step 3 (reader list), reader 1 header"]
    for reader in range(1, readers + 1):
        names += ["reader %d: step 4 (connect)" % reader,
                  "reader %d: steps 5, 6 (status, ATR, versions)" % reader,
                  "reader %d: step 7 (disconnect), verdict" % reader +
                  (", reader %d header" % (reader + 1) if reader < readers else "")]
    return names + ["step 8 (release), closing line, buttons on"]


def label_events(events, readers):
    """[(stage, begin, end, what)]: every call with the stage it belongs to;
    a call's stage also takes the time since the previous call ended."""
    after_pause = stage_names(readers)
    labelled = []
    stage = "start of the run: buttons off, start text"
    pauses = 0
    service_refresh = None  # the refresh and scroll that end the service check
    for begin, end, what, _ in events:
        if what in ("load", "export"):
            stage = "binding (LoadLibrary, 8 GetProcAddress)"
        elif what == "box":
            stage = "interview (3 boxes, answered by the driver)"
        elif what in ("version", "scm-open", "scm-list", "scm-close"):
            stage = "PC block and service list"
            service_refresh = "pending"
        elif what == "text" and service_refresh == "pending":
            service_refresh = "text"
        elif what == "text" and service_refresh == "text" and pauses == 0:
            stage = "step 1 (context)"
        elif what == "pause":
            labelled.append(("pauses (%d x 500 ms asked)" % (3 + 3 * readers), begin, end, what))
            pauses += 1
            stage = after_pause[pauses - 1] if pauses <= len(after_pause) else "after the pauses"
            continue
        labelled.append((stage, begin, end, what))
    return labelled


def stage_table(events, readers):
    """[(stage, total ms, window calls ms, system calls ms)] in run order."""
    order, totals = [], {}
    previous_end = 0
    for stage, begin, end, what in label_events(events, readers):
        if stage not in totals:
            order.append(stage)
            totals[stage] = [0, 0, 0]
        if what in ("pause", "box"):
            totals[stage][0] += end - begin
        else:
            totals[stage][0] += end - previous_end
        if what in WINDOW_CALLS:
            totals[stage][1] += end - begin
        elif what in SYSTEM_CALLS:
            totals[stage][2] += end - begin
        previous_end = end
    return [(stage,) + tuple(v / 1000.0 for v in totals[stage]) for stage in order]


def spread(values):
    values = [v for v in values if v is not None]
    if not values:
        return None
    return statistics.median(values), min(values), max(values)


def text_spread(s):
    return "-" if s is None else "%.0f (%.0f-%.0f)" % s


def ratio(a, b):
    return "-" if a is None or b is None or not b[0] else "%.3f" % (a[0] / b[0])


def print_comparison(results, runs, starts):
    print()
    print("Whole check: from the click on the start button until both buttons are enabled "
          "again; median (min-max) of %d alternated runs each, ms" % runs)
    print("%-7s %7s %7s %20s %20s %11s %13s" % (
        "build", "readers", "pauses", "tool", "baseline", "tool/base", "tool-base ms"))
    for result in results:
        for readers in READER_COUNTS:
            walls = {p: spread(result["runs"][p][readers]) for p in PROGRAMS}
            tool, base = walls["tool"], walls["baseline"]
            print("%-7s %7d %7d %20s %20s %11s %13s" % (
                ARCH_LABELS[result["arch"]], readers, required_pauses_ms(readers),
                text_spread(tool), text_spread(base), ratio(tool, base),
                "-" if tool is None or base is None else "%.0f" % (tool[0] - base[0])))
    print()
    print("Process start to shown check dialog, median (min-max) of %d alternated starts, ms; "
          "peak working set after all runs, KiB" % starts)
    print("%-7s %20s %20s %11s %10s %10s %11s" % (
        "build", "tool", "baseline", "tool/base", "tool KiB", "base KiB", "tool/base"))
    for result in results:
        tool, base = (spread(result["starts"][p]) for p in PROGRAMS)
        peaks = result["peak"]
        peak_ratio = ("%.3f" % (peaks["tool"] / peaks["baseline"])
                      if peaks["tool"] and peaks["baseline"] else "-")
        print("%-7s %20s %20s %11s %10s %10s %11s" % (
            ARCH_LABELS[result["arch"]], text_spread(tool), text_spread(base), ratio(tool, base),
            peaks["tool"] or "-", peaks["baseline"] or "-", peak_ratio))
    for result in results:
        for problem in result["problems"]:
            print("%s: %s" % (ARCH_LABELS[result["arch"]], problem))


def print_stages(arch, stages):
    print()
    print("Stages of one run of the timed tool (%s); start to dialog %s ms" % (
        ARCH_LABELS[arch], stages.get("start", "-")))
    for readers, run in sorted(stages["runs"].items()):
        table = stage_table(run["events"], readers)
        span = run["events"][-1][1] / 1000.0
        print("%d reader(s): wall %d ms (driver answering %d ms), worker %.0f ms" % (
            readers, run["wall"], run["answering"], span))
        print("  %-58s %9s %9s %9s" % ("stage", "ms", "window", "system"))
        for stage, total, window, system in table:
            print("  %-58s %9.1f %9.1f %9.1f" % (stage, total, window, system))
        print("  %-58s %9.1f" % ("click, thread start, 50 ms wait, driver's polling",
                                 run["wall"] - span))
    for problem in stages["problems"]:
        print("%s: %s" % (ARCH_LABELS[arch], problem))


def describe_machine():
    version = subprocess.run([wine.WINE64, "--version"], capture_output=True, text=True)
    load = os.getloadavg()
    print("%s, %d CPUs, load average %.1f %.1f %.1f, %s, %s" % (
        platform.node(), os.cpu_count(), load[0], load[1], load[2], version.stdout.strip(),
        time.strftime("%Y-%m-%d %H:%M")), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--arch", default="win64")  # win64,win32 adds the i686 build
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--starts", type=int, default=5)
    args = parser.parse_args()
    WORK.mkdir(parents=True, exist_ok=True)
    describe_machine()
    displays = suite.Displays(WORK)
    results, stages, emulated = [], {}, {}
    try:
        pfx.ensure_locales()
        base = suite.ensure_base_prefix(WORK, displays)
        # One architecture after the other: they would share the two cores.
        for arch in args.arch.split(","):
            lane = BenchLane(arch, base, WORK, displays.get("bench-" + arch), args.runs,
                             args.starts)
            lane.prepare()
            lane.install_tool(arch)
            lane.install_bench_programs()
            print("timing the stages of the %s tool ..." % ARCH_LABELS[arch], flush=True)
            stages[arch] = lane.measure_stages()
            lane.write_replays(stages[arch])
            print("measuring the %s tool and baseline ..." % ARCH_LABELS[arch], flush=True)
            results.append(lane.measure())
            emulated[arch] = lane.emulated
    finally:
        displays.stop()
    print_comparison(results, args.runs, args.starts)
    for arch, arch_stages in stages.items():
        print_stages(arch, arch_stages)
    print()
    print("tool/base above 1 is what the tool adds over the procedure's own boxes, refreshes, "
          "scrolls and pauses under this Wine; window: time inside the dialog's window calls; "
          "system: library, service manager and version calls; the rest of a stage is the "
          "simulated smart card library and our own code")
    if emulated.get("win32"):
        print("i686 runs under qemu-i386 user emulation on this machine: its times are not "
              "Windows times")
    failed = any(r["problems"] for r in results) or any(s["problems"] for s in stages.values())
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
