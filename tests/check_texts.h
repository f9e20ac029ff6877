// Expected texts, read from testsupport/expected_texts.txt (the end-to-end
// suite reads the same file), and the few blocks that several tests expect.
// Text() gives a text as written there (UTF-8); the rest return CP932 bytes.
#pragma once

#include <string>
#include <vector>

#include "tests/fakes.h"

namespace readercheck::tests {

// The text of that name, e.g. "R1L" or "STEP_OK.4"; throws when there is none.
const std::string& Text(const std::string& name);
// The named text with its %s replaced by value, bytes that are shown as given.
std::string Filled(const std::string& name, const std::string& value);

// A warning box with the error caption.
Box ErrorBox(const std::string& utf8Text);

// A failure entry with its frame: opening slash line, text, closing slash line.
std::string Framed(const std::string& utf8LogText);
// A failed step: its NG text, the code suffix as written (e.g. "  (0x00000000)"),
// a blank line and the framed log text.
std::string FailedStep(int step, const std::string& codeSuffix, const std::string& utf8LogText);
std::string Ok(int step);

// The PC information block: the Windows name and the service pack sentence.
std::string PcBlock(const std::string& windowsName, const std::string& servicePackSentence);
std::string ServicePackLine(const std::string& servicePack);
// The block of the healthy PC: Windows 7, Service Pack 1.
std::string HealthyPcBlock();

std::string StepsOneToThreeOk();
std::string ReaderListing(const std::vector<std::string>& names);
std::string ReaderHeader(const std::string& name);
// The state line of a card in SCARD_SPECIFIC with T1.
std::string SpecificT1();
// Step 5's OK text and status block: the shown name, the state line and the ATR bytes.
std::string StatusBlock(const std::string& shownName, const std::string& stateLine,
                        const std::string& atrText);
// Step 6's OK text with the two version lines.
std::string VersionBlock(const std::string& firmware, const std::string& driver);
std::string Verdict(const std::string& name, bool failed);
// Everything a reader that answers like WorkingCard(name) writes.
std::string WorkingReaderBlock(const std::string& name);

}  // namespace readercheck::tests
