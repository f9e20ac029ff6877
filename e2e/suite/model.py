"""Expected boxes and logs of a check run, built from the wording in texts.py
and the rules of the check (what follows what), for a simulated smart card
system described by Cards."""
from dataclasses import dataclass, field
from typing import List, Optional

from . import texts as t

YESNO = 0x04
WARNING = 0x30
NOTICE = 0x00

READER_PREFIX = "VORNE QX7300"
DEFAULT_ATR = bytes.fromhex("3B DC 18 FF 81 91 FE 1F C3 80 73 C8 21 13 66 01 06 11 59 00 01 28")
# Driver 1.2, firmware 1.0a: bytes 4 to 7 of the version reply.
DEFAULT_VERSION = bytes([0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x01, 0x0A])
SCARD_E_NO_SMARTCARD = 0x8010000C

Q = {1: t.Q1, 2: t.Q2, 3: t.Q3, 4: t.Q4, 5: t.Q5, 6: t.Q6, 7: t.Q7}  # (box text, caption)


@dataclass
class Reader:
    name: str
    card: bool = True
    connect: Optional[int] = None
    status: int = 0
    status_name: Optional[str] = None
    state: int = 6
    protocol: int = 2
    atr: bytes = DEFAULT_ATR
    control: int = 0
    version: bytes = DEFAULT_VERSION
    disconnect: int = 0
    control_hang: int = 0  # ms the control call takes before it answers

    def scenario_lines(self):
        lines = ["reader " + self.name, "card " + ("yes" if self.card else "no")]
        if self.connect is not None:
            lines.append("connect 0x%x" % self.connect)
        if self.status_name is not None:
            lines.append("status_name " + self.status_name)
        lines += ["status 0x%x" % self.status, "state %d" % self.state,
                  "protocol 0x%x" % self.protocol, "atr " + self.atr.hex(" "),
                  "control 0x%x" % self.control, "version " + self.version.hex(" "),
                  "disconnect 0x%x" % self.disconnect, "control_hang %d" % self.control_hang]
        return lines


@dataclass
class Cards:
    """What the simulated smart card library answers during one run."""
    readers: List[Reader] = field(default_factory=lambda: [Reader("VORNE QX7300 0")])
    establish: int = 0
    groups: int = 0
    listing: int = 0
    list_length: Optional[int] = None
    release: int = 0

    def scenario_text(self, trace_path):
        lines = ["trace " + trace_path, "establish 0x%x" % self.establish,
                 "groups 0x%x" % self.groups, "list 0x%x" % self.listing,
                 "release 0x%x" % self.release]
        if self.list_length is not None:
            lines.append("list_length %d" % self.list_length)
        for reader in self.readers:
            lines += reader.scenario_lines()
        return "\r\n".join(lines) + "\r\n"


def warning(text, caption=t.ERROR):
    return (text, caption, WARNING)


def question(number):
    return (Q[number][0], Q[number][1], YESNO)


def framed(log_text):
    return t.frame("/", 1) + log_text + t.frame("/", 2)


def step_failure(step, code, log_text):
    return t.STEP_NG[step] + "  (0x%08x)" % code + "\r\n\r\n" + framed(log_text)


def pc_block(windows_name="Windows 7", service_pack="Service Pack 1"):
    return (t.PC_INFO + t.frame("*", 1) + t.OS_LINE % windows_name +
            t.SERVICE_PACK_LINE % service_pack + t.frame("*", 2))


def status_block(reader):
    text = t.STEP_OK[5] + (reader.status_name or reader.name) + "\r\n"
    text += t.STATE_LINES.get(reader.state, "")
    if reader.state == 6:
        text += t.PROTOCOL_TEXTS.get(reader.protocol, "\r\n")
    return text + t.ATR_HEAD + "".join("%02X " % b for b in reader.atr) + "\r\n\r\n"


