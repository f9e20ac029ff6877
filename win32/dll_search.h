// Keeps DLLs planted beside the program (a download folder) or in the
// current directory out of the process.
#pragma once

namespace win32 {

// Libraries loaded by bare name, by any DLL of the process, are then looked
// for in the system directory only, where Windows 7 has the update that
// allows it; without it the current directory at least leaves the search.
void NarrowDllSearch();

}  // namespace win32
