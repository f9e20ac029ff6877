#include "tests/sjis.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace readercheck::tests {
namespace {

// Converts the whole input; on a character that cannot be converted either
// throws or writes it as \xNN, as asked.
std::string Convert(const char* to, const char* from, const std::string& input, bool strict) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("iconv cannot convert to ") + to);
    }
    std::string out;
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            if (strict) {
                iconv_close(cd);
                throw std::runtime_error("no " + std::string(to) + " form for: " + input);
            }
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\x%02X", static_cast<unsigned char>(*in));
            out += escaped;
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Sjis(const std::string& utf8) {
    return Convert("CP932", "UTF-8", utf8, true);
}

std::string Readable(const std::string& cp932) {
    return Convert("UTF-8", "CP932", cp932, false);
}

::testing::AssertionResult SameText(const std::string& actual, const std::string& expected) {
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    size_t at =
        std::mismatch(actual.begin(), actual.begin() + std::min(actual.size(), expected.size()),
                      expected.begin())
            .first -
        actual.begin();
    size_t from = at > 40 ? at - 40 : 0;
    return ::testing::AssertionFailure()
           << "texts differ at byte " << at << " (actual " << actual.size() << " bytes, expected "
           << expected.size() << ")\n  actual from byte " << from << ": ["
           << Readable(actual.substr(from, 160)) << "]\nexpected from byte " << from << ": ["
           << Readable(expected.substr(from, 160)) << "]";
}

std::string FrameLine(char c, int lineEnds) {
    std::string line(65, c);
    for (int i = 0; i < lineEnds; ++i) {
        line += "\r\n";
    }
    return line;
}

}  // namespace readercheck::tests
