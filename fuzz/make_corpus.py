#!/usr/bin/env python3
"""Writes the hand-made starting inputs of the fuzz targets into corpus/.

Each input is spelled out in the byte layout its target reads (see the
comments at the top of fake_smart_card.h and of each *_fuzzer.cpp), one
situation a person would name per file. Run it again after a change of
layout: it rewrites corpus/ whole.
"""
import pathlib
import shutil
import struct

HERE = pathlib.Path(__file__).resolve().parent


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def value(v):
    return bytes([v]) if v < 0xF0 else b"\xf0" + u32(v)


def block(data):
    return struct.pack("<H", len(data)) + data


# ---- smart card replies -------------------------------------------------

OK = b"\x00"


def fail(code):
    return b"\x80" + u32(code)


HONEST = b"\x00"


def short(n):
    return b"\x01" + bytes([n])


def any_length(n):
    return b"\x02" + u32(n)


WHOLE_BUFFER = b"\x03"


def past_buffer(k):
    return b"\x04" + bytes([k])


def past_written(k):
    return b"\x05" + bytes([k])


PREFIX = b"VORNE QX7300"
ATR = bytes.fromhex("3B8F800180318065B0850300EF120FFF82900073")
VERSION = bytes([0, 0, 0, 0, 1, 2, 3, 0x0A])
NO_CARD = 0x8010000C


def reader_list(*names):
    return b"".join(n + b"\0" for n in names) + b"\0"


def reader(connect=OK, status=OK, control=OK, disconnect=OK, names=None, names_len=HONEST,
           state=6, protocol=2, atr=ATR, atr_len=HONEST, reply=VERSION, reply_len=HONEST):
    """Replies for one maker's reader, steps 4 to 7."""
    out = connect + value(3)
    if connect != OK:
        return out
    out += status + block(names if names is not None else PREFIX + b" 0\0\0") + names_len
    out += value(state) + value(protocol) + block(atr) + atr_len
    if status == OK:
        out += control + block(reply) + reply_len
    return out + disconnect


def run(readers_bytes, list_result=OK, list_len=HONEST, readers=(), establish=OK, groups=OK,
        release=OK, whole=True):
    out = bytes([0 if whole else 1]) + establish
    if establish != OK:
        return out
    out += groups + value(0x10)
    if groups == OK:
        out += list_result + block(readers_bytes) + list_len
        if list_result == OK:
            out += b"".join(readers)
    return out + release


def smart_card_inputs():
    one = reader_list(PREFIX + b" 0")
    yield "one_reader_all_ok", run(one, readers=[reader()])
    yield "one_reader_all_ok_reader_check_only", run(one, readers=[reader()], whole=False)
    yield "other_make_only", run(reader_list(b"Generic USB Reader 0"))
    yield "other_make_then_maker_without_card", run(
        reader_list(b"Generic USB Reader 0", PREFIX + b" 0"),
        readers=[reader(connect=fail(NO_CARD))])
    yield "two_makers_readers", run(reader_list(PREFIX + b" 0", PREFIX + b" 1"),
                                    readers=[reader(), reader(state=4)])
    yield "name_equal_to_prefix", run(reader_list(PREFIX), readers=[reader()])
    yield "name_one_short_of_prefix", run(reader_list(PREFIX[:-1]))
    yield "establish_fails", run(b"", establish=fail(0x8010001D))
    yield "groups_fail", run(b"", groups=fail(0x8010002E))
    yield "readers_fail", run(b"", list_result=fail(0x8010002E))
    for n in (0, 1, 2):
        yield f"reader_list_length_{n}", run(one, list_len=short(n))
    yield "reader_list_without_terminators", run(PREFIX * 85 + b"VORN", list_len=WHOLE_BUFFER,
                                                 readers=[reader()])
    yield "reader_list_length_past_buffer", run(one, list_len=past_buffer(7), readers=[reader()])
    yield "reader_list_length_past_written", run(one, list_len=past_written(40),
                                                 readers=[reader()])
    yield "reader_list_length_huge", run(one, list_len=any_length(0xFFFFFFFF), readers=[reader()])
    yield "status_fails", run(one, readers=[reader(status=fail(0x80100069))])
    yield "control_fails", run(one, readers=[reader(control=fail(0x1))])
    yield "disconnect_fails", run(one, readers=[reader(disconnect=fail(0x80100016))])
    yield "release_fails", run(one, readers=[reader()], release=fail(0x80100003))
    yield "status_names_without_terminator", run(
        one, readers=[reader(names=b"N" * 1024, names_len=any_length(5000))])
    yield "status_names_empty", run(one, readers=[reader(names=b"", names_len=short(0))])
    yield "atr_length_past_buffer", run(
        one, readers=[reader(atr=bytes(range(100)), atr_len=any_length(300))])
    yield "atr_empty", run(one, readers=[reader(atr=b"", atr_len=short(0))])
    yield "version_reply_short", run(
        one, readers=[reader(reply=b"\x01\x02\x03", reply_len=any_length(0x7FFFFFFF))])
    yield "version_reply_high_bytes", run(one, readers=[reader(reply=b"\xff" * 8)])
    for state, protocol in ((1, 0), (2, 0), (3, 0), (5, 0), (6, 1), (6, 0x10000), (6, 7), (0x99, 2)):
        yield f"state_{state:x}_protocol_{protocol:x}", run(
            one, readers=[reader(state=state, protocol=protocol)])
    many = [PREFIX + b" %02d" % i for i in range(60)]
    yield "sixty_makers_readers", run(reader_list(*many), readers=[reader()] * 60)
    yield "empty_input", b""