def version_lines(reply):
    firmware = "%d.%02x" % (reply[6], reply[7])
    driver = "%d.%d" % (reply[4], reply[5])
    return t.FIRMWARE % firmware + t.DRIVER % driver


def reader_test(reader):
    """Log and boxes of one matching reader: header, steps 4 to 7, verdict
    (failed exactly when a step warned)."""
    log = t.frame("=", 1) + t.HEADER % reader.name + t.frame("=", 2)
    boxes = []
    connect = reader.connect if reader.connect is not None else (
        0 if reader.card else SCARD_E_NO_SMARTCARD)
    if connect:
        log += step_failure(4, connect, t.C4L)
        boxes.append(warning(reader.name + t.C4))
    else:
        log += t.STEP_OK[4]
        if reader.status:
            log += step_failure(5, reader.status, t.C5L)
            boxes.append(warning(reader.name + t.C5))
        else:
            log += status_block(reader)
            if reader.control:
                log += step_failure(6, reader.control, t.C6L)
                boxes.append(warning(t.C6))
            else:
                log += t.STEP_OK[6] + version_lines(reader.version)
        if reader.disconnect:
            log += step_failure(7, reader.disconnect, t.C7L)
            boxes.append(warning(t.C7))
        else:
            log += t.STEP_OK[7]
    log += reader.name + t.FINISHED + t.frame("*", 1) + "\u3000\u3000" + reader.name
    log += (t.FAILED if boxes else t.WORKING) + t.frame("*", 3)
    return log, boxes


def listed_names(cards):
    """The names the walk finds in the list the library returns."""
    data = "".join(r.name + "\0" for r in cards.readers) + "\0"
    length = cards.list_length if cards.list_length is not None else len(data)
    names, offset = [], 0
    while offset < length - 1:
        name = data[offset:data.index("\0", offset)]
        names.append(name)
        offset += len(name) + 1
    return names


def smart_card_stage(cards):
    """Steps 1 to 8 as the log and the boxes show them."""
    if cards.establish:
        return step_failure(1, cards.establish, t.R1L), [warning(t.R1)]
    log, boxes = t.STEP_OK[1], []
    list_code = cards.listing if cards.listing else (
        0x8010002E if not cards.readers else 0)
    names = listed_names(cards) if not list_code else []
    too_short = cards.list_length is not None and cards.list_length < 3
    if cards.groups:
        log += step_failure(2, cards.groups, t.R2L)
        boxes.append(warning(t.R2))
    elif list_code or too_short:
        log += t.STEP_OK[2] + step_failure(3, list_code, t.R2L)
        boxes.append(warning(t.R3))
    else:
        log += t.STEP_OK[2] + t.STEP_OK[3] + t.LISTING_HEAD
        log += "".join("  " + name + "\r\n" for name in names) + t.LISTING_TAIL + "\r\n"
        by_name = {r.name: r for r in cards.readers}
        matching = [by_name[n] for n in names if n.startswith(READER_PREFIX)]
        for reader in matching:
            reader_log, reader_boxes = reader_test(reader)
            log += reader_log
            boxes += reader_boxes
        if not matching:
            log += framed(t.R4L)
            boxes.append(warning(t.R4))
    log += "\r\n"
    if cards.release:
        log += step_failure(8, cards.release, t.R8L)
        boxes.append(warning(t.R8))
    return log, boxes


INTERVIEW_PASS = ["Y", "Y", "Y"]
INTERVIEW_PASS_BOXES = [question(1), question(2), question(3)]


def full_run(cards):
    """Answers, boxes and log of a run that passes the interview and the
    service check and goes through the smart card steps."""
    stage_log, stage_boxes = smart_card_stage(cards)
    log = t.START + pc_block() + t.SERVICE_OK + stage_log + t.END
    answers = INTERVIEW_PASS + ["O"] * len(stage_boxes)
    return answers, INTERVIEW_PASS_BOXES + stage_boxes, log
