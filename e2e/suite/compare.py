"""Comparing what the tool showed with what it must show, with short
explanations of the first difference."""
from . import texts as t


def show(data, start, length=40):
    piece = data[max(0, start - 10):start + length]
    return piece.decode("cp932", errors="replace").encode("unicode_escape").decode("ascii")


def text_difference(what, got, expected):
    """None when equal, else a one-line description."""
    if got == expected:
        return None
    at = next((i for i, (a, b) in enumerate(zip(got, expected)) if a != b),
              min(len(got), len(expected)))
    return "%s differs at byte %d (got %d bytes, expected %d): got '%s' expected '%s'" % (
        what, at, len(got), len(expected), show(got, at), show(expected, at))


def box_differences(got_boxes, expected_boxes):
    """got_boxes: (caption bytes, text bytes, flags, answer); expected:
    (text, caption, flags) in UTF-8."""
    problems = []
    for index, expected in enumerate(expected_boxes):
        text, caption, flags = expected
        if index >= len(got_boxes):
            problems.append("box %d missing (caption '%s')" % (index + 1, caption))
            break
        got_caption, got_text, got_flags, answer = got_boxes[index]
        for what, got, want in (("caption", got_caption, t.encode(caption)),
                                ("text", got_text, t.encode(text))):
            difference = text_difference("box %d %s" % (index + 1, what), got, want)
            if difference:
                problems.append(difference)
        if got_flags != flags:
            problems.append("box %d flags 0x%x, expected 0x%x" % (index + 1, got_flags, flags))
        if "missing" in answer or answer == "extra":
            problems.append("box %d answered '%s'" % (index + 1, answer))
    for extra in got_boxes[len(expected_boxes):]:
        problems.append("unexpected box '%s'" % extra[0].decode("cp932", errors="replace"))
    return problems


def order_problems(got_boxes, shown_logs, final_log):
    """While a box is open the log box shows an earlier state of the final
    log, and never the entry of a warning that is still on screen: at the
    n-th warning box it shows exactly the n-1 framed entries before it."""
    problems = []
    frame = t.encode(t.frame("/", 0))
    warnings = 0
    for index, (box, shown) in enumerate(zip(got_boxes, shown_logs)):
        if not shown:
            problems.append("log box empty while box %d is shown" % (index + 1))
        elif not final_log.startswith(shown):
            problems.append("log shown with box %d is not an earlier state of the final log: %s" %
                            (index + 1, text_difference("shown log", shown, final_log[:len(shown)])))
        if box[2] == 0x30:
            if shown.count(frame) != 2 * warnings:
                problems.append("log shown with warning box %d already holds its entry" % (index + 1))
            warnings += 1
    return problems