# ---- service batches ----------------------------------------------------

NAME = {"SCardSvr": 0, "Smart Card Resource Manager": 1, "Smart Card": 2, "scardsvr": 3,
        "SCardSvr ": 5, "SCardSv": 7, "Smart Card Resource Manage": 9, "": 13}
RAW_NAME = 14
RUNNING, STOPPED = 4, 1


def name(text):
    if text in NAME:
        return bytes([NAME[text]])
    return bytes([RAW_NAME]) + block(text.encode())


def record(service, display, state=RUNNING):
    return name(service) + name(display) + value(state)


FILLER = [record("AudioSrv", "Windows Audio"), record("Spooler", "Print Spooler", STOPPED)]
SMART_CARD = record("SCardSvr", "Smart Card")

SUCCESS, MORE_DATA = b"\x00", b"\x01"


def other_error(code):
    return b"\x03" + u32(code)


def batch(records, error=SUCCESS, claim=b"\x00", needed=0):
    return error + bytes([len(records)]) + b"".join(records) + claim + value(needed)


def services(*batches, open_fails=False):
    return (b"\xff" if open_fails else b"\x00") + b"".join(batches)


def service_inputs():
    yield "running", services(batch(FILLER + [SMART_CARD]))
    yield "legacy_display_name", services(batch([record("SCardSvr", "Smart Card Resource Manager")]
                                                + FILLER))
    yield "stopped", services(batch([record("SCardSvr", "Smart Card", STOPPED)]))
    yield "missing", services(batch(FILLER))
    yield "manager_unavailable", services(open_fails=True)
    yield "second_batch_running", services(batch(FILLER, MORE_DATA, needed=200),
                                           batch([SMART_CARD]))
    yield "legacy_then_running", services(
        batch([record("SCardSvr", "Smart Card Resource Manager")] + FILLER, MORE_DATA),
        batch([SMART_CARD]))
    yield "more_data_then_error", services(batch(FILLER, MORE_DATA), batch([], other_error(6)))
    yield "first_batch_error", services(batch([SMART_CARD], other_error(5)))
    yield "more_data_without_records", services(batch([], MORE_DATA))
    yield "count_past_capacity", services(batch([SMART_CARD], claim=b"\x03\x0a"))
    yield "count_huge", services(batch([SMART_CARD], claim=b"\x02" + u32(0xFFFFFFFF)))
    yield "count_one_more", services(batch(FILLER + [SMART_CARD], claim=b"\x01\x00"))
    yield "near_misses", services(batch([record("scardsvr", "Smart Card"),
                                         record("SCardSvr ", "Smart Card"),
                                         record("SCardSv", "Smart Card"),
                                         record("SCardSvrX", "Smart Card"),
                                         record("SCardSvr", "Smart Card Resource Manage")]))
    yield "empty_names", services(batch([record("", ""), SMART_CARD]))
    yield "long_names", services(batch([record("S" * 3000, "D" * 3000), SMART_CARD]))
    yield "batch_overflows", services(batch([record("L" * 200, "Long %03d" % i) for i in range(190)]
                                            + [SMART_CARD]))
    many = [record("Svc%03d" % i, "Service number %03d" % i) for i in range(200)]
    yield "full_batches", services(*[batch(many, MORE_DATA)] * 4, batch([SMART_CARD]))
    yield "endless_more_data", services(*[batch(FILLER, MORE_DATA)] * 45)
    yield "empty_input", b""


