// The fuzzer's bytes as the system's replies, read front to back in the
// order the check asks for them. Every read past the end gives zero, so any
// input, the empty one included, drives a whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken rule of the system's interfaces: abort, which the fuzzer records
// as a finding with its input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace readercheck::fuzzing {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t Remaining() const { return m_size - m_offset; }

    uint8_t Byte() { return m_offset < m_size ? m_data[m_offset++] : 0; }

    // Four bytes, little-endian.
    uint32_t U32() {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            value |= static_cast<uint32_t>(Byte()) << shift;
        }
        return value;
    }

    // Mostly small: a byte below 0xF0 is the value itself, any other byte is
    // followed by the whole value in four bytes.
    uint32_t Value() {
        const uint8_t first = Byte();
        return first < 0xF0 ? first : U32();
    }

    // A 16-bit little-endian length, then that many bytes, or fewer when the
    // input ends first.
    struct Block {
        const uint8_t* data;
        size_t size;
    };
    Block TakeBlock() {
        const size_t low = Byte();
        const size_t wanted = low | static_cast<size_t>(Byte()) << 8;
        const size_t size = wanted < Remaining() ? wanted : Remaining();
        const Block block{m_data + m_offset, size};
        m_offset += size;
        return block;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset = 0;
};

}  // namespace readercheck::fuzzing
