"""Writing the UI driver's script and reading its results."""
from . import texts as t


def hex_text(text):
    """A text as the driver takes it: its code page 932 bytes in hex."""
    data = t.encode(text) if isinstance(text, str) else text
    return data.hex() if data else "-"


def answers_word(answers, shots):
    words = []
    for index, answer in enumerate(answers):
        words.append(answer + ("@" + shots[index] if index in shots else ""))
    return ",".join(words) if words else "-"


class Script:
    def __init__(self):
        self.lines = []

    def add(self, *words):
        self.lines.append(" ".join(str(w) for w in words))

    def text(self):
        return "\r\n".join(self.lines) + "\r\n"


def parse_results(text):
    """{section name: [(verb, [words])]} in the order the driver wrote them;
    lines before the first MARK go to the section ''."""
    sections = {"": []}
    current = ""
    for line in text.splitlines():
        words = line.split(" ")
        if words[0] == "MARK":
            current = " ".join(words[1:])
            sections[current] = []
        elif words[0]:
            sections[current].append((words[0], words[1:]))
    return sections


def decode(hex_word):
    return b"" if hex_word == "-" else bytes.fromhex(hex_word)


def first(section, verb):
    for line_verb, words in section:
        if line_verb == verb:
            return words
    return None


def all_of(section, verb):
    return [words for line_verb, words in section if line_verb == verb]


def boxes(section):
    """(caption, text, flags, answer) of each box the driver answered."""
    return [(decode(w[0]), decode(w[1]), int(w[2], 16), w[3]) for w in all_of(section, "BOX")]
