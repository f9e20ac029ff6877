"""Benchmark of ReaderCheck.exe under Wine (a measurement, not a test).

The tool is measured against a baseline program in the same run: the same
check dialog, worker thread, boxes, log texts, refreshes, scrolls and pauses
replayed from a healthy run, with nothing of the check in it (no service
manager, no smart card library, no version query). The two alternate under
the same UI driver, so what the procedure, Wine and the simulated system
cost is in both and tool / baseline is what the tool adds. Reported per
build and reader count (1 and 4): a whole check's wall time, the time from
process start to the shown dialog and the peak working set, each as a median
with min and max. Then one run of the timed build of the tool
(ReaderCheckTimed.exe) gives the time of every stage; with --record that run
also writes the baseline's script (tools/bench/baseline_script.inc)."""
import argparse
import contextlib
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

from e2e.suite import driver_script as ds
from e2e.suite import main as suite
from e2e.suite import model as m
from e2e.suite import prefix as pfx
from e2e.suite import scenarios as sc
from e2e.suite import texts as t
from e2e.suite import wine
from e2e.suite.lane import (Lane, RUN_TIMEOUT_MS, SCENARIO_FILE, SERVICE_EXE, STARTUP_TIMEOUT_MS,
                            TOOL_DIR, tool_env)

ROOT = Path(__file__).resolve().parents[2]
READER_COUNTS = (1, 4)
WORKER_START_WAIT_MS = 50
STEP_PAUSE_MS = 500
ARCH_LABELS = {"win64": "x86_64", "win32": "i686"}
PROGRAMS = {"tool": "ReaderCheck.exe", "baseline": "ReaderCheckBaseline.exe"}
TIMED_EXE = "ReaderCheckTimed.exe"
SCRIPT_INC = ROOT / "tools" / "bench" / "baseline_script.inc"
STAGE_LINE = re.compile(r'rcstage ([^\\"]*)')


def required_pauses_ms(readers):
    """50 ms after starting the worker, 500 ms before steps 2, 3 and 8 once
    and before steps 4, 5 and 7 for each reader."""
    return WORKER_START_WAIT_MS + STEP_PAUSE_MS * (3 + 3 * readers)


def cards_with(readers):
    return m.Cards(readers=[m.Reader("VORNE QX7300 %d" % i) for i in range(readers)])


def exe_path(arch, exe):
    return "%s\\%s\\%s" % (TOOL_DIR, arch, exe)


def launch(s, name, arch, exe):
    s.add("launch", name, exe_path(arch, exe), "%s\\%s\\cwd" % (TOOL_DIR, arch), *tool_env())
    s.add("dialog", name, ds.hex_text(t.CHECK_CAPTION), STARTUP_TIMEOUT_MS)


def alternated(index):
    """Which program goes first in round `index`: each in turn."""
    names = list(PROGRAMS)
    return names if index % 2 else names[::-1]


@contextlib.contextmanager
def wine_debug(channels):
    """Wine programs started inside write these debug channels."""
    plain = wine.wine_env

    def with_debug(*args, **kwargs):
        env = plain(*args, **kwargs)
        env["WINEDEBUG"] = channels
        return env

    wine.wine_env = with_debug
    try:
        yield
    finally:
        wine.wine_env = plain


class BenchLane(Lane):

    def __init__(self, arch, base, work, display, runs, starts):
        super().__init__("bench-" + arch, base, work, display, work)
        self.arch = arch
        self.runs = runs
        self.starts = starts

    def architectures(self):
        return [self.arch]

    def install_bench_programs(self, bench_bin):
        for exe in (PROGRAMS["baseline"], TIMED_EXE):
            shutil.copy(Path(bench_bin) / exe, self.tools / self.arch / exe)

    def comparison_script(self):
        """Starts alternate, then the runs of both programs alternate while
        both stay open, then each one's counters."""
        s = ds.Script()
        s.add("service", "running", SERVICE_EXE)
        s.add("copy", self.write_scenario(1, cards_with(1)), SCENARIO_FILE)
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
            s.add("copy", self.write_scenario(readers, cards_with(readers)), SCENARIO_FILE)
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
        s.add("copy", self.write_scenario(1, cards_with(1)), SCENARIO_FILE)
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
        with wine_debug("-all,warn+debugstr"):
            sections = self.run_driver(self.stage_script(), timeout=1800)
        runs = parse_stage_log(self.log.read_text(errors="replace") if self.log.exists() else "")
        stages = {"problems": [], "runs": {}}
        line = ds.first(sections.get("timed-start") or [], "STARTUP")
        stages["start"] = int(line[1]) if line else None
        for position, readers in enumerate(READER_COUNTS):
            section = sections.get("stage-%d" % readers) or []
            timing = ds.first(section, "TIMING")
            if ds.first(section, "RUN") != ["done"] or timing is None or position >= len(runs):
                stages["problems"].append("timed run with %d reader(s) did not finish" % readers)
                continue
            values = dict(w.split("=", 1) for w in timing)
            stages["runs"][readers] = {
                "events": runs[position], "wall": int(values["wall"]),
                "answering": int(values["answering"]),
                "log": ds.decode(ds.first(section, "LOG")[0]),
                "boxes": [(ds.decode(w[0]), ds.decode(w[1]), int(w[2], 16))
                          for w in ds.all_of(section, "BOX")]}
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
        return int(values["wall"]), int(values["answering"])


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
            walls = {p: spread([r[0] for r in result["runs"][p][readers] if r])
                     for p in PROGRAMS}
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


