// Loads the libraries a check run binds, from the system directory only.
#pragma once

#include "check/platform.h"

namespace win32 {

class SystemLibraryLoader : public readercheck::LibraryLoader {
public:
    readercheck::LibraryHandle Load(const char* name) override;
    void* FindExport(readercheck::LibraryHandle library, const char* exportName) override;
    void Free(readercheck::LibraryHandle library) override;
};

}  // namespace win32
