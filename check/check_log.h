// The log of one check run: an append-only text in code page 932 with its
// frame lines, numbered step lines and failure entries.
#pragma once

#include <cstdint>
#include <string>

namespace readercheck {

class CheckLog {
public:
    const std::string& Text() const { return m_text; }

    void Append(const std::string& text) { m_text += text; }

    void AppendOpeningSlashLine();
    void AppendClosingSlashLine();
    void AppendStarLine(int lineEnds);
    void AppendEqualsLine(int lineEnds);

    // Opening slash line, logText, closing slash line.
    void AppendFramedEntry(const std::string& logText);

    // The OK or NG text of step 1 to 8 (step 8 has no OK text).
    void AppendStepResult(int step, bool ok);

    // The NG text of the step, the failed call's code as "  (0x%08x)", a
    // blank line and the framed logText.
    void AppendStepFailure(int step, int32_t code, const std::string& logText);

private:
    void AppendFrameLine(char c, int lineEnds);

    std::string m_text;
};

}  // namespace readercheck
