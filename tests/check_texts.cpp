#include "tests/check_texts.h"

#include <fstream>
#include <map>
#include <stdexcept>

#include "tests/fake_smart_card.h"
#include "tests/sjis.h"

namespace readercheck::tests {
namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// Lines NAME "text", with \r\n for CR LF and \u3000 for an ideographic space.
std::map<std::string, std::string> ReadTexts(const char* path) {
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error(std::string("cannot read ") + path);
    }
    std::map<std::string, std::string> texts;
    for (std::string line; std::getline(file, line);) {
        const size_t open = line.find(" \"");
        if (line.empty() || line[0] == '#' || open == std::string::npos) {
            continue;
        }
        std::string text = line.substr(open + 2, line.rfind('"') - open - 2);
        ReplaceAll(text, "\\r\\n", "\r\n");
        ReplaceAll(text, "\\u3000", "\u3000");
        texts[line.substr(0, open)] = text;
    }
    return texts;
}

}  // namespace

const std::string& Text(const std::string& name) {
    static const std::map<std::string, std::string> texts = ReadTexts(READERCHECK_EXPECTED_TEXTS);
    const auto found = texts.find(name);
    if (found == texts.end()) {
        throw std::out_of_range("no expected text " + name);
    }
    return found->second;
}

std::string Filled(const std::string& name, const std::string& value) {
    const std::string& text = Text(name);
    const size_t at = text.find("%s");
    return Sjis(text.substr(0, at)) + value + Sjis(text.substr(at + 2));
}

Box ErrorBox(const std::string& utf8Text) {
    return {Sjis(utf8Text), Sjis(Text("ERROR")), 0x30};
}

std::string Framed(const std::string& utf8LogText) {
    return FrameLine('/', 1) + Sjis(utf8LogText) + FrameLine('/', 2);
}

std::string FailedStep(int step, const std::string& codeSuffix, const std::string& utf8LogText) {
    return Sjis(Text("STEP_NG." + std::to_string(step))) + codeSuffix + "\r\n\r\n" +
           Framed(utf8LogText);
}

std::string Ok(int step) {
    return Sjis(Text("STEP_OK." + std::to_string(step)));
}

std::string PcBlock(const std::string& windowsName, const std::string& servicePackSentence) {
    return Sjis(Text("PC_INFO")) + FrameLine('*', 1) + Filled("OS_LINE", windowsName) +
           servicePackSentence + FrameLine('*', 2);
}

std::string ServicePackLine(const std::string& servicePack) {
    return Filled("SERVICE_PACK_LINE", servicePack);
}

std::string HealthyPcBlock() {
    return PcBlock("Windows 7", ServicePackLine("Service Pack 1"));
}

std::string StepsOneToThreeOk() {
    return Ok(1) + Ok(2) + Ok(3);
}

std::string ReaderListing(const std::vector<std::string>& names) {
    std::string text = Sjis(Text("LISTING_HEAD"));
    for (const std::string& name : names) {
        text += "  " + name + "\r\n";
    }
    return text + Sjis(Text("LISTING_TAIL")) + "\r\n";
}

std::string ReaderHeader(const std::string& name) {
    return FrameLine('=', 1) + Filled("HEADER", name) + FrameLine('=', 2);
}

std::string SpecificT1() {
    return Text("STATE_LINES.6") + Text("PROTOCOL_TEXTS.2");
}

std::string StatusBlock(const std::string& shownName, const std::string& stateLine,
                        const std::string& atrText) {
    return Ok(5) + shownName + "\r\n" + stateLine + Text("ATR_HEAD") + atrText + "\r\n\r\n";
}

std::string VersionBlock(const std::string& firmware, const std::string& driver) {
    return Ok(6) + Filled("FIRMWARE", firmware) + Filled("DRIVER", driver);
}

std::string Verdict(const std::string& name, bool failed) {
    return name + Sjis(Text("FINISHED")) + FrameLine('*', 1) + Sjis("　　") + name +
           Sjis(Text(failed ? "FAILED" : "WORKING")) + FrameLine('*', 3);
}

std::string WorkingReaderBlock(const std::string& name) {
    return ReaderHeader(name) + Ok(4) + StatusBlock(name, SpecificT1(), WORKING_CARD_ATR_TEXT) +
           VersionBlock("3.0a", "1.2") + Ok(7) + Verdict(name, false);
}

}  // namespace readercheck::tests
