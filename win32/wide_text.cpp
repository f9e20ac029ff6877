#include "win32/wide_text.h"

#include <windows.h>

namespace win32 {
namespace {

constexpr UINT CHECK_TEXT_CODE_PAGE = 932;

std::wstring Convert(UINT codePage, const char* text) {
    const int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);  // without the terminator
    return wide;
}

}  // namespace

std::wstring WideFromCheckText(const char* text) {
    // Every Windows 7 has code page 932; an older system without its East
    // Asian files still shows the ASCII through its own code page.
    std::wstring wide = Convert(CHECK_TEXT_CODE_PAGE, text);
    return wide.empty() && *text != '\0' ? Convert(CP_ACP, text) : wide;
}

}  // namespace win32
