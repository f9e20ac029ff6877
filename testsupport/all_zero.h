// Whether a buffer the check cleared before a call is still all zero bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace readercheck::testsupport {

inline bool AllZero(const void* buffer, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; });
}

}  // namespace readercheck::testsupport