# ---- version record -----------------------------------------------------

def version(major, minor, build, platform, csd=b""):
    return b"\x00" + value(major) + value(minor) + u32(build) + value(platform) + block(csd)


FAILS = b"\x01"


def three_times(reply):
    return reply * 3


def version_inputs():
    yield "windows7_no_service_pack", three_times(version(6, 1, 7600, 2))
    yield "windows7_service_pack1", three_times(version(6, 1, 7601, 2, b"Service Pack 1\0"))
    yield "service_pack_one_blank", three_times(version(6, 1, 7601, 2, b" \0"))
    yield "service_pack_without_terminator", three_times(version(6, 1, 7601, 2, b"A" * 128))
    yield "service_pack_too_long", three_times(version(6, 1, 7601, 2, b"B" * 300))
    yield "extended_fails_plain_answers", three_times(FAILS + version(5, 1, 2600, 2, b"Service Pack 3"))
    yield "both_fail", FAILS * 6
    yield "windows98se", three_times(version(4, 10, 0x040A08AE, 1, b" A "))
    yield "windows98", three_times(version(4, 10, 0x040A07CE, 1, b" "))
    yield "windows_me", three_times(version(4, 90, 0x045A0BB8, 1, b" "))
    yield "windows9x_unknown_build", three_times(version(4, 20, 0x04200000, 1))
    yield "windows95", three_times(version(4, 0, 0x040003B6, 1))
    yield "nt4", three_times(version(4, 0, 1381, 2, b"Service Pack 6"))
    for major, minor in ((3, 51), (3, 10), (5, 0), (5, 2), (5, 3), (6, 0), (6, 2), (10, 0),
                         (0xFFFFFFFF, 0xFFFFFFFF)):
        yield f"version_{major:x}_{minor:x}", three_times(version(major, minor, 0, 2))
    yield "empty_input", b""


# ---- interview ----------------------------------------------------------

YES, NO, OK_BOX, NOT_SHOWN = 6, 7, 1, 0


def answers(*results):
    return b"".join(u32(r) for r in results)


def interview_inputs():
    yield "steady_green", answers(YES, YES, YES)
    yield "not_connected", answers(NO, OK_BOX)
    yield "no_card", answers(YES, NO, OK_BOX)
    yield "steady_red", answers(YES, YES, NO, YES, OK_BOX)
    yield "blinking_red_then_steady_red", answers(YES, YES, NO, NO, YES, OK_BOX, YES, OK_BOX)
    yield "blinking_red_then_not_red", answers(YES, YES, NO, NO, YES, OK_BOX, NO, OK_BOX)
    yield "blinking_green", answers(YES, YES, NO, NO, NO, YES, OK_BOX)
    yield "lamp_off", answers(YES, YES, NO, NO, NO, NO, YES, OK_BOX)
    yield "no_lamp_matches", answers(YES, YES, NO, NO, NO, NO, NO, OK_BOX)
    yield "boxes_not_shown", answers(NOT_SHOWN, NOT_SHOWN, NOT_SHOWN)
    yield "lamp_boxes_not_shown", answers(YES, YES, NO, NOT_SHOWN, NOT_SHOWN, NOT_SHOWN, NOT_SHOWN)
    yield "odd_results", answers(-1, 0x7FFFFFFF, 2, -6, -7, 3)
    yield "empty_input", b""


TARGETS = {
    "smart_card_replies": smart_card_inputs,
    "service_batches": service_inputs,
    "version_record": version_inputs,
    "interview": interview_inputs,
}


def main():
    for target, inputs in TARGETS.items():
        folder = HERE / "corpus" / target
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        for file_name, data in inputs():
            (folder / file_name).write_bytes(data)


if __name__ == "__main__":
    main()