def c_string(data):
    """A C literal of these bytes, wrapped at each line end."""
    parts, current = [], ""
    for byte in data:
        if 0x20 <= byte < 0x7f and chr(byte) not in '"\\?':
            current += chr(byte)
        else:
            current += "\\%03o" % byte
        if byte == 0x0a:
            parts.append('"%s"' % current)
            current = ""
    if current or not parts:
        parts.append('"%s"' % current)
    return "\n    ".join(parts)


def baseline_script(stages):
    """The window calls, boxes and pauses of the timed runs, as C++ tables."""
    out = ["// Recorded by `python3 -m tools.bench.bench --record` from healthy runs of the",
           "// timed tool: every window call, box and pause in the order the run made them.",
           "// Texts are code page 932 bytes."]
    entries = []
    for readers, run in sorted(stages["runs"].items()):
        log, boxes, ops = run["log"], run["boxes"], []
        box_index = 0
        for _, _, what, arg in run["events"]:
            if what in ("disable", "enable"):
                ops.append("{'%s', %d}" % ("D" if what == "disable" else "E", arg))
            elif what == "text":
                ops.append("{'T', %d}" % arg)
            elif what == "scroll":
                ops.append("{'S', 0}")
            elif what == "box":
                ops.append("{'B', %d}" % box_index)
                box_index += 1
            elif what == "pause":
                ops.append("{'P', %d}" % arg)
        if box_index != len(boxes) or max(int(o[6:-1]) for o in ops if o[2] == "T") > len(log):
            raise RuntimeError("the run with %d reader(s) does not match its log" % readers)
        out.append("const char LOG_%d[] =\n    %s;" % (readers, c_string(log)))
        out.append("const Box BOXES_%d[] = {" % readers)
        for caption, text, flags in boxes:
            out.append("    {%s,\n     %s, 0x%x}," % (c_string(text), c_string(caption), flags))
        out.append("};")
        out.append("const Op OPS_%d[] = {%s};" % (readers, ", ".join(ops)))
        entries.append("{%d, LOG_%d, OPS_%d, %d, BOXES_%d}" % (readers, readers, readers,
                                                              len(ops), readers))
    out.append("const Script SCRIPTS[] = {%s};" % ", ".join(entries))
    return "\n".join(out) + "\n"


def describe_machine():
    version = subprocess.run([wine.WINE64, "--version"], capture_output=True, text=True)
    load = os.getloadavg()
    print("%s, %d CPUs, load average %.1f %.1f %.1f, %s, %s" % (
        platform.node(), os.cpu_count(), load[0], load[1], load[2], version.stdout.strip(),
        time.strftime("%Y-%m-%d %H:%M")), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--arch", default="win64")  # win64,win32 adds the emulated i686
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--starts", type=int, default=5)
    parser.add_argument("--dist", default=ROOT / "dist")
    parser.add_argument("--work", default=ROOT / "build" / "e2e")  # shares the prepared prefix
    parser.add_argument("--no-stages", action="store_true", help="leave out the timed run")
    parser.add_argument("--record", action="store_true",
                        help="write the baseline's script from the timed x86_64 runs and stop")
    args = parser.parse_args()
    work = Path(args.work).resolve()
    dist = Path(args.dist).resolve()
    work.mkdir(parents=True, exist_ok=True)
    bins = {arch: ROOT / "build" / arch / "e2e" for arch in ARCH_LABELS}
    bench_bins = {arch: ROOT / "build" / ("bench-" + arch) / "bench" for arch in ARCH_LABELS}
    describe_machine()
    displays = suite.Displays(work)
    results, stages = [], {}
    try:
        pfx.ensure_locales()
        base = suite.ensure_base_prefix(work, displays, bins["win64"])
        # One architecture after the other: they would share the two cores.
        for arch in ["win64"] if args.record else args.arch.split(","):
            lane = BenchLane(arch, base, work, displays.get("bench-" + arch), args.runs,
                             args.starts)
            lane.prepare(bins["win64"])
            lane.install_tool(arch, dist, bins)
            lane.install_bench_programs(bench_bins[arch])
            if not args.record:
                print("measuring the %s tool and baseline ..." % ARCH_LABELS[arch], flush=True)
                results.append(lane.measure())
            if args.record or not args.no_stages:
                print("timing the stages of the %s tool ..." % ARCH_LABELS[arch], flush=True)
                stages[arch] = lane.measure_stages()
    finally:
        displays.stop()
    if args.record:
        if stages["win64"]["problems"]:
            print("\n".join(stages["win64"]["problems"]))
            return 1
        SCRIPT_INC.write_text(baseline_script(stages["win64"]))
        print("wrote %s" % SCRIPT_INC)
        return 0
    print_comparison(results, args.runs, args.starts)
    for arch, arch_stages in stages.items():
        print_stages(arch, arch_stages)
    print()
    print("tool/base above 1 is what the tool adds over the procedure's own boxes, refreshes, "
          "scrolls and pauses under this Wine; window: time inside the dialog's window calls; "
          "system: library, service manager and version calls; the rest of a stage is the "
          "simulated smart card library and our own code")
    print("i686 runs under qemu-i386 user emulation on this machine: its times are not Windows "
          "times")
    failed = any(r["problems"] for r in results) or any(s["problems"] for s in stages.values())
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
