#include "tests/check_texts.h"

#include "tests/fake_smart_card.h"
#include "tests/sjis.h"

namespace readercheck::tests {

std::string Framed(const std::string& utf8LogText) {
    return FrameLine('/', 1) + Sjis(utf8LogText) + FrameLine('/', 2);
}

std::string FailedStep(int step, const std::string& codeSuffix, const std::string& utf8LogText) {
    return Sjis(STEP_NG[step]) + codeSuffix + "\r\n\r\n" + Framed(utf8LogText);
}

std::string Ok(int step) {
    return Sjis(STEP_OK[step]);
}

std::string StepsOneToThreeOk() {
    return Ok(1) + Ok(2) + Ok(3);
}

std::string ReaderListing(const std::vector<std::string>& names) {
    std::string text = Sjis("このパソコンにおいて\r\n");
    for (const std::string& name : names) {
        text += "  " + name + "\r\n";
    }
    return text + Sjis("のICカードリーダライタが見つかりました。\r\n") + "\r\n";
}

std::string ReaderHeader(const std::string& name) {
    return FrameLine('=', 1) + Sjis("　　") + name + Sjis("の動作確認を行います。\r\n") +
           FrameLine('=', 2);
}

std::string StatusBlock(const std::string& shownName, const std::string& stateLine,
                        const std::string& atrText) {
    return Ok(5) + shownName + "\r\n" + stateLine + "  ATR    " + atrText + "\r\n\r\n";
}

std::string VersionBlock(const std::string& firmware, const std::string& driver) {
    return Ok(6) + Sjis("　ファームウェアのバージョンは　") + firmware + Sjis(" です。\r\n") +
           Sjis("　ドライバソフトのバージョンは　") + driver + Sjis(" です。\r\n\r\n");
}

std::string Verdict(const std::string& name, bool failed) {
    return name + Sjis(" の動作確認が終了しました。\r\n\r\n\r\n") + FrameLine('*', 1) +
           Sjis("　　") + name +
           Sjis(failed ? " はエラーが発生しました。\r\n" : " は正常に動作しています。\r\n") +
           FrameLine('*', 3);
}

std::string WorkingReaderBlock(const std::string& name) {
    return ReaderHeader(name) + Ok(4) + StatusBlock(name, SPECIFIC_T1_TEXT, WORKING_CARD_ATR_TEXT) +
           VersionBlock("3.0a", "1.2") + Ok(7) + Verdict(name, false);
}

}  // namespace readercheck::tests
