// The check's texts are code page 932 bytes, whatever language the system
// uses for programs that are not Unicode. Windows get them as UTF-16,
// converted here, so a Windows not set to Japanese shows them too.
#pragma once

#include <string>

namespace win32 {

std::wstring WideFromCheckText(const char* text);

}  // namespace win32
