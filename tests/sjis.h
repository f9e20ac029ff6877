// Expected texts are written in the tests as UTF-8 and converted here to the
// code page 932 bytes that the program shows.
#pragma once

#include <string>

#include <gtest/gtest.h>

namespace readercheck::tests {

// The CP932 bytes of a UTF-8 text; throws when a character has no CP932 form.
std::string Sjis(const std::string& utf8);

// The UTF-8 form of CP932 bytes for failure messages; bytes that do not
// convert are shown as \xNN.
std::string Readable(const std::string& cp932);

// Byte-exact comparison that reports the first difference in readable form.
::testing::AssertionResult SameText(const std::string& actual, const std::string& expected);

// A frame line of 65 characters followed by lineEnds CR LF pairs.
std::string FrameLine(char c, int lineEnds);

}  // namespace readercheck::tests
