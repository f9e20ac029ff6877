"""The main lane of one architecture: every check run in one copy of the
tool, then the keys, the About box, the second copy, the planted library and
a close during a run."""
from . import compare
from . import driver_script as ds
from . import model as m
from . import scenarios as sc
from . import texts as t
from .lane import (Lane, PLANTED_MARKER, RUN_TIMEOUT_MS, SCENARIO_FILE, SERVICE_EXE,
                   STARTUP_TIMEOUT_MS, TOOL_DIR, launch_lines, system_dir)


class MainLane(Lane):

    def __init__(self, arch, base, work, display, shots_dir, with_shots, name=None):
        super().__init__(name or arch, base, work, display, shots_dir)
        self.arch = arch
        self.runs = sc.main_lane_runs(with_shots)
        self.with_shots = with_shots

    def architectures(self):
        return [self.arch]

    def script(self):
        s = ds.Script()
        s.add("shots", "on" if self.with_shots else "off")
        s.add("service", "running", SERVICE_EXE)
        s.add("copy", self.write_scenario(0, m.Cards()), SCENARIO_FILE)
        launch_lines(s, "main", self.arch)
        s.add("mark", "startup")
        s.add("dialog", "main", ds.hex_text(t.CHECK_CAPTION), STARTUP_TIMEOUT_MS)
        s.add("state")
        s.add("shot", "dialog")
        launch_lines(s, "second", self.arch)
        s.add("escape")
        library = "full"
        for index, run in enumerate(self.runs, start=1):
            s.add("mark", "run-%d" % index)
            s.add("service", run.service, SERVICE_EXE)
            s.add("copy", self.write_scenario(index, run.cards), SCENARIO_FILE)
            if run.library != library:
                s.add("copy", "%s\\%s\\%s.dll" % (TOOL_DIR, self.arch, run.library),
                      system_dir(self.arch) + "\\winscard.dll")
                library = run.library
            s.add("run", ds.answers_word(run.answers, run.shots), RUN_TIMEOUT_MS)
            if index == 1:
                s.add("shot", "log")
        s.add("mark", "keys")
        s.add("escape")
        s.add("altf4")
        s.add("about", ds.hex_text(t.ABOUT_CAPTION), 20000)
        s.add("state")
        s.add("mark", "second")
        s.add("exit", "second", STARTUP_TIMEOUT_MS)
        s.add("mark", "planted")
        s.add("file", PLANTED_MARKER)
        s.add("mark", "close")
        s.add("service", "running", SERVICE_EXE)
        s.add("copy", self.write_scenario(len(self.runs) + 1, m.Cards()), SCENARIO_FILE)
        s.add("runclose", "Y,Y,Y", ds.hex_text(t.STEP_OK[1]), RUN_TIMEOUT_MS)
        s.add("exit", "main", 60000)
        return s

    def evaluate(self, sections):
        self.evaluate_startup(sections.get("startup"))
        for index, run in enumerate(self.runs, start=1):
            self.record(run.name, self.run_problems(index, run, sections.get("run-%d" % index)))
        self.evaluate_keys(sections.get("keys"))
        self.evaluate_second(sections.get("second"))
        self.evaluate_planted(sections.get("planted"))
        self.evaluate_close(sections.get("close"))

    def evaluate_startup(self, section):
        section = section or []
        dialog = ds.first(section, "DIALOG")
        if dialog is None or dialog[1] != "found":
            problems = ["check dialog never appeared: %s" % (dialog,)]
        else:
            statics = [ds.decode(w) for w in dialog[2:]]
            problems = self.state_problems(section, b"")
            if t.encode(t.INSTRUCTION) not in statics:
                problems.append("instruction text not shown byte for byte: %r" %
                                [s.decode("cp932", "replace") for s in statics])
            if ds.first(section, "ESCAPE") != ["open"]:
                problems.append("Escape on the start button: dialog %s" %
                                ds.first(section, "ESCAPE"))
        self.record("gate win7: check dialog with its caption, empty log, both buttons enabled; "
                    "Escape keeps it open", problems)

    def state_problems(self, section, expected_log):
        problems = []
        log = ds.first(section, "LOG")
        buttons = ds.first(section, "BUTTONS")
        if log is None:
            return ["no log read"]
        difference = compare.text_difference("log", ds.decode(log[0]), expected_log)
        if difference:
            problems.append(difference)
        if buttons != ["1", "1"]:
            problems.append("buttons enabled (exit, start) = %s, expected both" % buttons)
        return problems

    def run_problems(self, index, run, section):
        if section is None:
            return ["not reached"]
        problems = []
        for verb in ("SERVICE", "COPY"):
            for words in ds.all_of(section, verb):
                if words[-1] != "ok" and "error" in words:
                    problems.append("%s %s" % (verb, " ".join(words)))
        got_run = ds.first(section, "RUN")
        if got_run != ["done"]:
            problems.append("run ended: %s" % got_run)
        boxes = [(ds.decode(w[0]), ds.decode(w[1]), int(w[2], 16), w[3])
                 for w in ds.all_of(section, "BOX")]
        problems += compare.box_differences(boxes, run.boxes)
        shown = [ds.decode(w[0]) for w in ds.all_of(section, "BOXLOG")]
        problems += compare.order_problems(boxes, shown, t.encode(run.log))
        problems += self.state_problems(section, t.encode(run.log))
        if run.check_calls:
            problems += self.call_problems(index)
        return problems

    def call_problems(self, index):
        trace = self.tools / "traces" / ("%d.txt" % index)
        if not trace.exists():
            return ["no smart card calls were made"]
        calls = [strip_handles(line) for line in trace.read_text(errors="replace").splitlines()
                 if line.startswith("SCard")]
        if calls != sc.CALLS_OF_ONE_READER:
            return ["smart card calls differ: %s" % calls]
        lines = trace.read_text(errors="replace").splitlines()
        if lines[-1:] != ["unload"] or sum(1 for x in lines if x.startswith("load ")) != 1:
            return ["the library was not loaded once and freed: %s" % lines]
        return []

    def evaluate_keys(self, section):
        section = section or []
        problems = []
        for verb in ("ESCAPE", "ALTF4"):
            if ds.first(section, verb) != ["open"]:
                problems.append("%s: dialog %s" % (verb, ds.first(section, verb)))
        self.record("Escape (on the log box) and Alt+F4 leave the dialog open", problems)
        abouts = ds.all_of(section, "ABOUT")
        problems = []
        if not abouts or abouts[0][0] != "found":
            problems.append("About box did not open: %s" % abouts)
        else:
            statics = [ds.decode(w) for w in abouts[0][1:]]
            if t.encode(t.ABOUT_TITLE) not in statics:
                problems.append("About title line missing: %r" %
                                [s.decode("cp932", "replace") for s in statics])
            if ["owner-disabled", "1"] not in abouts:
                problems.append("About box is not modal to the check dialog")
            if ["closed", "back"] not in abouts:
                problems.append("About box did not close back to the check dialog: %s" % abouts[-1])
        problems += self.state_problems(section, t.encode(self.runs[-1].log))
        self.record("About box (ﾊﾞｰｼﾞｮﾝ情報) opens from the system menu and closes",
                    problems)

    def evaluate_second(self, section):
        exit_line = ds.first(section or [], "EXIT")
        problems = []
        if not exit_line or exit_line[1] != "code":
            problems.append("second copy did not end: %s" % exit_line)
        elif exit_line[-1] != "0":
            problems.append("second copy showed %s window(s)" % exit_line[-1])
        self.record("a second copy exits at once without a window", problems)

    def evaluate_planted(self, section):
        file_line = ds.first(section or [], "FILE")
        problems = []
        if file_line is None:
            problems.append("not reached")
        elif file_line[-1] != "absent":
            loaded = ds.decode(file_line[-1]).decode("cp932", "replace")
            problems.append("planted library was loaded: %s" % loaded)
        self.record("planted WinSCard.dll (beside the exe, in the current directory) not loaded",
                    problems)

    def evaluate_close(self, section):
        section = section or []
        problems = []
        if ds.first(section, "RUN") != ["closed"]:
            problems.append("run did not reach the smart card steps: %s" % ds.first(section, "RUN"))
        exit_line = ds.first(section, "EXIT")
        if not exit_line or exit_line[1] != "code":
            problems.append("process did not end after WM_CLOSE: %s" % exit_line)
        elif int(exit_line[2], 16) >= 0x80000000:
            problems.append("process crashed: exit code %s" % exit_line[2])
        self.record("WM_CLOSE during a run ends the process without a crash", problems)


def strip_handles(line):
    words = [w for w in line.split(" ") if not w.startswith(("context=", "card="))]
    return " ".join(words)
