"""The main lane of one architecture: every check run in one copy of the
tool, then the keys, the About box, the second copy, the planted library and
a close during a run."""
from . import compare
from . import driver_script as ds
from . import model as m
from . import scenarios as sc
from . import texts as t
from .lane import (IDC_LOG, IDOK, Lane, PLANTED_MARKER, RUN_TIMEOUT_MS, SCENARIO_FILE, SERVICE_EXE,
                   STARTUP_TIMEOUT_MS, TOOL_DIR, launch_lines, system_dir)


class MainLane(Lane):
    # x86_64 shows the dialogs at a high DPI on a small screen too.
    desktops = {"win32": Lane.desktop, "win64": "1280x720"}

    def __init__(self, arch, base, work, display, shots_dir, with_shots, name=None):
        super().__init__(name or arch, base, work, display, shots_dir)
        self.arch = arch
        self.desktop = self.desktops[arch] if name is None else Lane.desktop
        self.runs = sc.main_lane_runs(with_shots)
        self.with_shots = with_shots

    def script(self):
        s = ds.Script()
        s.add("shots", "on" if self.with_shots else "off")
        s.add("mark", "startup")
        self.start_tool(s, "main", 0)
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
            answers = ds.answers_word(run.answers, run.shots)
            if run.about_at:
                s.add("runclose", answers, ds.hex_text(run.about_at), RUN_TIMEOUT_MS, "about")
            else:
                s.add("run", answers, RUN_TIMEOUT_MS, run.clicks or "enter")
            if index == 1:
                s.add("shot", "log")
        s.add("mark", "keys")
        s.add("selectall")
        s.add("enter")
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
        s.add("runclose", "Y,Y,Y", ds.hex_text(t.STEP_OK[4]), RUN_TIMEOUT_MS)
        s.add("exit", "main", 60000)
        if self.arch == "win64":
            self.add_surroundings(s)
        return s

    def add_surroundings(self, s):
        """Starts of their own (x86_64 only: an i686 start costs a minute
        under emulation, and no case depends on the architecture): a dark
        high-contrast scheme, a close while the library hangs, Windows closing
        a copy with its About box open, the dialogs at 120 and 144 DPI (the
        unsupported-system one too), the About box asked for during a run and
        then a close, then a mutex left by an elevated copy (the driver holds
        it to its end)."""
        s.add("mark", "dark")
        s.add("darkcolors")
        self.start_tool(s, "dark", len(self.runs) + 2)
        s.add("run", "Y,Y,Y", RUN_TIMEOUT_MS)
        s.add("pixels", IDC_LOG)
        s.add("shot", "dark")
        s.add("click", IDOK)
        s.add("exit", "dark", 60000)
        s.add("mark", "hang")
        index = len(self.runs) + 3
        self.start_tool(s, "hang", index, sc.one_reader(control_hang=60000))
        s.add("runclose", "Y,Y,Y", ds.hex_text("hang SCardControl"), RUN_TIMEOUT_MS, "close",
              "%s\\traces\\%d.txt" % (TOOL_DIR, index))
        s.add("exit", "hang", 15000)  # the run's 10 s and a margin
        s.add("mark", "about-endsession")
        launch_lines(s, "again", self.arch)
        s.add("dialog", "again", ds.hex_text(t.CHECK_CAPTION), 60000)
        s.add("about", ds.hex_text(t.ABOUT_CAPTION), 20000, "endsession")
        s.add("exit", "again", 30000)
        for dpi in (120, 144):
            s.add("mark", "dpi-%d" % dpi)
            s.add("dpi", dpi)
            self.start_tool(s, "dpi%d" % dpi, index + dpi)
            s.add("about", ds.hex_text(t.ABOUT_CAPTION), 20000)
            s.add("click", IDOK)
            s.add("exit", "dpi%d" % dpi, 60000)
        s.add("version", "winxp")
        launch_lines(s, "unsupported", self.arch)
        s.add("dialog", "unsupported", ds.hex_text(t.APP_TITLE), STARTUP_TIMEOUT_MS)
        s.add("click", IDOK)
        s.add("exit", "unsupported", 60000)
        s.add("version", "win7")
        s.add("dpi", 96)
        s.add("mark", "about-close")
        self.start_tool(s, "aboutclose", index + 1)
        s.add("runclose", "Y,Y,Y", ds.hex_text(t.STEP_OK[4]), RUN_TIMEOUT_MS, "about-close")
        s.add("exit", "aboutclose", 15000)  # the run's 10 s and a margin
        s.add("kill", "aboutclose")  # a copy left open would hold the mutex
        s.add("mark", "denied")
        s.add("denymutex", ds.hex_text(t.CHECK_CAPTION))
        launch_lines(s, "denied", self.arch)
        s.add("exit", "denied", STARTUP_TIMEOUT_MS)

    def evaluate_dark(self, section):
        section = section or []
        pixels = ds.first(section, "PIXELS")
        problems = [] if ds.first(section, "RUN") == ["done"] else [
            "run: %s" % ds.first(section, "RUN")]
        # White text on black: the log's letters must show bright pixels (in
        # black on black there are none) on a mostly black box.
        if pixels is None or pixels[0] != str(IDC_LOG):
            problems.append("log box pixels not read: %s" % pixels)
        else:
            bright, dark, total = int(pixels[2]), int(pixels[4]), int(pixels[6])
            if bright < 200 or dark < total // 2:
                problems.append("log box shows %d bright and %d dark of %d pixels" %
                                (bright, dark, total))
        exit_line = ds.first(section, "EXIT")
        if not exit_line or exit_line[1] != "code":
            problems.append("did not end with the exit button: %s" % exit_line)
        self.record("high contrast (white on black): the log is written in the window-text colour",
                    problems)

    def evaluate_denied(self, section):
        section = section or []
        problems = quiet_exit_problems(section)
        if ds.first(section, "DENYMUTEX") != ["held", "denied"]:
            problems.append("mutex not held with a denying access list: %s" %
                            ds.first(section, "DENYMUTEX"))
        self.record("a mutex held by an elevated copy (access denied): exits at once without a "
                    "window", problems)

    def evaluate(self, sections):
        self.evaluate_startup(sections.get("startup"))
        for index, run in enumerate(self.runs, start=1):
            self.record(run.name, self.run_problems(index, run, sections.get("run-%d" % index)))
        self.evaluate_keys(sections.get("keys"))
        self.evaluate_second(sections.get("second"))
        self.evaluate_planted(sections.get("planted"))
        self.evaluate_close(sections.get("close"))
        if self.arch == "win64":
            self.evaluate_denied(sections.get("denied"))
            self.evaluate_dark(sections.get("dark"))
            self.evaluate_hang(sections.get("hang") or [], sections.get("about-endsession") or [])
            self.evaluate_screens(sections.get("keys") or [], sections.get("dpi-120") or [],
                                  sections.get("dpi-144") or [])
            section = sections.get("about-close") or []
            problems = [] if ds.first(section, "RUN") == ["closed"] else [
                "the run never reached its smart card steps: %s" % ds.first(section, "RUN")]
            if (ds.first(section, "EXIT") or [""])[1:2] != ["code"]:
                problems.append("the process did not end within 15 s: %s" %
                                ds.first(section, "EXIT"))
            self.record("the About box asked for during a run, then WM_CLOSE: the process ends "
                        "within 10 s (and a margin)", problems)

    def evaluate_hang(self, hang, again):
        problems = [] if ds.first(hang, "RUN") == ["closed"] else [
            "the run never hung in its control call: %s" % ds.first(hang, "RUN")]
        if (ds.first(hang, "EXIT") or [""])[1:2] != ["code"]:
            problems.append("the process did not end within 15 s: %s" % ds.first(hang, "EXIT"))
        if (ds.first(again, "DIALOG") or [""])[1:2] != ["found"]:
            problems.append("a copy started next did not run: %s" % ds.first(again, "DIALOG"))
        self.record("WM_CLOSE while the library hangs in SCardControl: the process ends within "
                    "10 s (and a margin), and a copy started next runs", problems)
        problems = [] if (ds.first(again, "ABOUT") or [""])[0] == "found" else ["no About box"]
        if (ds.first(again, "EXIT") or [""])[1:2] != ["code"]:
            problems.append("the process did not end by itself: %s" % ds.first(again, "EXIT"))
        self.record("Windows closes the program while the About box is open "
                    "(WM_QUERYENDSESSION, WM_ENDSESSION): the process ends by itself", problems)

    def evaluate_screens(self, keys, dpi120, dpi144):
        problems = ["%d DPI: the title line needs %s px" % (dpi, " ".join(fit))
                    for dpi, fit in ((96, about_line(keys, "fit")), (120, about_line(dpi120, "fit")),
                                     (144, about_line(dpi144, "fit")))
                    if len(fit) != 3 or int(fit[0]) > int(fit[2])]
        self.record("the About box's title line fits its control at 96, 120 and 144 DPI",
                    problems)
        shown = ds.all_of(dpi144, "PLACE") + [[], []]  # the check dialog's, the unsupported's
        places = [("check dialog", shown[0]), ("unsupported-system dialog", shown[1]),
                  ("About box", about_line(dpi144, "place"))]
        problems = ["%s: %s" % (name, " ".join(words) or "not shown")
                    for name, words in places if not starts_inside(words)]
        self.record("144 DPI on a 1280 x 720 desktop: every dialog starts inside the work area",
                    problems)

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
            if ds.first(section, "DEFID") != ["0x534b0001"]:  # DC_HASDEFID, IDOK
                problems.append("default id: %s" % ds.first(section, "DEFID"))
        self.record("gate win7: check dialog with its caption, empty log, both buttons enabled, "
                    "the exit button the default id; Escape keeps it open", problems)

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
        boxes = ds.boxes(section)
        problems += compare.box_differences(boxes, run.boxes)
        problems += ["box %d: %s" % (number, " ".join(words[4:]))
                     for number, words in enumerate(ds.all_of(section, "BOX"), start=1)
                     if words[4:] != ["owned", "disabled"]]
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
        selection = ds.first(section, "SELECTION") or []
        problems = [] if selection[:1] == ["0"] and selection[1:2] == selection[3:4] != ["0"] else [
            "selection (start, end, of length): %s" % selection]
        if ds.first(section, "ENTER") != ["open"]:
            problems.append("Enter on the log box: dialog %s" % ds.first(section, "ENTER"))
        self.record("Ctrl+A typed in the finished log selects all of it; Enter there does nothing",
                    problems)
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
        self.record("a second copy exits at once without a window",
                    quiet_exit_problems(section or []))

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
        self.record("WM_CLOSE during the smart card steps: the card is disconnected, the context "
                    "released and the library freed before the process ends",
                    self.close_problems(section or [], len(self.runs) + 1))

    def close_problems(self, section, index):
        problems = []
        if ds.first(section, "RUN") != ["closed"]:
            problems.append("run did not reach the smart card steps: %s" % ds.first(section, "RUN"))
        exit_line = ds.first(section, "EXIT")
        if not exit_line or exit_line[1] != "code":
            problems.append("process did not end: %s" % exit_line)
        elif int(exit_line[2], 16) >= 0x80000000:
            problems.append("process crashed: exit code %s" % exit_line[2])
        return problems + self.trace_after_close(index)

    def trace_after_close(self, index):
        trace = self.tools / "traces" / ("%d.txt" % index)
        lines = trace.read_text(errors="replace").splitlines() if trace.exists() else []
        calls = [line.split(" ")[0] for line in lines if line.startswith("SCard")]
        if "SCardConnectA" not in calls:
            return ["the run was closed before it connected: %s" % lines]
        given_back = calls[calls.index("SCardConnectA") + 1:]
        given_back = [c for c in given_back if c not in ("SCardStatusA", "SCardControl")]
        if given_back != ["SCardDisconnect", "SCardReleaseContext"] or lines[-1:] != ["unload"]:
            return ["not given back in order before the end: %s" % lines]
        return []


