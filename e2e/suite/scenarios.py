"""The check runs of the suite: what the simulated system is, what the user
answers, and what must appear. All of them run one after another in one
copy of the tool per architecture."""
from dataclasses import dataclass, field, replace
from typing import List, Tuple

from . import model as m
from . import texts as t


@dataclass
class CheckRun:
    name: str
    answers: List[str]
    boxes: List[Tuple[str, str, int]]
    log: str
    cards: m.Cards = field(default_factory=m.Cards)
    service: str = "running"
    library: str = "full"  # or "no_control": the library without SCardControl
    shots: dict = field(default_factory=dict)  # answer index -> screenshot name
    check_calls: bool = False  # compare the smart card calls with CALLS_OF_ONE_READER
    clicks: int = 1  # start-button clicks posted back to back; 0: Enter pressed instead
    about_at: str = ""  # the About box asked for once the log shows this


def interview_stop(name, answers, questions, outcome):
    """A run that the interview ends: the questions asked, then the outcome's
    warning box (with its own caption) and framed log entry."""
    box_text, caption, log_text = outcome
    boxes = [m.question(q) if q != "N1" else (t.N1[0], t.N1[1], m.NOTICE) for q in questions]
    boxes.append(m.warning(box_text, caption))
    return CheckRun(name, answers + ["O"], boxes, t.START + m.framed(log_text))


def service_stop(name, service, outcome):
    box_text, log_text = outcome
    return CheckRun(name, m.INTERVIEW_PASS + ["O"], m.INTERVIEW_PASS_BOXES + [m.warning(box_text)],
                    t.START + m.pc_block() + m.framed(log_text), service=service)


def full(name, cards, **options):
    answers, boxes, log = m.full_run(cards)
    return CheckRun(name, answers, boxes, log, cards=cards, **options)


def one_reader(**fields):
    return m.Cards(readers=[m.Reader("VORNE QX7300 0", **fields)])


INTERVIEW_RUNS = [
    interview_stop("interview F1: not connected", ["N"], [1], t.F1),
    interview_stop("interview F2: no card", ["Y", "N"], [1, 2], t.F2),
    interview_stop("interview F3: steady red", ["Y", "Y", "N", "Y"], [1, 2, 3, 4], t.F3),
    interview_stop("interview F4: blinking red, N1, not red again",
                   ["Y", "Y", "N", "N", "Y", "O", "N"], [1, 2, 3, 4, 5, "N1", 4], t.F4),
    interview_stop("interview F3: blinking red, N1, repeated Q4 red",
                   ["Y", "Y", "N", "N", "Y", "O", "Y"], [1, 2, 3, 4, 5, "N1", 4], t.F3),
    interview_stop("interview F5: blinking green", ["Y", "Y", "N", "N", "N", "Y"],
                   [1, 2, 3, 4, 5, 6], t.F5),
    interview_stop("interview F6: lamp off", ["Y", "Y", "N", "N", "N", "N", "Y"],
                   [1, 2, 3, 4, 5, 6, 7], t.F6),
    interview_stop("interview F7: no lamp state fits", ["Y", "Y", "N", "N", "N", "N", "N"],
                   [1, 2, 3, 4, 5, 6, 7], t.F7),
]

SERVICE_RUNS = [
    service_stop("service stopped: S4", "stopped", t.S4),
    service_stop("service as Smart Card Resource Manager: S3", "legacy", t.S3),
    service_stop("service absent: S5", "absent", t.S5),
]

SMART_CARD_RUNS = [
    full("step 1 SCardEstablishContext fails", m.Cards(establish=0x8010001D)),
    full("step 2 SCardListReaderGroups fails", m.Cards(groups=0x8010002E)),
    full("step 3 SCardListReaders fails", m.Cards(listing=0x8010002E)),
    full("step 3 list length 0", m.Cards(list_length=0)),
    full("step 3 list length 1", m.Cards(list_length=1)),
    full("step 3 list length 2", m.Cards(list_length=2)),
    full("step 4 SCardConnect fails: no card", one_reader(card=False)),
    full("step 5 SCardStatus fails", one_reader(status=0x80100069)),
    full("step 6 SCardControl fails", one_reader(control=0x00000001)),
    full("step 7 SCardDisconnect fails", one_reader(disconnect=0x80100003)),
    full("step 8 SCardReleaseContext fails", m.Cards(release=0x80100003)),
    full("two matching readers", m.Cards(readers=[
        m.Reader("VORNE QX7300 0"),
        m.Reader("VORNE QX7300 1", protocol=1, version=bytes([9, 9, 9, 9, 1, 2, 3, 0x0A]))])),
    full("a reader of another make only",
         m.Cards(readers=[m.Reader("Generic USB2.0 Smart Card Reader 0")])),
    full("mixed readers: prefix rules, states and protocols", m.Cards(readers=[
        m.Reader("Generic USB2.0 Smart Card Reader 0"),
        m.Reader("VORNE QX730"),
        m.Reader("VORNE QX7300", state=4, protocol=0x10000),
        m.Reader("VORNE QX7300 2", state=6, protocol=0x10000, atr=bytes.fromhex("3B 02 14 50")),
        m.Reader("VORNE QX7300 3", state=6, protocol=0x3),
        m.Reader("VORNE QX7300 4", state=9, status_name="VORNE QX7300 4 (status)"),
    ])),
]

HAPPY = full("happy path: one working reader", m.Cards(), check_calls=True)

BINDING_RUN = CheckRun("library without SCardControl fails at binding", ["O"],
                       [m.warning(t.BINDING[0])], t.START + m.framed(t.BINDING[2]),
                       library="no_control")


def main_lane_runs(with_shots):
    """In order. The happy path after a failed run shows that each run starts
    afresh; the last run shows that failures leave nothing behind."""
    happy = replace(HAPPY, name="happy path: one working reader, started with Enter as the "
                    "dialog opens", clicks=0)
    happy = replace(happy, shots={2: "questions"}) if with_shots else happy
    other_make = SMART_CARD_RUNS[-2]
    if with_shots:
        other_make = replace(other_make, shots={3: "warning"})
    return ([happy] + INTERVIEW_RUNS +
            [replace(HAPPY, name="second run after a first starts a fresh log"),
             replace(HAPPY, name="two clicks posted back to back give one run", clicks=2)] +
            SERVICE_RUNS + SMART_CARD_RUNS[:-2] + [other_make, SMART_CARD_RUNS[-1]] +
            [replace(SMART_CARD_RUNS[1], about_at=t.STEP_OK[1],
                     name="the About box asked for during a run: not opened, and the step's "
                          "warning box keeps the dialog disabled")] +
            [BINDING_RUN, replace(HAPPY, name="happy path again after all failures")])


# The calls of a run with one working reader, with their arguments; handles
# differ from run to run and are left out.
CALLS_OF_ONE_READER = [
    "SCardEstablishContext scope=0x0 reserved1=0x0 reserved2=0x0 -> 0x0",
    "SCardListReaderGroupsA groups=null -> 0x0",
    "SCardListReadersA groups=null length=0x400 -> 0x0",
    "SCardConnectA reader=VORNE QX7300 0 share=0x1 protocols=0x3 -> 0x0",
    "SCardStatusA namesLen=0x400 protocolIn=0x0 atrLen=0x64 -> 0x0",
    "SCardControl code=0x312014 in=0x0 inSize=0x0 outSize=0x400 -> 0x0",
    "SCardDisconnect disposition=0x1 -> 0x0",
    "SCardReleaseContext -> 0x0",
]
