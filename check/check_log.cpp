#include "check/check_log.h"

#include <cstdio>

namespace readercheck {

namespace {

constexpr int FRAME_WIDTH = 65;

struct StepTexts {
    const char* ok;  // nullptr: a successful step writes nothing
    const char* ng;
};

// Function names are padded to 25 characters so that ＯＫ and ＮＧ stand in one
// column; step 8 has no blank after its period.
const StepTexts STEP_TEXTS[8] = {
    {"１. SCardEstablishContext    ＯＫ\r\n\r\n", "１. SCardEstablishContext    ＮＧ"},
    {"２. SCardListReaderGroups    ＯＫ\r\n\r\n", "２. SCardListReaderGroups    ＮＧ"},
    {"３. SCardListReaders         ＯＫ\r\n\r\n", "３. SCardListReaders         ＮＧ"},
    {"４. SCardConnect             ＯＫ\r\n\r\n", "４. SCardConnect             ＮＧ"},
    {"５. SCardStatus              ＯＫ\r\n", "５. SCardStatus              ＮＧ"},
    {"６. SCardControl             ＯＫ\r\n", "６. SCardControl             ＮＧ"},
    {"７. SCardDisconnect          ＯＫ\r\n\r\n", "７. SCardDisconnect          ＮＧ"},
    {nullptr, "８.SCardReleaseContext      ＮＧ\r\n"},
};

}  // namespace

void CheckLog::AppendFrameLine(char c, int lineEnds) {
    m_text.append(FRAME_WIDTH, c);
    for (int i = 0; i < lineEnds; ++i) {
        m_text += "\r\n";
    }
}

void CheckLog::AppendOpeningSlashLine() {
    AppendFrameLine('/', 1);
}

void CheckLog::AppendClosingSlashLine() {
    AppendFrameLine('/', 2);
}

void CheckLog::AppendStarLine(int lineEnds) {
    AppendFrameLine('*', lineEnds);
}

void CheckLog::AppendEqualsLine(int lineEnds) {
    AppendFrameLine('=', lineEnds);
}

void CheckLog::AppendFramedEntry(const std::string& logText) {
    AppendOpeningSlashLine();
    m_text += logText;
    AppendClosingSlashLine();
}

void CheckLog::AppendStepResult(int step, bool ok) {
    // A step outside 1 to 8 writes nothing rather than a text past the table.
    if (step < 1 || step > 8) {  // GCOVR_EXCL_BR_LINE: no caller names another step
        return;                  // GCOVR_EXCL_LINE: as above
    }
    const StepTexts& texts = STEP_TEXTS[step - 1];
    const char* text = ok ? texts.ok : texts.ng;
    if (text != nullptr) {
        m_text += text;
    }
}

void CheckLog::AppendStepFailure(int step, int32_t code, const std::string& logText) {
    AppendStepResult(step, false);
    char suffix[sizeof "  (0x00000000)"];
    // NOLINTNEXTLINE(cert-err33-c): eight hex digits always fit
    std::snprintf(suffix, sizeof suffix, "  (0x%08x)", static_cast<unsigned>(code));
    m_text += suffix;
    m_text += "\r\n\r\n";
    AppendFramedEntry(logText);
}

}  // namespace readercheck