def about_line(section, word):
    """The words after word of the About box line that starts with it."""
    return next((w[1:] for w in ds.all_of(section, "ABOUT") if w[:1] == [word]), [])


def starts_inside(place):
    """PLACE words: the window's left and top lie inside the work area."""
    numbers = [int(w) for w in place if w != "in"]
    return len(numbers) == 8 and numbers[0] >= numbers[4] and numbers[1] >= numbers[5]


def quiet_exit_problems(section):
    exit_line = ds.first(section, "EXIT")
    if not exit_line or exit_line[1] != "code":
        return ["did not end: %s" % exit_line]
    if exit_line[-1] != "0":
        return ["showed %s window(s)" % exit_line[-1]]
    return []


def strip_handles(line):
    words = [w for w in line.split(" ") if not w.startswith(("context=", "card="))]
    return " ".join(words)


class EnglishLane(MainLane):
    """A Windows whose language for programs that are not Unicode is English
    (x86_64; the texts' way to the windows is the same in both builds): a
    whole run read back through the W functions, then Windows closing the
    program during the smart card steps, as an installer's Restart Manager
    does."""
    locale = "en_US.UTF-8"

    def __init__(self, base, work, display, shots_dir):
        super().__init__("win64", base, work, display, shots_dir, False, name="english")

    def script(self):
        s = ds.Script()
        s.add("shots", "on")
        s.add("mark", "english")
        self.start_tool(s, "english", 1)
        s.add("run", ds.answers_word(sc.HAPPY.answers, {2: "english"}), RUN_TIMEOUT_MS)
        s.add("mark", "endsession")
        s.add("copy", self.write_scenario(2, m.Cards()), SCENARIO_FILE)
        s.add("runclose", "Y,Y,Y", ds.hex_text(t.STEP_OK[4]), RUN_TIMEOUT_MS, "endsession")
        s.add("exit", "english", 60000)
        return s

    def evaluate(self, sections):
        problems = self.run_problems(1, sc.HAPPY, sections.get("english"))
        trace = self.tools / "traces" / "1.txt"
        code_page = [x for x in trace.read_text(errors="replace").splitlines()
                     if x.startswith("codepage ")] if trace.exists() else []
        if code_page in ([], ["codepage 932"]):
            problems.append("the tool's ANSI code page is not another one: %s" % code_page)
        self.record("a Windows not set to Japanese (%s): the happy run's boxes and log, read "
                    "through the W functions" % " ".join(code_page), problems)
        section = sections.get("endsession") or []
        problems = self.close_problems(section, 2)
        if ds.first(section, "ENDSESSION") != ["query", "1", "handled"]:
            problems.append("end of session not taken: %s" % ds.first(section, "ENDSESSION"))
        self.record("Windows closes the program during the smart card steps (WM_QUERYENDSESSION, "
                    "WM_ENDSESSION): the same give-back as a close, and the program ends",
                    problems)
