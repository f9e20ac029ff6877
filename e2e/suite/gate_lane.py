"""The gate lane: the tool started under other Windows versions."""
from . import driver_script as ds
from . import texts as t
from .lane import Lane, STARTUP_TIMEOUT_MS, launch_lines


class GateLane(Lane):
    """The tool started under other Windows versions: each start must show
    the unsupported-system dialog and end when it is closed."""

    def __init__(self, base, work, display, shots_dir, versions):
        super().__init__("gate", base, work, display, shots_dir)
        self.versions = versions  # [(arch, wine version name, label)]

    def architectures(self):
        return sorted({version[0] for version in self.versions})

    def script(self):
        s = ds.Script()
        for arch, version, label in self.versions:
            name = "%s-%s" % (arch, version)
            s.add("mark", name)
            s.add("version", version)
            launch_lines(s, name, arch)
            s.add("dialog", name, ds.hex_text(t.APP_TITLE), STARTUP_TIMEOUT_MS)
            s.add("click", 1)
            s.add("exit", name, 60000)
            s.add("kill", name)  # a copy left open would hold the mutex
        return s

    def evaluate(self, sections):
        for arch, version, label in self.versions:
            section = sections.get("%s-%s" % (arch, version), [])
            problems = []
            dialog = ds.first(section, "DIALOG")
            if dialog is None or dialog[1] != "found":
                shown = [ds.decode(w).decode("cp932", "replace") for w in (dialog or [])[2:]]
                problems.append("no dialog captioned with the tool's title; shown: %s" % shown)
            elif t.encode(t.UNSUPPORTED_TEXT) not in [ds.decode(w) for w in dialog[2:]]:
                problems.append("unsupported-system message missing")
            exit_line = ds.first(section, "EXIT")
            if not exit_line or exit_line[1] != "code":
                problems.append("did not end after 閉じる: %s" % exit_line)
            self.record("gate %s: unsupported-system dialog, ends on 閉じる" % label, problems)
