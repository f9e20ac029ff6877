"""The tool's resource counts as the UI driver reads them after each run
(its COUNTERS lines), which of them Wine really provides, and the judgement
of a series of runs: no count may end above where it stood once the first
runs have warmed up, nor keep climbing."""
import itertools
import statistics
from dataclasses import dataclass
from typing import List, Optional

MAX_TREND = 2.0


def parse(words):
    """{name: int or None} from the words of one COUNTERS line."""
    values = {}
    for word in words:
        if "=" not in word:
            continue  # "-": nothing could be read
        name, _, value = word.partition("=")
        values[name] = None if value in ("", "-") else int(value)
    return values


@dataclass
class Counter:
    label: str
    source: str  # where the value comes from
    key: str
    note: str = ""  # why this source and not the usual call


def _api_works(samples, key):
    """A live GUI process always has handles, GDI and USER objects: a call
    that only ever says 0 (or nothing) is not implemented."""
    return any(s.get(key) for s in samples)


def _choose(samples, api_key, api_source, fallback_key, fallback_source, label):
    if _api_works(samples, api_key):
        return Counter(label, api_source, api_key)
    if any(s.get(fallback_key) is not None for s in samples):
        note = "%s always 0 here (not implemented by Wine); counted from %s instead" % (
            api_source, fallback_source)
        return Counter(label, fallback_source, fallback_key, note)
    return Counter(label, "not measurable", "", "%s always 0 and %s unreadable" % (
        api_source, fallback_source))


def judged_counters(samples):
    """The counts the check judges, each from the best source that works."""
    return [
        _choose(samples, "handle_api", "GetProcessHandleCount", "handles",
                "the system handle list (NtQuerySystemInformation)", "handles"),
        _choose(samples, "gdi_api", "GetGuiResources(GR_GDIOBJECTS)", "gdi_table",
                "the used entries of the process's GDI handle table", "GDI objects"),
        _choose(samples, "user_api", "GetGuiResources(GR_USEROBJECTS)", "windows",
                "the windows the process owns (top-level, child, message-only; "
                "menus, icons and cursors are not seen)", "USER objects"),
        Counter("threads", "Toolhelp32 thread snapshot", "threads"),
    ]


def memory_counter(samples):
    """The process's own memory: private bytes, or where Wine leaves them
    at 0 its pagefile usage (what Wine counts as the process's anonymous
    memory; under qemu that includes the emulator's translated code)."""
    if _api_works(samples, "private"):
        return Counter("private bytes", "GetProcessMemoryInfo PrivateUsage", "private")
    return Counter("pagefile usage", "GetProcessMemoryInfo PagefileUsage", "pagefile",
                   "PrivateUsage always 0 here (not filled by Wine)")


def trend(values):
    """The rise of the least-squares line through the values, first to last."""
    return statistics.linear_regression(range(len(values)), values).slope * (len(values) - 1)


def growth_problems(series: List[Optional[int]], warmup, allowed=0, max_trend=MAX_TREND,
                    settle=1):
    """series[i] is the value after run i+1. The run after the warm-up runs
    is the reference: the end (the lowest of the last `settle` runs) must
    not be above it by more than `allowed`, and the line that fits the
    judged runs must not rise by max_trend or more (a steady climb, even one
    that a late drop hides from the first rule; one object made late and
    kept is not one)."""
    if any(v is None for v in series):
        return ["not read after every run"]
    judged = series[warmup:]
    reference, end = judged[0], min(judged[-settle:])
    problems = []
    if end > reference + allowed:
        at = ("after run %d" % len(series) if settle == 1 else
              "lowest of runs %d-%d" % (len(series) - settle + 1, len(series)))
        problems.append("%s: %d, %s %d after run %d" % (
            at, end, "above" if not allowed else "more than %d above" % allowed, reference,
            warmup + 1))
    rise = trend(judged)
    if rise >= max_trend:
        problems.append("climbs steadily: the fitted line rises by %.1f over runs %d-%d" % (
            rise, warmup + 1, len(series)))
    return problems


def compact(series):
    """'5 7 8x47': equal neighbours as value x count."""
    words = []
    for value, run in itertools.groupby(series):
        count = len(list(run))
        words.append(str(value) + ("x%d" % count if count > 1 else ""))
    return " ".join(words)


def kib_points(series, runs):
    """A memory series in KiB at a few runs."""
    return " ".join("%d:%d" % (r, series[r - 1] // 1024) for r in runs
                    if r <= len(series) and series[r - 1] is not None)


def kib_per_run(series, warmup):
    """The mean change per run after the warm-up, in KiB."""
    judged = series[warmup:]
    if len(judged) < 2 or any(v is None for v in judged):
        return "change per run unknown"
    return "%+.1f KiB per run over runs %d-%d" % (
        (judged[-1] - judged[0]) / 1024 / (len(judged) - 1), warmup + 1, len(series))


def changes(before, after):
    """'Key +45 File -1' for the names whose value differs."""
    words = []
    for name in sorted(set(before) | set(after)):
        change = (after.get(name) or 0) - (before.get(name) or 0)
        if change:
            words.append("%s %+d" % (name, change))
    return " ".join(words)
