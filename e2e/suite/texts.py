"""What the user must see, read from testsupport/expected_texts.txt, the
file the unit tests read too (UTF-8 there; the tool shows code page 932,
see encode()). Boxes are (text, caption); interview outcomes are (box text,
caption, log text); service outcomes are (box text, log text); names ending
in L are log texts; STEP_OK, STEP_NG, STATE_LINES and PROTOCOL_TEXTS are
tables by number."""

import pathlib as _pathlib


def _load(path):
    found = {}
    for line in path.read_text(encoding="utf-8").splitlines():
        name, _, quoted = line.partition(" ")
        if not quoted.startswith('"') or line.startswith("#"):
            continue
        text = quoted[1:quoted.rindex('"')].replace("\\r\\n", "\r\n").replace("\\u3000", "\u3000")
        base, _, part = name.partition(".")
        if not part:
            found[name] = text
        elif part[0].isdigit():
            found.setdefault(base, {})[int(part, 0)] = text
        else:
            found.setdefault(base, []).append(text)
    return {name: tuple(v) if isinstance(v, list) else v for name, v in found.items()}


globals().update(
    _load(_pathlib.Path(__file__).resolve().parents[2] / "testsupport/expected_texts.txt"))
del _load, _pathlib


def encode(text):
    """The bytes the tool shows for a text: Windows code page 932."""
    return text.encode("cp932")


def frame(char, line_ends):
    return char * 65 + "\r\n" * line_ends
